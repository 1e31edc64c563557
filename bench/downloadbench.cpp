// Downloads from the sample gallery on loopback through the real engine behind the headless window:
// a category of 2 list pages of 5 albums of 20 images (200 images). Pages come over http, images
// over http or https from a site of their own, with connections kept for the next request or not.
//  - downloadCategory: every image answer delayed by 300 ms; seconds against the bound
//    images / threads × latency, and the peak memory of the process.
//  - downloadWithoutLatency: images per second at 10 threads with no added latency.
//  - connectionsPerDownload: connections the image site saw for a category of 2,000 images
//    (2 list pages of 10 albums of 100) without added latency, at 10 and 30 threads, with the
//    shared cache holding libcurl's own 5 connections or the client's KEPT_CONNECTIONS.
#include "benchsupport.h"

#include "download/download.h"
#include "net/httpclient.h"
#include "net/networkcontext.h"
#include "testsite/gallery.h"
#include "testsite/testsite.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace xiuyun;
using namespace xiuyun::bench;

namespace {

const std::string category = "/t/xinggan/";
const std::string host(SITE_HOST);

struct Shape {
    int listPages;
    int albumsPerPage;
    int imagesPerAlbum;
    int images() const { return listPages * albumsPerPage * imagesPerAlbum; }
};
constexpr Shape smallCategory{2, 5, 20};
constexpr Shape largeCategory{2, 10, 100};

// The gallery on loopback, routed from the site's host: one site answers pages and images over
// http; with https the images come from a second site of their own. Images answer after
// `imageLatency`. It routes the site's host, and sets connection reuse and the connections kept, in
// the network of each program that downloads from it.
class LocalGallery {
public:
    // Without `keepAlive` the sites keep a connection as the test site does: 100 requests, 1 s idle.
    struct KeepAlive {
        int requestsPerConnection;
        std::chrono::seconds idle;
    };
    LocalGallery(Shape shape, bool https, bool reuse, std::chrono::milliseconds imageLatency,
                 std::optional<KeepAlive> keepAlive = std::nullopt)
        : m_gallery(std::string(SITE_ROOT), {.pagesPerList = shape.listPages,
                                             .albumsPerPage = shape.albumsPerPage,
                                             .imagesPerAlbum = shape.imagesPerAlbum,
                                             .imageRoot = https ? "https://" + host + "/" : std::string()}) {
        auto answer = [this, imageLatency](const std::string& path) {
            return testing::galleryPage(m_gallery, path, imageLatency);
        };
        if (keepAlive)
            m_pages.setKeepAlive(keepAlive->requestsPerConnection, keepAlive->idle);
        if (!m_pages.start())
            return;
        m_pages.setRecording(false);
        m_pages.setFallback(answer);
        if (https) {
            m_images = std::make_unique<testing::TestSite>(testing::TestSite::Transport::Tls);
            if (keepAlive)
                m_images->setKeepAlive(keepAlive->requestsPerConnection, keepAlive->idle);
            if (!m_images->start())
                return;
            m_images->setRecording(false);
            m_images->setFallback(answer);
            m_routes = {{host + ":80", m_pages.port()}, {host + ":443", m_images->port()}};
        } else {
            m_routes = {{host, m_pages.port()}};
        }
        m_reuse = reuse;
        m_running = true;
    }
    LocalGallery(const LocalGallery&) = delete;
    LocalGallery& operator=(const LocalGallery&) = delete;

    bool running() const { return m_running; }
    testing::TestSite& imageSite() { return m_images ? *m_images : m_pages; }
    void setKeptConnections(int count) { m_kept = count; }

    void routeInto(NetworkContext& network) const {
        for (const auto& [from, port] : m_routes)
            network.routeHostToLoopback(from, port);
        network.setConnectionReuse(m_reuse);
        network.setKeptConnections(m_kept);
    }

private:
    std::vector<std::pair<std::string, int>> m_routes;
    bool m_reuse = true;
    int m_kept = KEPT_CONNECTIONS;
    gallery::Gallery m_gallery;
    testing::TestSite m_pages;
    std::unique_ptr<testing::TestSite> m_images;
    bool m_running = false;
};

// Analyses the category, then times its download at `threads`; answers the mean seconds of a run.
// `afterRun` is called after each run, outside the timing.
double measureDownloads(benchmark::State& state, const LocalGallery& site, int threads,
                        Shape shape = smallCategory, const std::function<void()>& afterRun = {}) {
    double seconds = 0;
    // Kept for the library, which holds on to the text of an error.
    static std::string failure;
    for (auto _ : state) {
        state.PauseTiming();
        const Text directory = freshDirectory();
        double runSeconds = 0;
        failure.clear();
        {
            BenchProgram run(directory, [&site](NetworkContext& network) { site.routeInto(network); });
            run.analyse(category, Control::选择框_图集分类);
            run.window.moveSlider(threads);
            run.window.clearMessages();
            state.ResumeTiming();

            const auto started = std::chrono::steady_clock::now();
            run.window.click(Control::按钮_开始下载);
            const bool ended = waitForDownloadThreads(run.program, std::chrono::minutes(5));
            runSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

            state.PauseTiming();
            auto messages = run.window.messages();
            if (!ended)
                failure = "the download did not end";
            else if (messages.size() != 1 ||
                     messages[0].text != "状态：图片下载完成\r\n\r\n原因：\r\n\r\n重试：0"_t)
                failure = "the download did not complete: " +
                          (messages.empty() ? std::string("no message") : messages.back().text.toUtf8());
        }
        files::removeTree(directory);
        if (!failure.empty()) {
            state.SkipWithError(failure.c_str());
            break;
        }
        if (afterRun)
            afterRun();
        seconds += runSeconds;
        state.ResumeTiming();
    }
    state.counters["images_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations() * shape.images()), benchmark::Counter::kIsRate);
    return seconds / static_cast<double>(state.iterations());
}

// Arguments: threads, https (0 or 1), connections kept (0 or 1).
void downloadCategory(benchmark::State& state) {
    constexpr std::chrono::milliseconds imageLatency{300};
    const int threads = static_cast<int>(state.range(0));
    LocalGallery site(smallCategory, state.range(1) == 1, state.range(2) == 1, imageLatency);
    if (!site.running()) {
        state.SkipWithError("the local sites did not start");
        return;
    }
    resetPeakResident();

    const double seconds = measureDownloads(state, site, threads);

    const double bound = static_cast<double>(smallCategory.images()) / threads *
                         std::chrono::duration<double>(imageLatency).count();
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
    LocalGallery site(smallCategory, state.range(0) == 1, state.range(1) == 1, std::chrono::milliseconds(0));
    if (!site.running()) {
        state.SkipWithError("the local sites did not start");
        return;
    }
    measureDownloads(state, site, 10);
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

// Arguments: threads, https (0 or 1), connections the shared cache holds (5 or KEPT_CONNECTIONS).
void connectionsPerDownload(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    // The test site's own limits would decide instead of the client: a connection closed after 100
    // requests needs 20 new ones for 2,000 images, and one idle for a second between two albums
    // is gone. Web servers keep one for 1,000 requests (nginx) and 5 s idle (Apache) by default.
    LocalGallery site(largeCategory, state.range(1) == 1, true, std::chrono::milliseconds(0),
                      LocalGallery::KeepAlive{1000, std::chrono::seconds(5)});
    if (!site.running()) {
        state.SkipWithError("the local sites did not start");
        return;
    }
    site.setKeptConnections(static_cast<int>(state.range(2)));
    testing::TestSite& images = site.imageSite();
    images.setRecording(true);
    double connections = 0;
    measureDownloads(state, site, threads, largeCategory, [&] {
        // A connection is the client's port; the pages of the http site may share them.
        std::set<int> ports;
        for (const testing::RecordedRequest& request : images.requests()) {
            if (request.path.rfind("/img/", 0) == 0)
                ports.insert(request.clientPort);
        }
        connections += static_cast<double>(ports.size());
        images.clearRequests();
    });
    state.counters["connections"] = connections / static_cast<double>(state.iterations());
}
BENCHMARK(connectionsPerDownload)
    ->ArgNames({"workers", "https", "kept"})
    ->Args({10, 0, 5})
    ->Args({10, 0, KEPT_CONNECTIONS})
    ->Args({30, 0, 5})
    ->Args({30, 0, KEPT_CONNECTIONS})
    ->Args({10, 1, 5})
    ->Args({10, 1, KEPT_CONNECTIONS})
    ->Args({30, 1, 5})
    ->Args({30, 1, KEPT_CONNECTIONS})
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
