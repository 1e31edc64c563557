// "1 分析数据": validation of the inputs, the page name, and the hand-over to the analysis.
#pragma once

#include "program/program.h"
#include "program/requests.h"

namespace xiuyun {

void onAnalyse(Program& program, const AnalyseRequest& request);
// Handler of 选择框_自动选择: classifies the typed address by substrings while the box is ticked.
void detectPageType(Program& program, const Text& address, Ticked automatic);
// Handler of a box with a page type, after its tick has toggled: a ticked box is the only one
// ticked and sets its type; unticked, no type is chosen.
void onPageTypeBox(Program& program, PageType type, Ticked ticked);
// The last path element of the address without its extension (*…/item/12345.html* gives
// *12345*, *…/t/xinggan/* gives *xinggan/*).
Text pageNameFromAddress(const Text& address);

} // namespace xiuyun
