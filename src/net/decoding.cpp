// zlib behind gzipDecode; the loop keeps the shape of the old decompressor interface: at most
// 8192 input bytes per call into one 8192-byte output buffer.
#include "net/decoding.h"

#include "os/files.h"
#include "text/encoding.h"

#include <zlib.h>

namespace xiuyun {
namespace {

constexpr std::size_t chunkSize = 8192;

} // namespace

// A small gzip body can expand without end (a "bomb"): decoding stops at the cap rather than
// exhausting memory.
ByteArray gzipDecode(std::string_view bytes, long long maxBytes, bool* tooLarge) {
    ByteArray result;
    if (tooLarge)
        *tooLarge = false;
    if (bytes.empty())
        return result;

    z_stream stream{};
    // 16 + MAX_WBITS: "decode only the gzip format" (zlib manual), header and trailer included.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return result;

    unsigned char output[chunkSize];
    std::size_t position = 0;
    for (;;) {
        std::size_t chunk = position < bytes.size() ? std::min(chunkSize, bytes.size() - position) : 0;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + position));
        stream.avail_in = static_cast<uInt>(chunk);
        stream.next_out = output;
        stream.avail_out = chunkSize;

        int status = inflate(&stream, Z_NO_FLUSH);
        std::size_t used = chunk - stream.avail_in;
        std::size_t written = chunkSize - stream.avail_out;

        if (written > 0) {
            if (static_cast<long long>(result.size() + written) > maxBytes) {
                result = ByteArray();
                if (tooLarge)
                    *tooLarge = true;
                break;
            }
            result.append(reinterpret_cast<const char*>(output), written);
        }
        // zlib keeps what it consumed (a header, say) in its own state, so the input moves on
        // even when nothing came out yet.
        position += used;
        // The end of the stream, an error, or a stall (nothing consumed and nothing produced: the
        // input ended before the stream did).
        if (status != Z_OK || (used == 0 && written == 0))
            break;
    }
    inflateEnd(&stream);
    return result;
}

Text utf8ToGbk(std::string_view bytes) {
    std::size_t zero = bytes.find('\0');
    if (zero != std::string_view::npos)
        bytes = bytes.substr(0, zero);
    return Text::fromGbk(encoding::utf8ToGbk(bytes));
}

long long fileSizeKb(const Text& path) {
    long long size = files::fileSize(path);
    if (size < 0 || files::isDirectory(path))
        return -1;
    return size / 1024 + (size % 1024 != 0 ? 1 : 0);
}

bool ensureGzipLibrary() {
    return true;
}

} // namespace xiuyun
