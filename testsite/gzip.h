// gzip streams as the site sends them, and back again, for the sample site and its tests.
#pragma once

#include <string>
#include <string_view>

namespace xiuyun::testing {

std::string gzipCompress(std::string_view bytes);
// A gzip stream of zero bytes that expands to `expandedBytes`, made a piece at a time: a bomb of
// 2 GB is about 2 MB, and never held expanded.
std::string gzipBomb(std::size_t expandedBytes);
// Empty when the bytes are not gzip.
std::string gzipDecompress(std::string_view bytes);

} // namespace xiuyun::testing
