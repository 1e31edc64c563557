// What a download tells its progress (program/jobprogress.h) as it goes, one call at each step of
// the start, the scheduler and the workers, and what the window then shows of it.
#pragma once

#include "download/download.h"
#include "download/imageworker.h"

namespace xiuyun {

// A download of the program's analysis is starting: its pages, from the analysis.
void noteDownloadStarted(Program& program);
// The scheduler has come to a list page of `albums` albums.
void noteListPage(Download& download, long long albums);
// The scheduler downloads the album of `target` (the rows shown), or checks it.
void noteAlbumStarted(Download& download, const AlbumTarget& target);
void noteAlbumCheck(Download& download);
void noteAlbumDone(Download& download);
// A worker has ended row `row` of `target`, its file at `path` (the file tells what it got).
void noteImageEnded(Download& download, const AlbumTarget& target, int row, const Text& path);
// The download has come to its end, or was cancelled.
void noteDownloadEnded(Download& download);
void noteDownloadStopped(Program& program);

} // namespace xiuyun
