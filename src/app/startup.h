// What happens between the start of the process and the first user action.
#pragma once

#include "program/program.h"

namespace xiuyun {

// Runs once, before the user can act: folder box, and the clean-up of an earlier run's cache.
void onWindowCreated(Program& program);

} // namespace xiuyun
