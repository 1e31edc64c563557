// The failed-image check of an album folder of 10,000 whole images of about 14 KB, as the
// scheduler runs it after each batch: the first check of an album (one listing, every file's head
// and tail read and judged), the nine after it (a file judged whole is not read again while it
// stays unchanged), the check as it was (a walk per extension, every file read every time), and
// the walk judging sizes alone.
#include "benchsupport.h"

#include "download/failedimages.h"
#include "net/decoding.h"
#include "testsite/gallery.h"

#include <benchmark/benchmark.h>

using namespace xiuyun;
using namespace xiuyun::bench;

namespace {

constexpr int imageCount = 10000;

class AlbumFolder {
public:
    AlbumFolder() : directory(freshDirectory()), folder(directory + "\\album"_t) {
        const gallery::Gallery site{std::string(SITE_ROOT)};
        const int album = site.albumsOn("/t/xinggan/", 1).front().id;
        const std::string image = site.image(album, 1, gallery::Gallery::ImageSize::Whole);
        ensureFolder(folder);
        for (int number = 1; number <= imageCount; ++number)
            files::writeFile(folder + "\\"_t + Text::number(number) + ".png"_t, image);
    }
    ~AlbumFolder() { files::removeTree(directory); }

    Text directory;
    Text folder;
};

AlbumFolder& albumFolder() {
    static AlbumFolder made;
    return made;
}

void scanWholeImages(benchmark::State& state) {
    HeadlessWindow window;
    WholeImages wholeImages;
    for (auto _ : state) {
        if (scanFailedImages(window, wholeImages, albumFolder().folder))
            state.SkipWithError("a whole image counted as failed");
    }
    state.counters["files_per_second"] =
        benchmark::Counter(imageCount, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(scanWholeImages)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

const std::vector<Text> imageExtensions{"jpg"_t, "png"_t, "gif"_t};

void scanFirstCheck(benchmark::State& state) {
    HeadlessWindow window;
    int failed = 0;
    for (auto _ : state) {
        Text folder = albumFolder().folder;
        walkFiles(window, folder, imageExtensions, Recurse::Yes,
                  [&failed](const Text&, const Text& path) { failed += isFailedImageFile(path); });
    }
    if (failed)
        state.SkipWithError("a whole image counted as failed");
    state.counters["files_per_second"] =
        benchmark::Counter(imageCount, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(scanFirstCheck)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void scanAsBefore(benchmark::State& state) {
    HeadlessWindow window;
    int failed = 0;
    for (auto _ : state) {
        for (const char* extension : {"jpg", "png", "gif"}) {
            Text folder = albumFolder().folder;
            walkFiles(window, folder, Text::fromGbk(extension), Recurse::Yes,
                      [&failed](const Text&, const Text& path) { failed += isFailedImageFile(path); });
        }
    }
    if (failed)
        state.SkipWithError("a whole image counted as failed");
    state.counters["files_per_second"] =
        benchmark::Counter(imageCount, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(scanAsBefore)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void scanSizesOnly(benchmark::State& state) {
    HeadlessWindow window;
    int small = 0;
    for (auto _ : state) {
        for (const char* extension : {"jpg", "png", "gif"}) {
            Text folder = albumFolder().folder;
            walkFiles(
                window, folder, Text::fromGbk(extension), Recurse::Yes,
                [&small](const Text&, const Text& path) { small += fileSizeKb(path) <= failedImageKb; });
        }
    }
    benchmark::DoNotOptimize(small);
    state.counters["files_per_second"] =
        benchmark::Counter(imageCount, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(scanSizesOnly)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
