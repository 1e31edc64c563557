// How far a download has come, as typed figures: the images saved and failed, each image file
// counted once however often a check fetches it again; the share of the job done, which never goes
// back within a run; the speed over the last ten seconds, the time left, and what the job waits for.
// The engine tells it what happens, from any thread; the window and the command line show it.
#pragma once

#include "text/text.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace xiuyun {

using SteadyNow = std::function<std::chrono::steady_clock::time_point()>;

enum class ImageOutcome { Saved, Failed };
enum class JobStage { None, Running, Finished, Stopped };

struct ProgressFigures {
    JobStage stage = JobStage::None;
    double fraction = 0; // 0 … 1
    long long saved = 0;
    long long failed = 0;
    // Over the last speedWindow: images counted for the first time, and every byte received
    // (a check's second fetch of an image costs bytes but is no new image).
    double imagesPerSecond = 0;
    double bytesPerSecond = 0;
    // Once timeLeftFrom of the job is done and it moved within the window; the text rounds it.
    std::optional<std::chrono::milliseconds> timeLeft{};
    // The longest wait the site asked for that still runs.
    std::optional<std::chrono::seconds> siteWait{};
    bool checking = false; // an album's check is under way
    // Counts every change but the clock's: a text shown in place of the figures lasts until it moves.
    std::uint64_t changes = 0;
};

class JobProgress {
public:
    static constexpr std::chrono::seconds speedWindow{10};
    static constexpr double timeLeftFrom = 0.05;

    explicit JobProgress(SteadyNow now = [] { return std::chrono::steady_clock::now(); });
    JobProgress(const JobProgress&) = delete;
    JobProgress& operator=(const JobProgress&) = delete;

    // The clock is replaced before any thread uses the figures.
    void setClock(SteadyNow now) { m_now = std::move(now); }
    std::chrono::steady_clock::time_point now() const { return m_now(); }

    // A new run over `pages` list pages (1 for a single album); every figure starts again.
    void start(int pages);
    // The album count of the next list page: the pages not read yet count with the average of
    // those read.
    void pageRead(int albums);
    // The album of `folder` is downloaded, `images` rows; the same folder again is a check's
    // second pass over it and changes nothing.
    void albumStarted(const Text& folder, int images);
    void albumFinished();
    // Row `row` (from 0) of the album of `folder` has ended with `bytes` received for it. A row
    // ended before counts once, with its latest outcome.
    void imageFinished(const Text& folder, int row, ImageOutcome outcome, long long bytes);
    void checkStarted();
    // Row `row` waits `wait` for the site, or no longer.
    void siteBusy(int row, std::chrono::seconds wait);
    void siteFree(int row);
    // The run has ended: Finished fills the bar, Stopped leaves it where it stands.
    void finish(JobStage stage);
    void clear();

    ProgressFigures figures() const;

private:
    struct Sample {
        std::chrono::steady_clock::time_point at;
        long long images;
        long long bytes;
        double fraction;
    };
    enum class Row : unsigned char { Open, Saved, Failed };

    // Under m_mutex.
    void changedLocked();
    void resetLocked();
    void foldAlbumLocked();
    double rawFractionLocked() const;

    SteadyNow m_now;
    mutable std::mutex m_mutex;
    JobStage m_stage = JobStage::None;
    int m_pages = 0;
    int m_pagesRead = 0;
    long long m_albumsRead = 0;
    long long m_albumsDone = 0;
    // The albums before the current one, and the current one by row.
    long long m_savedBefore = 0;
    long long m_failedBefore = 0;
    std::string m_albumFolder;
    std::vector<Row> m_rows;
    long long m_rowsSaved = 0;
    long long m_rowsFailed = 0;
    long long m_bytes = 0;
    double m_fraction = 0; // as shown: the most the raw fraction has been within the run
    bool m_checking = false;
    std::map<int, std::chrono::steady_clock::time_point> m_busyUntil;
    // The oldest is the value at the window's start, or before it when nothing moved since.
    std::deque<Sample> m_samples;
    std::uint64_t m_changes = 0;
};

} // namespace xiuyun
