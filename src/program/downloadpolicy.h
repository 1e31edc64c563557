// How hard a download tries and how long it waits: one value the download holds from its start
// and hands to its scheduler and workers. The default is the product's; tests make a quicker one.
#pragma once

#include "net/httpclient.h"

#include <chrono>

namespace xiuyun {

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
    // How many times an album of the list types is checked after its first batch.
    int albumChecks = 10;
    // How many failed checks end the download of a single album.
    int albumRetries = 10;
    // Every wait of the scheduler.
    std::chrono::milliseconds schedulerWait{100};
};

} // namespace xiuyun
