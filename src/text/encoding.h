// Code-page conversion between UTF-8 and GBK (code page 936), the system's only two encodings.
#pragma once

#include <string>
#include <string_view>

namespace xiuyun::encoding {

// Every character GBK cannot hold, and every malformed UTF-8 sequence, becomes one "?".
std::string utf8ToGbk(std::string_view utf8);
// A byte that starts no GBK character becomes U+FFFD.
std::string gbkToUtf8(std::string_view gbk);

} // namespace xiuyun::encoding
