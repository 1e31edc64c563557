// gzip decoding of arbitrary bytes, and of the gzip of arbitrary bytes.
#include "fuzzcheck.h"
#include "net/decoding.h"
#include "net/httpclient.h"

#include <zlib.h>

#include <cstdint>
#include <string>
#include <string_view>

using namespace xiuyun;

namespace {

std::string gzipOf(std::string_view bytes) {
    z_stream stream{};
    if (deflateInit2(&stream, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::string out(deflateBound(&stream, bytes.size()) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ByteArray decoded = gzipDecode(bytes);
    FUZZ_CHECK(static_cast<long long>(decoded.size()) <= MAX_PAGE_BYTES);
    if (!bytes.empty())
        FUZZ_CHECK(gzipDecode(gzipOf(bytes)) == bytes);
    return 0;
}
