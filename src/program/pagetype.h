// The page types: one table of what each is (its value, its check box, how an address shows it,
// the fallback block of its list pages, its word on the command line), and the check boxes, which
// exclude each other and set the program's page type.
#pragma once

#include "program/program.h"

#include <span>
#include <string_view>

namespace xiuyun {

// What an address must show for the crawler to take it as a list of a type.
enum class AddressFit {
    MarkAlone,      // its own mark, whatever else the address shows
    MarkAndNoOther, // its own mark and no mark of another type
    NoOther,        // no mark of another type
};

struct PageTypeEntry {
    PageType type;
    Control box;                            // its caption names the type in the help as well
    bool (*bearsMark)(const Text& address); // how an address of the site shows the type
    AddressFit fit;
    bool marksOthersOut; // an address with this mark is no list of another type
    bool detected;       // 选择框_自动选择 picks the type for an address with its mark
    // The album block of a list page without a next-page link; empty for the types that have none.
    std::string_view fallbackBlock;
    std::string_view commandWord;
};

// Every type but PAGE_NONE, in the order 选择框_自动选择 tries them and the boxes are unticked.
std::span<const PageTypeEntry> pageTypes();
// Nothing for PAGE_NONE and values of no type.
const PageTypeEntry* pageTypeEntry(PageType type);

// Whether the crawler takes the address as a list of the type.
bool addressFitsPageType(PageType type, const Text& address);
// The first type, in table order, whose mark the address shows among those detected; PAGE_NONE
// when there is none.
PageType detectedPageType(const Text& address);

// The boxes that carry a page type, with their values; 选择框_自动选择 has none.
bool isPageTypeBox(Control control);
PageType pageTypeOfBox(Control box);

// All seven boxes, 选择框_自动选择 last, in the order they are unticked.
std::span<const Control> pageTypeBoxes();
// Unticks all seven boxes; the page type stays as it is.
void clearPageTypeBoxes(Program& program);
// Handler of a box with a page type, after its tick has toggled.
void onPageTypeBox(Program& program, Control box);

} // namespace xiuyun
