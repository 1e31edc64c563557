// gzip streams as the site sends them, and back again, for the sample site and its tests.
#pragma once

#include <string>
#include <string_view>

namespace xiuyun::testing {

std::string gzipCompress(std::string_view bytes);
// Empty when the bytes are not gzip.
std::string gzipDecompress(std::string_view bytes);

} // namespace xiuyun::testing
