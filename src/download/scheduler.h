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
enum class ReadPage { No, Yes };
// Moves pageNumbers on by one page and shows its number and address; with ReadPage::Yes reads that
// page (from the cache, where it is) and shows its first album.
void nextListPage(Download& download, ReadPage read);
// Reads the list page at the front of pageNumbers into the album queue; a page that can't be read
// goes into the job's ledger.
void readListPage(Download& download);
// The address of one page of the analysed list.
Text listPageAddress(const Program& program, const Text& page);

} // namespace xiuyun
