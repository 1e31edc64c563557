// The image worker: one image row fetched and written into its album folder, on a thread of its own.
#pragma once

#include "download/download.h"

#include <string_view>

namespace xiuyun {

// Where the images of one batch go, fixed by the scheduler when it dispatches the batch, so that a
// worker still ending after a stop never writes into another download's folder.
struct AlbumTarget {
    Text folder;         // absolute; created again when a write finds it gone
    Text imageCountText; // names the address-list file: 45 images give "45.txt"
    Text addressList;    // the album's rows as albumAddressList read them when the batch began
};

// The rows' addresses, each followed by "\r\n", normalised: what a user needs to fetch the album
// by other means. Read when a batch begins, since after a stop the rows may show another album.
Text albumAddressList(const Window& window);

// The file name of the image of `row` (0-based): row + 1 and the extension of the address's last
// path element, ".jpg" when it has none.
Text imageFileName(int row, const Text& address);

// True when the bytes begin as a JPEG, PNG, GIF or WebP image does.
bool looksLikeImage(std::string_view bytes);

// Marks the row "等待中...", fetches its image with the site's root as referrer and writes it
// whole as folder\<row + 1><extension>, marks the row "下载完成" and gives back its slot. When the
// file cannot be written, the folder is made again and the target's address list is left there
// instead, with an empty file under the image's name for the check to find. An answer with
// an error status, or anything that is no image (an error page sent as 200), is written empty,
// like a failed fetch, so that the check downloads the album again.
// The address is the row's as the scheduler read it when it started the worker: after a stop the
// rows may show another album before the worker gets to them.
void downloadImageRow(Download& download, const AlbumTarget& target, int row, const Text& address);

} // namespace xiuyun
