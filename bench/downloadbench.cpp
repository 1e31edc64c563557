// A download of 10 albums of 20 images (a category of 2 list pages of 5 albums) from the sample
// gallery on loopback, every image answer delayed by 300 ms: seconds against the bound
// images / threads × latency, and the peak memory of the process at 30 threads.
#include "analysis/routes.h"
#include "app/commands.h"
#include "download/download.h"
#include "net/httpclient.h"
#include "net/site.h"
#include "platform/files.h"
#include "platform/headlesswindow.h"
#include "platform/programdir.h"
#include "testsite/gallery.h"
#include "testsite/testsite.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace xiuyun;

namespace {

constexpr int listPages = 2;
constexpr int albumsPerPage = 5;
constexpr int imagesPerAlbum = 20;
constexpr int totalImages = listPages * albumsPerPage * imagesPerAlbum;
constexpr std::chrono::milliseconds imageLatency{300};
const std::string category = "/t/xinggan/";

long peakResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

// Starts the peak over again, so that each benchmark reports its own.
void resetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

Text freshDirectory() {
    std::string base =
        std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/xiuyun-bench-XXXXXX";
    return files::fromNativePath(::mkdtemp(base.data()));
}

void downloadCategory(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    gallery::Gallery gallery(
        std::string(SITE_ROOT),
        {.pagesPerList = listPages, .albumsPerPage = albumsPerPage, .imagesPerAlbum = imagesPerAlbum});
    testing::TestSite site;
    if (!site.start()) {
        state.SkipWithError("the local site did not start");
        return;
    }
    site.setFallback(
        [&gallery](const std::string& path) { return testing::galleryPage(gallery, path, imageLatency); });
    routeHostToLoopback(std::string(SITE_HOST), site.port());
    resetPeakResident();

    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const Text directory = freshDirectory();
        enterProgramDirectory(directory);
        HeadlessWindow window;
        Program program(window, directory);
        program.routes = analysisRoutes();
        window.setEvents(commandHandlers(program));
        window.events().windowCreated();
        window.type(Control::编辑框_页面地址, Text::fromGbk(std::string(SITE_ROOT) + category.substr(1)));
        window.click(Control::选择框_图集分类);
        window.click(Control::按钮_分析数据);
        window.moveSlider(threads);
        window.clearMessages();
        state.ResumeTiming();

        const auto started = std::chrono::steady_clock::now();
        window.click(Control::按钮_开始下载);
        if (!waitForDownloadThreads(std::chrono::minutes(5)))
            state.SkipWithError("the download did not end");
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

        state.PauseTiming();
        auto messages = window.messages();
        if (messages.size() != 1 || messages[0].caption != "恭喜客官"_t)
            state.SkipWithError("the download did not complete");
        files::removeTree(directory);
        state.ResumeTiming();
    }
    clearLoopbackRoutes();

    const double bound =
        static_cast<double>(totalImages) / threads * std::chrono::duration<double>(imageLatency).count();
    state.counters["bound_s"] = bound;
    state.counters["ratio_to_bound"] = seconds / static_cast<double>(state.iterations()) / bound;
    state.counters["images_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations() * totalImages), benchmark::Counter::kIsRate);
    state.counters["peak_rss_kb"] = static_cast<double>(peakResidentKb());
}
BENCHMARK(downloadCategory)
    ->Arg(10)
    ->Arg(30)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
