// Which handler runs for which control.
#pragma once

#include "program/program.h"

namespace xiuyun {

WindowEvents commandHandlers(Program& program);

} // namespace xiuyun
