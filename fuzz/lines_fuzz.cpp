// The line lists of the download history and the address-list file.
#include "download/history.h"
#include "fuzzcheck.h"
#include "text/regexservice.h"

#include <cstdint>
#include <string_view>

using namespace xiuyun;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text text = Text::fromGbk(std::string_view(reinterpret_cast<const char*>(data), size));
    const Text lines = normaliseLineList(text);
    // No blank line is left between two lines.
    RegexService blank;
    if (blank.create("\\n\\s*\\r"_t, lines))
        FUZZ_CHECK(blank.matchCount() == 0);
    FUZZ_CHECK(lines.size() <= text.size());

    const Text once = dedupeLines(text, "\r\n"_t);
    // Idempotent, but for an empty item kept last: it is joined behind a final delimiter, which
    // the next split drops (found by this target; pinned in the history tests).
    if (!once.endsWith("\r\n"_t))
        FUZZ_CHECK(dedupeLines(once, "\r\n"_t) == once);
    const auto items = once.split("\r\n"_t);
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (std::size_t j = i + 1; j < items.size() && j < i + 64; ++j)
            FUZZ_CHECK(items[i] != items[j]);
    }
    return 0;
}
