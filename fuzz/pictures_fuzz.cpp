// The walk through a picture's structure over arbitrary bytes: its verdict does not depend on how
// the bytes are cut into pieces, and once it says it is settled, no later byte changes it.
#include "download/imageformat.h"
#include "fuzzcheck.h"

#include <cstdint>
#include <optional>
#include <string_view>

using namespace xiuyun;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the pieces' size (1 to 64 bytes); the rest is the file.
    const std::size_t piece = data[0] % 64 + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    PictureWalk walk;
    std::optional<bool> settledVerdict;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        walk.take(bytes.substr(at, piece));
        if (settledVerdict)
            FUZZ_CHECK(walk.whole() == *settledVerdict);
        else if (walk.settled())
            settledVerdict = walk.whole();
    }
    FUZZ_CHECK(walk.whole() == isWholePicture(bytes));
    FUZZ_CHECK(walk.head() == bytes.substr(0, pictureHeadBytes));
    return 0;
}
