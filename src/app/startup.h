// What happens between the start of the process and the first user action.
#pragma once

#include "app/program.h"

namespace xiuyun {

// Runs once, before the user can act: folder box, and the clean-up of an earlier run's cache.
void onWindowCreated(Program& program);
// Makes sure the data directory exists; true when it does afterwards.
bool ensureDataDirectory(Program& program);

} // namespace xiuyun
