// The image worker: one image row fetched and written into its album folder, on a thread of its own.
#pragma once

#include "download/download.h"

#include <chrono>

namespace xiuyun {

// Where the images of one batch go, fixed by the scheduler when it dispatches the batch, so that a
// worker still ending after a stop never writes into another download's folder.
struct AlbumTarget {
    Text root;           // the target folder the album folder is made in; nothing is written
                         // through a link below it
    Text folder;         // absolute; created again when a write finds it gone
    Text imageCountText; // names the address-list file: 45 images give "45.txt"
};

// The folder that holds `folder`: "C:\\x" for "C:\\x\\12 title".
Text folderHolding(const Text& folder);

// The batch's addresses, each followed by "\r\n", normalised: what a user needs to fetch the album
// by other means.
Text albumAddressList(const ImageBatch& batch);

// A site that answers 429 (too many requests) or 503 (unavailable) is asked again by the same
// worker, in its slot, after the wait the answer names in Retry-After (seconds or a date), or after
// 1, 2, 4, 8 s when it names none; never longer than the policy's longest wait at a time, and at
// most its number of tries for one image, after which the image has failed like any other.
bool isBusyAnswer(int status);
// The wait after busy answer number `attempt` (from 1) with these response headers, at `now`.
std::chrono::seconds busyWait(const Text& responseHeaders, int attempt,
                              std::chrono::system_clock::time_point now, std::chrono::seconds longest);

// The file name of the image of `row` (0-based): row + 1 and the extension of the address's last
// path element, ".jpg" when it has none.
Text imageFileName(int row, const Text& address);

// Marks the row "等待中...", fetches its image with the site's root as referrer and writes it
// whole as folder\<row + 1><extension>, marks the row "下载完成" and gives back its slot. While
// the site says it is busy the row tells how long the worker waits; a stop ends the wait at once,
// and the worker then writes nothing. When the file cannot be written (a folder below the target
// folder that is a link counts as one that cannot be), the folder is made again and the target's
// address list is left there instead, with an empty file under the image's name for the check to
// find. An answer with
// an error status, or anything that is no image (an error page sent as 200), is written empty,
// like a failed fetch, so that the check downloads the album again.
// The address is the batch's: after a stop the rows may show another album before the worker gets
// to them, and the worker then leaves them as they are.
void downloadImageRow(Download& download, const AlbumTarget& target, const ImageBatch& batch, int row);

} // namespace xiuyun
