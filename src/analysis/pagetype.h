// The page types as the site shows them: one table of what each is (its value, how an address
// shows it, the fallback block of its list pages, its word on the command line).
#pragma once

#include "program/state.h"

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
    bool (*bearsMark)(const Text& address); // how an address of the site shows the type
    AddressFit fit;
    bool marksOthersOut; // an address with this mark is no list of another type
    bool detected;       // 选择框_自动选择 picks the type for an address with its mark
    // The album block of a list page without a next-page link; empty for the types that have none.
    std::string_view fallbackBlock;
    std::string_view commandWord;
};

// Every type but PAGE_NONE, in the order 选择框_自动选择 tries them.
std::span<const PageTypeEntry> pageTypes();
// Nothing for PAGE_NONE and values of no type.
const PageTypeEntry* pageTypeEntry(PageType type);

// Whether the crawler takes the address as a list of the type.
bool addressFitsPageType(PageType type, const Text& address);
// The first type, in table order, whose mark the address shows among those detected; PAGE_NONE
// when there is none.
PageType detectedPageType(const Text& address);

} // namespace xiuyun
