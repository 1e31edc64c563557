// The scheduler of a download: list page by list page, album by album, one worker per image row,
// never more at once than the thread count; each album checked and downloaded again while it holds a
// failed image; the history and the completion report.
#pragma once

#include "download/download.h"

namespace xiuyun {

// Scheduler bodies: the list page types, and a single album.
void runListDownload(Download& download);
void runAlbumDownload(Download& download);

// Moves the album queue on by one album and shows the rows of the new first album.
void nextAlbum(Program& program);
// Moves pageNumbers on by one page, reads that page from the cache and shows its first album.
void nextListPage(Download& download);

} // namespace xiuyun
