// The download's progress in the window: 进度条_下载进度 and the status line 透明标签_下载状态,
// written from the program's JobProgress, never read back. The command line words its progress
// line with the same texts.
#pragma once

#include "program/program.h"

namespace xiuyun {

// Throttled: at most every progressInterval, so that thirty workers don't flood the window's
// queue; the scheduler's waits come by often enough to show what a skipped update held.
enum class Refresh { Throttled, Now };
inline constexpr std::chrono::milliseconds progressInterval{250};

void showProgress(Program& program, Refresh refresh);
// Shows `text` in the status line in place of the figures, until they next change.
void showJobStatus(Program& program, const Text& text);
// The bar at 0 and the status line empty, the figures behind them too.
void clearProgress(Program& program);

// "已保存 120 张，失败 2 张 · 3.5 张/秒 · 850 KB/秒 · 剩余约 4 分 12 秒" while a job runs (or what it
// waits for in place of its speed), a summary once it has ended, nothing before.
Text progressStatusText(const ProgressFigures& figures);
ProgressValue progressBarValue(const ProgressFigures& figures);

} // namespace xiuyun
