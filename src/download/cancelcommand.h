// "4 取消下载": the download stopped for good, the window in its cancelled phase.
#pragma once

#include "program/program.h"

#include <chrono>

namespace xiuyun {

// How long the cancel waits for the scheduler to reach its next check: it is never more than one
// wait away, so this bound is only met when something is badly wrong.
inline constexpr std::chrono::milliseconds cancelWaitLimit{5000};

void onCancelDownload(Program& program);

} // namespace xiuyun
