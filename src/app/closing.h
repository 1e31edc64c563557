// Closing the window while a download runs.
#pragma once

#include "program/program.h"

#include <chrono>

namespace xiuyun {

// How long the closing window waits for the scheduler to reach its next check.
inline constexpr std::chrono::milliseconds closingWaitLimit{2000};

// The scheduler of a running download is stopped before the window goes; image workers still
// running end with the program (each image is written whole or not at all under its name).
void onWindowDestroying(Program& program);

} // namespace xiuyun
