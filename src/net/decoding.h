// Turning fetched pages into the system's text: gzip, UTF-8 to GBK, and stored-page sizes.
#pragma once

#include "text/text.h"

namespace xiuyun {

// The most a page of the site holds, decoded. A list or album page of the site holds at most some
// hundreds of albums, and a thousand fit in well under a few MiB of HTML; a page beyond this is no
// page of the site (a gzip bomb, a runaway server) and can't be read. It also bounds what one
// analysis holds: the page, its UTF-8 form and a block cut out of it stay far below the memory of
// a download.
inline constexpr long long MAX_PAGE_BYTES = 16LL << 20;

// The decompressed bytes of a gzip stream; empty for an empty input or anything not gzip. A stream
// that expands beyond `maxBytes` is cut off there and gives nothing, with `tooLarge` set when given.
ByteArray gzipDecode(std::string_view bytes, long long maxBytes = MAX_PAGE_BYTES, bool* tooLarge = nullptr);
// GBK text of UTF-8 bytes, up to the first zero byte; "?" for what GBK cannot hold.
Text utf8ToGbk(std::string_view bytes);
// Size in units of 1024 bytes, rounded up; -1 when the file does not exist.
long long fileSizeKb(const Text& path);
// The decoder is built in, so it is always in place.
bool ensureGzipLibrary();

} // namespace xiuyun
