// How hard a download tries and how long it waits: one value the download holds from its start
// and hands to its scheduler and workers. The default is the product's; tests make a quicker one.
#pragma once

#include "net/httpclient.h"

#include <chrono>

namespace xiuyun {

// How an album is checked after its first download, and downloaded again while a check finds a
// failed image.
struct AlbumChecks {
    // Checks of the album folder after the first download.
    int checks = 10;
    // A check that finds nothing failed ends the checks.
    bool endOnceWhole = false;
    // A last check that finds a failed image is followed by one more download.
    bool downloadAfterLastCheck = true;
};

struct DownloadPolicy {
    // A site that answers 429 or 503 is asked again by the same worker after the wait the answer
    // names (Retry-After), or 1, 2, 4, 8 s; never longer than longestBusyWait at a time and at most
    // busyAnswerTries requests for one image.
    int busyAnswerTries = 5;
    std::chrono::seconds longestBusyWait{60};
    // Each image request: the limit for connecting and for every wait for the next byte, and the
    // floor on its progress once connected.
    int imageTimeoutSeconds = 15;
    ProgressFloor imageProgressFloor{PROGRESS_FLOOR_BYTES_PER_SECOND, PROGRESS_WINDOW};
    // An album of the list types gets all its checks, whatever the earlier ones found.
    AlbumChecks listAlbumChecks{.checks = 10, .endOnceWhole = false, .downloadAfterLastCheck = true};
    // A single album is checked until it is whole; its tenth failed check ends the download.
    AlbumChecks singleAlbumChecks{.checks = 10, .endOnceWhole = true, .downloadAfterLastCheck = false};
    // Every wait of the scheduler.
    std::chrono::milliseconds schedulerWait{100};
};

} // namespace xiuyun
