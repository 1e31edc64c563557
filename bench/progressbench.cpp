// The progress a download shows against what happens: a category of 3 list pages of 4 albums of
// 25 images (300 images) whose image bodies the local site paces, so that the download moves at a
// steady rate. Once 10 %, 50 % and 90 % of the job is done, the time left it shows is set against
// the time the rest of the job then took; at the end, the saved count against the image files on
// disk.
#include "benchsupport.h"

#include "download/download.h"
#include "download/failedimages.h"
#include "testsite/gallery.h"
#include "testsite/testsite.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

using namespace xiuyun;
using namespace xiuyun::bench;

namespace {

const std::string category = "/t/xinggan/";
constexpr std::array<double, 3> marks{0.10, 0.50, 0.90};

int imageFilesBelow(const Text& folder) {
    int count = 0;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(files::nativePath(folder), error)) {
        const auto extension = entry.path().extension();
        if (entry.is_regular_file() && (extension == ".png" || extension == ".jpg") &&
            !isFailedImageFile(files::fromNativePath(entry.path().native())))
            ++count;
    }
    return count;
}

// Arguments: threads; each image body goes out in 5 parts 40 ms apart.
void timeLeftAtASteadyRate(benchmark::State& state) {
    const gallery::Gallery gallery(std::string(SITE_ROOT),
                                   {.pagesPerList = 3, .albumsPerPage = 4, .imagesPerAlbum = 25});
    testing::TestSite site;
    if (!site.start()) {
        state.SkipWithError("the local site did not start");
        return;
    }
    site.setRecording(false);
    site.setFallback([&gallery](const std::string& path) {
        auto page = testing::galleryPage(gallery, path);
        if (page && path.rfind("/img/", 0) == 0) {
            page->pieces = 5;
            page->pause = std::chrono::milliseconds(40);
        }
        return page;
    });
    for (auto _ : state) {
        const Text directory = freshDirectory();
        {
            BenchProgram run(directory, [&site](NetworkContext& network) {
                network.routeHostToLoopback(std::string(SITE_HOST), site.port());
            });
            run.analyse(category, Control::选择框_图集分类);
            run.window.moveSlider(static_cast<int>(state.range(0)));
            run.window.clearMessages();

            using Clock = std::chrono::steady_clock;
            std::array<std::optional<double>, marks.size()> shownLeft;
            std::array<Clock::time_point, marks.size()> reachedAt{};
            const auto started = Clock::now();
            run.window.click(Control::按钮_开始下载);
            while (!waitForDownloadThreads(run.program, std::chrono::milliseconds(20))) {
                const ProgressFigures figures = run.program.progress.figures();
                for (std::size_t k = 0; k < marks.size(); ++k) {
                    if (!shownLeft[k] && figures.fraction >= marks[k] && figures.timeLeft) {
                        shownLeft[k] = std::chrono::duration<double>(*figures.timeLeft).count();
                        reachedAt[k] = Clock::now();
                    }
                }
            }
            const auto ended = Clock::now();
            const ProgressFigures figures = run.program.progress.figures();
            state.counters["seconds"] = std::chrono::duration<double>(ended - started).count();
            for (std::size_t k = 0; k < marks.size(); ++k) {
                const double trueLeft = std::chrono::duration<double>(ended - reachedAt[k]).count();
                const std::string name = "error_at_" + std::to_string(static_cast<int>(marks[k] * 100));
                // In per cent of the true remainder; 999 where no time left was shown.
                state.counters[name] = shownLeft[k] ? (*shownLeft[k] - trueLeft) / trueLeft * 100 : 999;
            }
            state.counters["saved"] = static_cast<double>(figures.saved);
            state.counters["failed"] = static_cast<double>(figures.failed);
            state.counters["files_on_disk"] = imageFilesBelow(directory);
        }
        files::removeTree(directory);
    }
}
BENCHMARK(timeLeftAtASteadyRate)
    ->ArgNames({"threads"})
    ->Arg(3)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
