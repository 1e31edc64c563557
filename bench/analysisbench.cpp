// A full analysis of a category of 50 list pages of 40 albums each, served by the sample gallery
// on loopback: list pages per second, and the peak memory of the process.
#include "benchsupport.h"

#include "net/httpclient.h"
#include "testsite/gallery.h"
#include "testsite/testsite.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace xiuyun;
using namespace xiuyun::bench;

namespace {

constexpr int listPages = 50;
const std::string category = "/t/xinggan/";

void analyseCategory(benchmark::State& state) {
    gallery::Gallery gallery(std::string(SITE_ROOT), {.pagesPerList = listPages, .albumsPerPage = 40});
    testing::TestSite site;
    if (!site.start()) {
        state.SkipWithError("the local site did not start");
        return;
    }
    for (int page = 1; page <= listPages; ++page) {
        auto html = testing::Page::bytes(gallery.listPage(category, page), "text/html; charset=utf-8");
        if (page == 1)
            site.setPage(category, html);
        site.setPage(category + std::to_string(page) + ".html", html);
    }
    const Text directory = freshDirectory();

    for (auto _ : state) {
        BenchProgram run(directory, [&site](NetworkContext& network) {
            network.routeHostToLoopback(std::string(SITE_HOST), site.port());
        });
        run.analyse(category, Control::选择框_图集分类);
        const int rows = run.window.rowCount();
        if (rows != 40 && rows != gallery.options().imagesPerAlbum)
            state.SkipWithError("the analysis did not complete");

        state.PauseTiming();
        files::removeTree(run.program.dataDir());
        state.ResumeTiming();
    }
    files::removeTree(directory);

    state.counters["pages_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations() * listPages), benchmark::Counter::kIsRate);
    state.counters["peak_rss_kb"] = static_cast<double>(peakResidentKb());
}
BENCHMARK(analyseCategory)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
