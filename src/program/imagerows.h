// The image rows of 超级列表框1: one row per image of the album shown, its number and address.
#pragma once

#include "platform/window.h"

namespace xiuyun {

// The most images one album may have. Real albums hold a few hundred at most; a page that
// announces more (two billion, say) is broken, and its rows would hang the window and exhaust
// memory. An analysis refuses such an album; the rows never hold more.
inline constexpr long long maxAlbumImages = 10000;

// Replaces the rows by images 1 … imageCount of an album whose images share the folder and the
// extension of one image address of it, its first image or its cover (*…/12345/0.jpg* gives
// *…/12345/1.jpg*, *…/12345/2.jpg*, …): column 0 the number, column 1 the address, column 2 left
// empty for the download. At most maxAlbumImages rows.
void fillImageRows(Window& window, const Text& oneImageAddress, int imageCount);

} // namespace xiuyun
