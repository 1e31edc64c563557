// Which handler runs for which control.
#pragma once

#include "program/program.h"

namespace xiuyun {

WindowEvents commandHandlers(Program& program);
void onThreadSliderChanged(Program& program);

} // namespace xiuyun
