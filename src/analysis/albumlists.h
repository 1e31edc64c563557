// The album and page lists of a list page, cut out of its list block and pager.
#pragma once

#include "program/program.h"

namespace xiuyun {

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
