// Decoding and pattern work on a generated 2 MB list page: gzipDecode, and the list-block plus
// album-item extraction with its GBK/UTF-8 conversions (without the label count-up).
#include "analysis/albumlists.h"
#include "net/decoding.h"
#include "testsite/gallery.h"
#include "testsite/gzip.h"
#include "text/patterns.h"
#include "text/regexservice.h"

#include <benchmark/benchmark.h>

using namespace xiuyun;

namespace {

const std::string& bigListPage() {
    static const std::string page = [] {
        gallery::GalleryOptions options;
        options.albumsPerPage = 6300; // about 2 MB of HTML
        return gallery::Gallery("http://www.gallery.test/", options).listPage("/t/xinggan/", 1);
    }();
    return page;
}

void gzipDecodeListPage(benchmark::State& state) {
    const std::string compressed = testing::gzipCompress(bigListPage());
    for (auto _ : state)
        benchmark::DoNotOptimize(gzipDecode(compressed));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bigListPage().size()));
    state.counters["page_bytes"] = static_cast<double>(bigListPage().size());
}
BENCHMARK(gzipDecodeListPage)->Unit(benchmark::kMillisecond);

void utf8ToGbkListPage(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(utf8ToGbk(bigListPage()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bigListPage().size()));
}
BENCHMARK(utf8ToGbkListPage)->Unit(benchmark::kMillisecond);

void extractAlbumsFromListPage(benchmark::State& state) {
    const Text page = utf8ToGbk(bigListPage());
    std::size_t albums = 0;
    for (auto _ : state) {
        Text block = regexFirstGroup("<ul class=\"img\">([\\s\\S]*?)下一页</a>"_t, page);
        RegexService items;
        items.create("<li>([\\s\\S]*?)</li>"_t, block, {.caseSensitive = true, .multiline = false});
        albums = static_cast<std::size_t>(items.matchCount());
        for (int i = 1; i <= items.matchCount(); ++i)
            benchmark::DoNotOptimize(albumEntryOf(items.subMatch(i, 1)));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.size());
    state.counters["albums"] = static_cast<double>(albums);
}
BENCHMARK(extractAlbumsFromListPage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
