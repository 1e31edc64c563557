// The program-wide values, held in one object handed to every handler.
#pragma once

#include "net/networkcontext.h"
#include "os/filelock.h"
#include "os/threads.h"
#include "program/downloadpolicy.h"
#include "program/engine.h"
#include "program/imagerows.h"
#include "program/jobprogress.h"
#include "program/messages.h"
#include "program/state.h"
#include "text/text.h"
#include "window/window.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace xiuyun {

enum class CrawlMode { Analyse = 0, NextPage = 1 };

struct Program;
class Download;

// What the window shows of the progress now (program/progressview.h), kept so that only a change
// is written, and a text shown in place of the figures.
struct ShownProgress {
    std::mutex mutex;
    std::optional<std::chrono::steady_clock::time_point> at;
    ProgressValue bar;
    Text text;
    std::optional<Text> status;
    std::uint64_t statusAt = 0; // the figures' change count when the status was shown
};
class HistoryRecords;

// Where the analyse command hands its work: the list-page crawler and the album reader.
struct AnalysisRoutes {
    std::function<void(Program&, const Text& address, const Text& folder, const Text& pageName, CrawlMode)>
        crawlListPage;
    std::function<void(Program&, const Text& address, const Text& folder, const Text& pageName)> analyseAlbum;
};

// The list of failed images a download wrote into its target folder, and how many it names.
struct FailureReport {
    Text path;
    long long count = 0;
};

struct Program {
    Program(Window& window, Text programDirectory);

    Window& window;
    Text programDir; // no trailing separator
    Text dataDir() const;
    // programDir + "\vrd\" + name
    Text dataFile(const Text& name) const;

    // Written on the window's thread, and by a download on its own as it moves through the list;
    // what the window shows of it is changed under analysisMutex (program/presenter.h), so another
    // thread may read a copy.
    Analysis analysis;
    mutable std::mutex analysisMutex;
    AlbumQueue albums;
    // The progress of the download under way, or of the last one until a reset; its rows tell
    // it of the site's waits.
    JobProgress progress;
    ShownProgress shownProgress;
    ImageRows rows{window, &progress};

    // Written on the window's thread and by the end of a download on its own.
    std::atomic<Phase> phase = Phase::Idle;
    // A start refused because the history knows the address makes the next start a forced one,
    // "2 强制下载", which does not ask the history.
    bool forceNextStart = false;
    CleanUpChoice cleanUpChoice = CleanUpChoice::CancelledImages;

    // Download state. The download under way owns its run: its scheduler thread, its stop
    // request, its workers, its folder and its retries. schedulerThread is empty once it has
    // ended or was stopped; lastDownload stays until the next start or a reset, for the images
    // of a cancelled download. Both are read and written under downloadLock.
    Lock downloadLock;
    std::shared_ptr<Download> schedulerThread;
    std::shared_ptr<const Download> lastDownload;
    // The report of the images the last download could not fetch, when it wrote one.
    std::optional<FailureReport> failureReport;
    // The number of images a download fetches at once, as the slider last set it; a download
    // takes it anew for every batch.
    std::atomic<int> threadCount = sliderInitial;
    // Every message posted (program/messages.h): what failed, and how the last download ended.
    MessageLog messages;

    // What each download started from now on takes as its policy.
    DownloadPolicy downloadPolicy;
    // The download history as last read or written (download/historyrecords.h), made at its
    // first use.
    std::shared_ptr<HistoryRecords> historyRecords;

    AnalysisRoutes routes;

    // Every request of the analysis and of the downloads goes through it.
    NetworkContext network;
    // The threads of the downloads and what they share beyond the program (program/engine.h).
    const std::shared_ptr<Engine> engine = std::make_shared<Engine>();

    // The lock of the data folder, held from an analysis until the download that follows it has
    // ended or the analysis is reset: another copy of the program on the same program directory
    // must not replace the cache this one works from, nor start a download from it meanwhile.
    std::optional<files::FileLock> workLock;
    std::mutex workLockMutex; // the lock is taken on the window's thread, given back on others
};

// Makes sure the data directory exists; true when it does afterwards.
bool ensureDataDirectory(Program& program);

// True when this program holds the data folder's lock, already or from now on; false while
// another copy of the program holds it.
bool holdWorkLock(Program& program);
void releaseWorkLock(Program& program);

} // namespace xiuyun
