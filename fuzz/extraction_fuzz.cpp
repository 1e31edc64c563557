// The album and pager extraction of a list page, and the album page's patterns, over arbitrary
// page bytes (taken as UTF-8, as the site sends them).
#include "analysis/albumlists.h"
#include "fuzzcheck.h"
#include "net/decoding.h"
#include "text/patterns.h"
#include "text/regexservice.h"

#include <cstdint>
#include <string_view>

using namespace xiuyun;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text page = utf8ToGbk(std::string_view(reinterpret_cast<const char*>(data), size));
    const Text block = regexFirstGroup("<ul class=\"img\">([\\s\\S]*?)下一页</a>"_t, page);
    const Text fallback = regexFirstGroup("<ul class=\"img\"([\\s\\S]*?)<div class=\"bk20\"></div>"_t, page);
    RegexService items;
    if (items.create("<li>([\\s\\S]*?)</li>"_t, block.empty() ? fallback : block,
                     {.caseSensitive = true, .multiline = false, .global = true})) {
        const int count = items.matchCount();
        FUZZ_CHECK(count >= 0);
        for (int i = 1; i <= count && i <= 200; ++i) {
            const AlbumEntry album = albumEntryOf(items.subMatch(i, 1));
            FUZZ_CHECK(album.imageCount >= 0);
        }
    }
    const Text pager = regexFirstGroup("<center>([\\S\\s]*?)</center>"_t, page);
    (void)regexFirstGroup("<a href=\"([\\S\\s]*?)\">"_t, pager);
    const Text album = regexFirstGroup("<div class=\"width\">([\\S\\s]*?)<div id=\"fenxiang\">"_t, page);
    (void)regexFirstGroup("<h1>([\\S\\s]*?)</h1>"_t, album);
    (void)regexFirstGroup("<p>图片数量\\D([\\S\\s]*?)张</p>"_t, album).withoutSpaces().toInteger();
    (void)regexFirstGroup("<img src=\"([\\S\\s]*?)\""_t, album);
    return 0;
}
