// Downloads from the sample gallery on loopback through the real engine behind the headless window:
// a category of 2 list pages of 5 albums of 20 images (200 images).
//  - downloadCategory: every image answer delayed by 300 ms; seconds against the bound
//    images / threads × latency, and the peak memory of the process (10 and 30 threads).
//  - downloadWithoutLatency: images per second at 10 threads with no added latency, over http
//    and https, with connections kept for the next request and without.
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
const std::string category = "/t/xinggan/";
const std::string host(SITE_HOST);

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

gallery::GalleryOptions benchGallery(std::string imageRoot = {}) {
    return {.pagesPerList = listPages,
            .albumsPerPage = albumsPerPage,
            .imagesPerAlbum = imagesPerAlbum,
            .imageRoot = std::move(imageRoot)};
}

// Analyses the category, then times its download at `threads`; answers the seconds of each run.
double measureDownloads(benchmark::State& state, int threads) {
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
        if (messages.size() != 1 || messages[0].text != "状态：图片下载完成\r\n\r\n原因：\r\n\r\n重试：0"_t)
            state.SkipWithError("the download did not complete");
        files::removeTree(directory);
        state.ResumeTiming();
    }
    state.counters["images_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations() * totalImages), benchmark::Counter::kIsRate);
    return seconds / static_cast<double>(state.iterations());
}

void downloadCategory(benchmark::State& state) {
    constexpr std::chrono::milliseconds imageLatency{300};
    const int threads = static_cast<int>(state.range(0));
    gallery::Gallery gallery(std::string(SITE_ROOT), benchGallery());
    testing::TestSite site;
    if (!site.start()) {
        state.SkipWithError("the local site did not start");
        return;
    }
    site.setFallback(
        [&gallery](const std::string& path) { return testing::galleryPage(gallery, path, imageLatency); });
    routeHostToLoopback(host, site.port());
    resetPeakResident();

    const double seconds = measureDownloads(state, threads);
    clearLoopbackRoutes();

    const double bound =
        static_cast<double>(totalImages) / threads * std::chrono::duration<double>(imageLatency).count();
    state.counters["bound_s"] = bound;
    state.counters["ratio_to_bound"] = seconds / bound;
    state.counters["peak_rss_kb"] = static_cast<double>(peakResidentKb());
}
BENCHMARK(downloadCategory)
    ->ArgName("workers")
    ->Arg(10)
    ->Arg(30)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Pages over http; images over http or https, from a site of their own.
void downloadWithoutLatency(benchmark::State& state) {
    const bool https = state.range(0) == 1;
    const bool reuse = state.range(1) == 1;
    gallery::Gallery gallery(std::string(SITE_ROOT),
                             benchGallery(https ? "https://" + host + "/" : std::string()));
    testing::TestSite pages;
    testing::TestSite images(https ? testing::TestSite::Transport::Tls : testing::TestSite::Transport::Plain);
    if (!pages.start() || !images.start()) {
        state.SkipWithError("the local sites did not start");
        return;
    }
    pages.setRecording(false);
    images.setRecording(false);
    auto answer = [&gallery](const std::string& path) { return testing::galleryPage(gallery, path); };
    pages.setFallback(answer);
    images.setFallback(answer);
    if (https) {
        routeHostToLoopback(host + ":80", pages.port());
        routeHostToLoopback(host + ":443", images.port());
    } else {
        routeHostToLoopback(host, pages.port());
    }
    setConnectionReuse(reuse);

    measureDownloads(state, 10);

    setConnectionReuse(true);
    clearLoopbackRoutes();
}
BENCHMARK(downloadWithoutLatency)
    ->ArgNames({"https", "reuse"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
