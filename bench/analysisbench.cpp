// A full analysis of a category of 50 list pages of 40 albums each, served by the sample gallery
// on loopback: list pages per second, and the peak memory of the process.
#include "analysis/routes.h"
#include "app/commands.h"
#include "net/httpclient.h"
#include "net/site.h"
#include "platform/files.h"
#include "platform/headlesswindow.h"
#include "platform/programdir.h"
#include "testsite/gallery.h"
#include "testsite/testsite.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace xiuyun;

namespace {

constexpr int listPages = 50;
const std::string category = "/t/xinggan/";

long peakResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

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
    routeHostToLoopback(std::string(SITE_HOST), site.port());

    std::string base =
        std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/xiuyun-bench-XXXXXX";
    const Text directory = files::fromNativePath(::mkdtemp(base.data()));
    enterProgramDirectory(directory);

    for (auto _ : state) {
        HeadlessWindow window;
        Program program(window, directory);
        program.routes = analysisRoutes();
        window.setEvents(commandHandlers(program));
        window.events().windowCreated();
        window.type(Control::编辑框_页面地址, Text::fromGbk(std::string(SITE_ROOT) + category.substr(1)));
        window.click(Control::选择框_图集分类);
        window.click(Control::按钮_分析数据);
        if (window.rowCount() != 40 && window.rowCount() != gallery.options().imagesPerAlbum)
            state.SkipWithError("the analysis did not complete");

        state.PauseTiming();
        files::removeTree(program.dataDir());
        state.ResumeTiming();
    }
    files::removeTree(directory);
    clearLoopbackRoutes();

    state.counters["pages_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations() * listPages), benchmark::Counter::kIsRate);
    state.counters["peak_rss_kb"] = static_cast<double>(peakResidentKb());
}
BENCHMARK(analyseCategory)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
