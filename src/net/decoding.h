// Turning fetched pages into the system's text: gzip, UTF-8 to GBK, and stored-page sizes.
#pragma once

#include "text/text.h"

namespace xiuyun {

// The decompressed bytes of a gzip stream; empty for an empty input or anything not gzip.
ByteArray gzipDecode(std::string_view bytes);
// GBK text of UTF-8 bytes, up to the first zero byte; "?" for what GBK cannot hold.
Text utf8ToGbk(std::string_view bytes);
// Size in units of 1024 bytes, rounded up; -1 when the file does not exist.
long long fileSizeKb(const Text& path);
// The decoder is built in, so it is always in place.
bool ensureGzipLibrary();

} // namespace xiuyun
