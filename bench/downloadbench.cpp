// Downloads from the sample gallery on loopback through the real engine behind the headless window:
// a category of 2 list pages of 5 albums of 20 images (200 images). Pages come over http, images
// over http or https from a site of their own, with connections kept for the next request or not.
//  - downloadCategory: every image answer delayed by 300 ms; seconds against the bound
//    images / threads × latency, and the peak memory of the process.
//  - downloadWithoutLatency: images per second at 10 threads with no added latency.
#include "benchsupport.h"

#include "download/download.h"
#include "net/httpclient.h"
#include "net/httprouting.h"
#include "testsite/gallery.h"
#include "testsite/testsite.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

using namespace xiuyun;
using namespace xiuyun::bench;

namespace {

constexpr int listPages = 2;
constexpr int albumsPerPage = 5;
constexpr int imagesPerAlbum = 20;
constexpr int totalImages = listPages * albumsPerPage * imagesPerAlbum;
const std::string category = "/t/xinggan/";
const std::string host(SITE_HOST);

// The gallery on loopback, routed from the site's host: one site answers pages and images over
// http; with https the images come from a second site of their own. Images answer after
// `imageLatency`. The routes and the connection setting go back when it does.
class LocalGallery {
public:
    LocalGallery(bool https, bool reuse, std::chrono::milliseconds imageLatency)
        : m_gallery(std::string(SITE_ROOT), {.pagesPerList = listPages,
                                             .albumsPerPage = albumsPerPage,
                                             .imagesPerAlbum = imagesPerAlbum,
                                             .imageRoot = https ? "https://" + host + "/" : std::string()}) {
        auto answer = [this, imageLatency](const std::string& path) {
            return testing::galleryPage(m_gallery, path, imageLatency);
        };
        if (!m_pages.start())
            return;
        m_pages.setRecording(false);
        m_pages.setFallback(answer);
        if (https) {
            m_images = std::make_unique<testing::TestSite>(testing::TestSite::Transport::Tls);
            if (!m_images->start())
                return;
            m_images->setRecording(false);
            m_images->setFallback(answer);
            routeHostToLoopback(host + ":80", m_pages.port());
            routeHostToLoopback(host + ":443", m_images->port());
        } else {
            routeHostToLoopback(host, m_pages.port());
        }
        setConnectionReuse(reuse);
        m_running = true;
    }
    ~LocalGallery() {
        setConnectionReuse(true);
        clearLoopbackRoutes();
    }
    LocalGallery(const LocalGallery&) = delete;
    LocalGallery& operator=(const LocalGallery&) = delete;

    bool running() const { return m_running; }

private:
    gallery::Gallery m_gallery;
    testing::TestSite m_pages;
    std::unique_ptr<testing::TestSite> m_images;
    bool m_running = false;
};

// Analyses the category, then times its download at `threads`; answers the mean seconds of a run.
double measureDownloads(benchmark::State& state, int threads) {
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const Text directory = freshDirectory();
        double runSeconds = 0;
        {
            BenchProgram run(directory);
            run.analyse(category, Control::选择框_图集分类);
            run.window.moveSlider(threads);
            run.window.clearMessages();
            state.ResumeTiming();

            const auto started = std::chrono::steady_clock::now();
            run.window.click(Control::按钮_开始下载);
            if (!waitForDownloadThreads(std::chrono::minutes(5)))
                state.SkipWithError("the download did not end");
            runSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

            state.PauseTiming();
            auto messages = run.window.messages();
            if (messages.size() != 1 ||
                messages[0].text != "状态：图片下载完成\r\n\r\n原因：\r\n\r\n重试：0"_t)
                state.SkipWithError("the download did not complete");
        }
        files::removeTree(directory);
        seconds += runSeconds;
        state.ResumeTiming();
    }
    state.counters["images_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations() * totalImages), benchmark::Counter::kIsRate);
    return seconds / static_cast<double>(state.iterations());
}

// Arguments: threads, https (0 or 1), connections kept (0 or 1).
void downloadCategory(benchmark::State& state) {
    constexpr std::chrono::milliseconds imageLatency{300};
    const int threads = static_cast<int>(state.range(0));
    LocalGallery site(state.range(1) == 1, state.range(2) == 1, imageLatency);
    if (!site.running()) {
        state.SkipWithError("the local sites did not start");
        return;
    }
    resetPeakResident();

    const double seconds = measureDownloads(state, threads);

    const double bound =
        static_cast<double>(totalImages) / threads * std::chrono::duration<double>(imageLatency).count();
    state.counters["bound_s"] = bound;
    state.counters["ratio_to_bound"] = seconds / bound;
    state.counters["peak_rss_kb"] = static_cast<double>(peakResidentKb());
}
BENCHMARK(downloadCategory)
    ->ArgNames({"workers", "https", "reuse"})
    ->Args({10, 0, 1})
    ->Args({10, 0, 0})
    ->Args({10, 1, 1})
    ->Args({10, 1, 0})
    ->Args({30, 0, 1})
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Arguments: https (0 or 1), connections kept (0 or 1); 10 threads.
void downloadWithoutLatency(benchmark::State& state) {
    LocalGallery site(state.range(0) == 1, state.range(1) == 1, std::chrono::milliseconds(0));
    if (!site.running()) {
        state.SkipWithError("the local sites did not start");
        return;
    }
    measureDownloads(state, 10);
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
