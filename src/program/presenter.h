// The window as the program's state shows it: every caption, label and enabled or visible state
// the commands and the download change is written here, from the state, never read back. The
// image rows write their own list (program/imagerows.h).
#pragma once

#include "program/program.h"

#include <span>

namespace xiuyun {

// The page-type check boxes: one per page type but PAGE_NONE, and 选择框_自动选择, which has
// none. Each box's caption names its type.
Control pageTypeBox(PageType type); // 选择框_自动选择 for PAGE_NONE
// PAGE_NONE for 选择框_自动选择 and for any control that is no page-type box.
PageType pageTypeOfBox(Control control);
bool isPageTypeBox(Control control);
// All seven boxes, 选择框_自动选择 last, in the order they are unticked.
std::span<const Control> pageTypeBoxes();
// Unticks all seven boxes; the page type stays as it is.
void clearPageTypeBoxes(Program& program);
// The box of the type ticked alone (选择框_自动选择 for PAGE_NONE).
void tickPageTypeBoxAlone(Program& program, PageType type);

// The phase, and the buttons and inputs it leaves open.
void setPhase(Program& program, Phase phase);
// The clean-up button: what it deletes and whether it is offered.
void offerCleanUp(Program& program, CleanUpChoice choice, bool offered);
void setForceNextStart(Program& program, bool force);

// The values of program.analysis the group box shows, each set and shown here; a label shows its
// caption while its value is not known.
void showAlbum(Program& program, const Text& title, const Text& imageCount);
void showCurrentPage(Program& program, const Text& page);
void showCurrentAlbum(Program& program, int number);
// The analysis as before any: every label its caption.
void resetAnalysis(Program& program);
// A copy of the analysis for a thread that does not change it.
Analysis analysisNow(const Program& program);

// Sets the count and counts its label up from 1, a step a millisecond: the count-up keeps the
// window painted while user input waits.
void countUpPages(Program& program, int pages);
void countUpAlbums(Program& program, int albums);

// The list page a download has moved on to, in the address box.
void showPageAddress(Program& program, const Text& address);

// The line under the group box that asks for patience while list pages are fetched.
void showSubPageHint(Program& program, const Text& hint);

} // namespace xiuyun
