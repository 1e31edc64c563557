// The download history as a long list download meets it: one album recorded after another into a
// history of 10,000, 100,000 and 1,000,000 addresses. The time of each recorded album (median; the
// first, which reads the file, apart) and the peak memory of the process while recording, against
// the size of the file.
#include "benchsupport.h"

#include "download/history.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace xiuyun;
using namespace xiuyun::bench;

namespace {

std::string albumAddress(long long number) {
    char address[64];
    std::snprintf(address, sizeof address, "http://www.gallery.test/item/%07lld.html", number);
    return address;
}

// The history of `records` album addresses, written a piece at a time so that making it costs the
// process no memory of that size.
bool writeHistory(const Text& path, long long records) {
    std::FILE* file = std::fopen(files::nativePath(path).c_str(), "wb");
    if (!file)
        return false;
    for (long long number = 1; number <= records; ++number) {
        const std::string record = (number > 1 ? "\r\n" : "") + albumAddress(number);
        std::fwrite(record.data(), 1, record.size(), file);
    }
    return std::fclose(file) == 0;
}

void recordAlbums(benchmark::State& state) {
    const long long records = state.range(0);
    const int albums = records >= 1000000 ? 11 : 21;
    const Text directory = freshDirectory();
    HeadlessWindow window;
    std::vector<double> times;
    double fileBytes = 0;
    long startKb = 0;
    for (auto _ : state) {
        Program program(window, directory);
        const Text history = program.dataFile("c_x.q"_t);
        if (!ensureDataDirectory(program) || !writeHistory(history, records)) {
            state.SkipWithError("the history could not be written");
            break;
        }
        fileBytes = static_cast<double>(files::fileSize(history));
        resetPeakResident();
        startKb = residentKb();
        for (int album = 1; album <= albums; ++album) {
            const Text address = Text::fromGbk(albumAddress(records + album));
            const auto started = std::chrono::steady_clock::now();
            const bool found = checkAndRecordHistory(program, address);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                    .count());
            if (found)
                state.SkipWithError("a new address was found in the history");
        }
        if (!checkAndRecordHistory(program, Text::fromGbk(albumAddress(records / 2))))
            state.SkipWithError("a recorded address was not found");
    }
    const long peakKb = peakResidentKb();
    files::removeTree(directory);
    if (times.empty())
        return;
    const double first = times.front();
    std::vector<double> later(times.begin() + 1, times.end());
    std::nth_element(later.begin(), later.begin() + static_cast<long>(later.size() / 2), later.end());
    state.counters["ms_per_album"] = later[later.size() / 2];
    state.counters["first_album_ms"] = first;
    state.counters["file_mb"] = fileBytes / 1e6;
    state.counters["peak_rss_mb"] = static_cast<double>(peakKb) / 1024;
    state.counters["growth_mb"] = static_cast<double>(peakKb - startKb) / 1024;
}
BENCHMARK(recordAlbums)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
