// The page-type check boxes, which exclude each other and set the program's page type.
#pragma once

#include "program/program.h"

#include <span>

namespace xiuyun {

// The boxes that carry a page type, with their values; 选择框_自动选择 has none.
bool isPageTypeBox(Control control);
int pageTypeOfBox(Control box);

// All seven boxes, 选择框_自动选择 last, in the order they are unticked.
std::span<const Control> pageTypeBoxes();
// Unticks all seven boxes; the page type stays as it is.
void clearPageTypeBoxes(Program& program);
// Handler of a box with a page type, after its tick has toggled.
void onPageTypeBox(Program& program, Control box);

} // namespace xiuyun
