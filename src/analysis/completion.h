// The end of a successful analysis (image rows, locked inputs, the report) and its undoing by
// "3 重新分析".
#pragma once

#include "program/program.h"

namespace xiuyun {

// kind "图集分类" (list crawler) or "单个地址" (album reader); any other kind does nothing. The
// album's images share the folder and extension of firstImageAddress and are numbered from 1.
void finishAnalysis(Program& program, const Text& kind, const Text& firstImageAddress, int imageCount);
// The inputs closed once an analysis completed: the address, the folder, the page-type boxes and
// the analyse and browse buttons; the slider stays open ("线程可调").
void lockInputs(Program& program);
void onReanalyse(Program& program);
// The program as before any analysis: phase, page type, rows, labels and album queue.
void resetAnalysisState(Program& program);

} // namespace xiuyun
