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

// A pager claiming more list pages than this is taken for a broken page: each page is fetched,
// cached and counted up in the window, so a claim of billions would never end.
inline constexpr int maxListPages = 10000;

enum class ListKind { Albums = 1, Pages = 2 };
// Albums: one entry per match appended to the album queue, the albums on the page counted up.
// Pages: the queue's page numbers rebuilt as "1" … N from the pager links, the total pages
// counted up; left empty, and nothing counted, when N is below 1 or above maxListPages.
// Returns the number of matches; 0 after showing the failure message.
int extractListMatches(Program& program, const Text& pattern, const Text& text, ListKind kind);

} // namespace xiuyun
