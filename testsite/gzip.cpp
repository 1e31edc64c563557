#include "testsite/gzip.h"

#include <httplib.h>

namespace xiuyun::testing {

// cpp-httplib's own codecs, so that zlib stays behind the one decoder of the core.
std::string gzipCompress(std::string_view bytes) {
    std::string result;
    httplib::detail::gzip_compressor compressor;
    bool ok =
        compressor.compress(bytes.data(), bytes.size(), true, [&](const char* data, std::size_t length) {
            result.append(data, length);
            return true;
        });
    return ok ? result : std::string();
}

std::string gzipDecompress(std::string_view bytes) {
    if (bytes.size() < 18 || static_cast<unsigned char>(bytes[0]) != 0x1F ||
        static_cast<unsigned char>(bytes[1]) != 0x8B)
        return {};
    std::string result;
    httplib::detail::gzip_decompressor decompressor;
    bool ok = decompressor.is_valid() &&
              decompressor.decompress(bytes.data(), bytes.size(), [&](const char* data, std::size_t length) {
                  result.append(data, length);
                  return true;
              });
    return ok ? result : std::string();
}

} // namespace xiuyun::testing
