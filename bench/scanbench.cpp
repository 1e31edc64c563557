// The failed-image check of an album folder of 10,000 whole images of about 14 KB, as the
// scheduler runs it after each batch: the first check of an album (one listing, every file read
// as far as its picture goes and judged), the nine after it (a file judged whole is not read again
// while it stays unchanged), the check as it was (a walk per extension, every file read every
// time), and the walk judging sizes alone; then the first and a later check of a folder of 100
// photos of 2 MB, the files in the page cache and out of it, each against one plain read of every
// file's bytes.
#include "benchsupport.h"

#include "download/failedimages.h"
#include "net/decoding.h"
#include "testsite/gallery.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <random>
#include <unistd.h>

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

const std::vector<Text>& imageExtensions() {
    static const std::vector<Text> extensions{"jpg"_t, "png"_t, "gif"_t};
    return extensions;
}

AlbumFolder& albumFolder() {
    static AlbumFolder made;
    return made;
}

constexpr int photoCount = 100;
constexpr std::size_t photoBytes = 2 * 1024 * 1024;

// A photo as a camera writes it, for the cost of its walk: the segments of a baseline JPEG and a
// scan of random entropy-coded data (each FF stuffed, a restart marker every 4 KiB).
std::string cameraPhoto(unsigned seed) {
    std::string photo("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
    photo += std::string("\xFF\xDB\x00\x43\x00", 5) + std::string(64, '\x10');
    photo += std::string("\xFF\xC0\x00\x0B\x08\x0F\xA0\x0B\xB8\x01\x01\x11\x00", 13);
    photo += std::string("\xFF\xDD\x00\x04\x00\x40", 6);
    photo += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    std::mt19937 random(seed);
    int restart = 0;
    while (photo.size() < photoBytes) {
        const auto byte = static_cast<char>(random() & 0xFF);
        photo += byte;
        if (byte == '\xFF')
            photo += '\0';
        if (photo.size() % 4096 == 0)
            photo += std::string{'\xFF', static_cast<char>(0xD0 + restart++ % 8)};
    }
    return photo + "\xFF\xD9";
}

class PhotoFolder {
public:
    PhotoFolder() : directory(freshDirectory()), folder(directory + "\\photos"_t) {
        ensureFolder(folder);
        for (int number = 1; number <= photoCount; ++number)
            files::writeFile(folder + "\\"_t + Text::number(number) + ".jpg"_t,
                             cameraPhoto(static_cast<unsigned>(number)));
    }
    ~PhotoFolder() { files::removeTree(directory); }

    Text directory;
    Text folder;
};

PhotoFolder& photoFolder() {
    static PhotoFolder made;
    return made;
}

enum class Cache { Warm, Cold };

// With Cache::Cold the photos are put out of the page cache before an iteration, so that every
// byte comes from the disk, as in a folder written long ago.
void evictPhotos(benchmark::State& state, Cache cache) {
    if (cache == Cache::Warm)
        return;
    state.PauseTiming();
    for (int number = 1; number <= photoCount; ++number) {
        const auto path = files::nativePath(photoFolder().folder + "\\"_t + Text::number(number) + ".jpg"_t);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
    state.ResumeTiming();
}

// Every file of the folder read once, its bytes looked at by nothing: what a check can't go below.
void readEveryFile(benchmark::State& state, const Text& folder, int count, Cache cache = Cache::Warm) {
    HeadlessWindow window;
    long long bytes = 0;
    for (auto _ : state) {
        evictPhotos(state, cache);
        Text walked = folder;
        walkFiles(window, walked, imageExtensions(), Recurse::Yes, [&bytes](const Text&, const Text& path) {
            files::readFileInPieces(path, [&bytes](std::string_view piece) {
                bytes += static_cast<long long>(piece.size());
                return true;
            });
        });
    }
    benchmark::DoNotOptimize(bytes);
    state.counters["files_per_second"] =
        benchmark::Counter(count, benchmark::Counter::kIsIterationInvariantRate);
}

void scanWholeImages(benchmark::State& state) {
    HeadlessWindow window;
    WholeImages wholeImages;
    scanFailedImages(window, wholeImages, albumFolder().folder);
    for (auto _ : state) {
        if (scanFailedImages(window, wholeImages, albumFolder().folder))
            state.SkipWithError("a whole image counted as failed");
    }
    state.counters["files_per_second"] =
        benchmark::Counter(imageCount, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(scanWholeImages)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void scanFirstCheck(benchmark::State& state) {
    HeadlessWindow window;
    int failed = 0;
    for (auto _ : state) {
        Text folder = albumFolder().folder;
        walkFiles(window, folder, imageExtensions(), Recurse::Yes,
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

void readAlbumFolder(benchmark::State& state) {
    readEveryFile(state, albumFolder().folder, imageCount);
}
BENCHMARK(readAlbumFolder)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void scanPhotosFirstCheck(benchmark::State& state) {
    HeadlessWindow window;
    photoFolder();
    for (auto _ : state) {
        evictPhotos(state, static_cast<Cache>(state.range(0)));
        WholeImages wholeImages;
        if (scanFailedImages(window, wholeImages, photoFolder().folder))
            state.SkipWithError("a whole photo counted as failed");
    }
    state.counters["files_per_second"] =
        benchmark::Counter(photoCount, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["bytes_per_second"] = benchmark::Counter(static_cast<double>(photoCount) * photoBytes,
                                                            benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(scanPhotosFirstCheck)
    ->ArgName("cold")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void readPhotoFolder(benchmark::State& state) {
    photoFolder();
    readEveryFile(state, photoFolder().folder, photoCount, static_cast<Cache>(state.range(0)));
    state.counters["bytes_per_second"] = benchmark::Counter(static_cast<double>(photoCount) * photoBytes,
                                                            benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(readPhotoFolder)
    ->ArgName("cold")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void scanPhotosLaterCheck(benchmark::State& state) {
    HeadlessWindow window;
    WholeImages wholeImages;
    scanFailedImages(window, wholeImages, photoFolder().folder);
    for (auto _ : state) {
        if (scanFailedImages(window, wholeImages, photoFolder().folder))
            state.SkipWithError("a whole photo counted as failed");
    }
}
BENCHMARK(scanPhotosLaterCheck)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
