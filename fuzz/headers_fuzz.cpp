// The header and cookie texts of the HTTP client over arbitrary bytes.
#include "fuzzcheck.h"
#include "net/headertext.h"

#include <cstdint>
#include <string_view>

using namespace xiuyun;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Text text = Text::fromGbk(bytes);

    const Text encoded = base64Encode(bytes);
    FUZZ_CHECK(encoded.size() == static_cast<int>((size + 2) / 3 * 4));

    auto [name, value] = splitHeaderLine(text);
    FUZZ_CHECK(name.trimmed() == name && value.trimmed() == value);

    const Text cookies = cookiesOfResponse(text);
    const Text merged = mergeCookies(text, cookies);
    (void)mergeCookies(cookies, text);
    (void)merged;

    const Text block = completeHeaderBlock(text, "http://www.gallery.test/t/x/"_t);
    FUZZ_CHECK(block.size() >= text.size());
    return 0;
}
