// "1 分析数据": validation of the inputs, the page name, and the hand-over to the analysis.
#pragma once

#include "program/program.h"

namespace xiuyun {

void onAnalyse(Program& program);
// Handler of 选择框_自动选择: classifies the typed address by substrings.
void detectPageType(Program& program);
// The last path element of the address without its extension (*…/item/12345.html* gives
// *12345*, *…/t/xinggan/* gives *xinggan/*).
Text pageNameFromAddress(const Text& address);

} // namespace xiuyun
