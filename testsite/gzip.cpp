#include "testsite/gzip.h"

#include <httplib.h>

#include <algorithm>

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

std::string gzipBomb(std::size_t expandedBytes) {
    const std::string zeros(std::size_t(1) << 20, '\0');
    std::string result;
    httplib::detail::gzip_compressor compressor;
    auto keep = [&](const char* data, std::size_t length) {
        result.append(data, length);
        return true;
    };
    std::size_t left = expandedBytes;
    do {
        const std::size_t piece = std::min(left, zeros.size());
        left -= piece;
        if (!compressor.compress(zeros.data(), piece, left == 0, keep))
            return {};
    } while (left > 0);
    return result;
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
