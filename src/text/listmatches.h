// Cutting values and lists out of page text with the system's patterns.
#pragma once

#include "app/program.h"

namespace xiuyun {

// First capture group of the first match (case-sensitive, not multiline); empty when none.
Text regexFirstGroup(const Text& pattern, const Text& text);
// Every ASCII digit of the text, in order.
Text digitsOnly(const Text& text);
// The bytes after the first `left` up to the next `right` ("#引号" in a marker is a double quote).
Text textBetween(const Text& text, const Text& left, const Text& right);
// The bytes between the last `left` before the last `right`, and that `right`.
Text textBetweenLast(const Text& text, const Text& right, const Text& left);

// What one album entry of a list page says of its album.
struct AlbumEntry {
    Text link;
    Text cover;
    int imageCount = 0;
    Text title;
};
AlbumEntry albumEntryOf(const Text& entry);

enum class ListKind { Albums = 1, Pages = 2 };
// Albums: one entry per match appended to the five album lists, 透明标签_总图集2 counted up.
// Pages: pageNumbers rebuilt as "1" … N from the pager links, 透明标签_总页码2 counted up.
// Returns the number of matches; 0 after showing the failure message.
int extractListMatches(Program& program, const Text& pattern, const Text& text, ListKind kind);

} // namespace xiuyun
