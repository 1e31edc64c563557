// A full analysis of a category of 50 list pages of 40 albums each, served by the sample gallery
// on loopback: list pages per second, and the peak memory of the process. Then the peak memory of
// the whole program (the local site in it) analysing the largest first list page the cap allows,
// and a gzip bomb of 2 GB from 2 MB: each run in a process of its own, so that no figure carries
// another's.
#include "benchsupport.h"

#include "net/decoding.h"
#include "net/httpclient.h"
#include "testsite/gallery.h"
#include "testsite/gzip.h"
#include "testsite/testsite.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <string_view>

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

constexpr std::string_view pageOption = "--analyse-page=";
constexpr long long bombBytes = 2LL << 30;

// The first list page at the cap: the sample's page with a comment in its album block, text of
// the site's kind (Chinese and ASCII), so that the block cut out of the page is the page again.
std::string largestListPage() {
    const gallery::Gallery gallery(std::string(SITE_ROOT), {});
    std::string page = gallery.listPage(category, 1);
    const std::size_t at = page.find("<ul class=\"img\">") + 16;
    std::string comment = "<!--";
    const std::string words = "\xE7\xBE\x8E\xE5\x9B\xBE\xE5\x86\x99\xE7\x9C\x9F gallery ";
    const std::size_t size = static_cast<std::size_t>(MAX_PAGE_BYTES) - page.size() - 3;
    while (comment.size() + words.size() <= size)
        comment += words;
    comment.append(size - comment.size(), 'x');
    page.insert(at, comment + "-->");
    return page;
}

// In the process of its own: serves the body in the file as the first list page, sent as it is,
// and analyses it; then writes its peak resident memory in KiB beside the file (the process's
// own high-water mark: a child's ru_maxrss keeps that of the parent it was spawned from). Exit
// code 0 when the analysis completed, 3 when it failed, else 2.
int analyseStoredPage(const std::string& file) {
    const std::optional<ByteArray> body = files::readFile(files::fromNativePath(file));
    testing::TestSite site;
    if (!body || !site.start())
        return 2;
    testing::Page page = testing::Page::bytes(*body, "text/html; charset=utf-8");
    page.compressed = false;
    if (body->starts_with("\x1F\x8B"))
        page.headers = {{"Content-Encoding", "gzip"}};
    site.setPage(category, std::move(page));
    const Text directory = freshDirectory();
    int outcome = 2;
    {
        BenchProgram run(directory, [&site](NetworkContext& network) {
            network.routeHostToLoopback(std::string(SITE_HOST), site.port());
        });
        run.analyse(category, Control::选择框_图集分类);
        if (run.window.rowCount() > 0)
            outcome = 0;
        else if (!run.window.messages().empty())
            outcome = 3;
    }
    files::removeTree(directory);
    const std::string peak = std::to_string(peakResidentKb());
    return files::writeFile(files::fromNativePath(file + ".peak"), peak) ? outcome : 2;
}

// Analyses the page in a new process of this program; its peak resident memory in KiB, or -1
// when the analysis did not end as `expected` (0 or 3).
long analysedPeakKb(const std::string& file, int expected) {
    std::string self = "/proc/self/exe";
    std::string option = std::string(pageOption) + file;
    char* arguments[] = {self.data(), option.data(), nullptr};
    pid_t child = 0;
    if (::posix_spawn(&child, self.c_str(), nullptr, nullptr, arguments, environ) != 0)
        return -1;
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != expected)
        return -1;
    const std::optional<ByteArray> peak = files::readFile(files::fromNativePath(file + ".peak"));
    return peak ? std::atol(peak->c_str()) : -1;
}

// range(0): 0 the largest page the cap allows (sent as gzip, which the analysis decodes), 1 the
// gzip bomb.
void analysisPeakMemory(benchmark::State& state) {
    const bool bomb = state.range(0) == 1;
    const Text directory = freshDirectory();
    const Text file = directory + "\\page"_t;
    if (!files::writeFile(file,
                          bomb ? testing::gzipBomb(bombBytes) : testing::gzipCompress(largestListPage()))) {
        state.SkipWithError("the page could not be written");
        return;
    }
    state.counters["wire_mb"] = static_cast<double>(files::fileSize(file)) / (1 << 20);
    long peakKb = 0;
    for (auto _ : state) {
        peakKb = analysedPeakKb(files::nativePath(file), bomb ? 3 : 0);
        if (peakKb < 0)
            state.SkipWithError("the analysis did not end as it should");
    }
    files::removeTree(directory);
    state.counters["peak_rss_mb"] = static_cast<double>(peakKb) / 1024;
}
BENCHMARK(analysisPeakMemory)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with(pageOption))
            return analyseStoredPage(std::string(argument.substr(pageOption.size())));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
