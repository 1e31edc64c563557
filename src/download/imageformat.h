// What an image file's own bytes say of it: which format it is, and whether it is whole.
#pragma once

#include "text/text.h"

#include <string_view>

namespace xiuyun {

// True when the bytes begin as a JPEG, PNG, GIF or WebP image does.
bool looksLikeImage(std::string_view head);

// The bytes a check of completeness reads from each end of a file.
inline constexpr std::size_t pictureHeadBytes = 16;
inline constexpr std::size_t pictureTailBytes = 1024 + 2;
// A JPEG may go on after its end marker with this many bytes of padding (zeros, 0xFF fill, blanks
// and line ends), as cameras and some servers write it.
inline constexpr std::size_t jpegPaddingLimit = 1024;

// Whether a file whose first bytes are `head`, whose last bytes are `tail` (at least
// pictureTailBytes of them, or the whole file) and whose size is `size` holds a complete picture of
// the format its head names: a JPEG ends with its end marker (padding allowed), a PNG with its IEND
// chunk, a GIF with its trailer, and a WebP's RIFF size covers the file. Bytes of no such format
// are not judged here: true.
bool isWholePicture(std::string_view head, std::string_view tail, long long size);

} // namespace xiuyun
