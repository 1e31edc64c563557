// The program-wide values, held in one object handed to every handler.
#pragma once

#include "platform/filelock.h"
#include "platform/threads.h"
#include "platform/window.h"
#include "text/text.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace xiuyun {

inline constexpr int PAGE_NONE = 0;
inline constexpr int PAGE_CATEGORY = 1;
inline constexpr int PAGE_REGION = 2;
inline constexpr int PAGE_SEARCH = 3;
inline constexpr int PAGE_FEATURED = 4;
inline constexpr int PAGE_ALBUM = 5;
inline constexpr int PAGE_AGENCY = 6;

// The page types analysed by the list-page crawler (all but PAGE_NONE and PAGE_ALBUM).
inline bool isListPageType(int pageType) {
    return pageType == PAGE_CATEGORY || pageType == PAGE_REGION || pageType == PAGE_SEARCH ||
           pageType == PAGE_FEATURED || pageType == PAGE_AGENCY;
}

enum class CrawlMode { Analyse = 0, NextPage = 1 };

struct Program;
class Download;
class HistoryRecords;

// Where the analyse command hands its work: the list-page crawler and the album reader.
struct AnalysisRoutes {
    std::function<void(Program&, const Text& address, const Text& folder, const Text& pageName, CrawlMode)>
        crawlListPage;
    std::function<void(Program&, const Text& address, const Text& folder, const Text& pageName)> analyseAlbum;
};

struct Program {
    Program(Window& window, Text programDirectory);

    Window& window;
    Text programDir; // no trailing separator
    Text dataDir() const;
    // programDir + "\vrd\" + name
    Text dataFile(const Text& name) const;

    int pageType = PAGE_NONE;
    int singlePageList = 0;
    Text analysedUrl;

    // The analysis result: pageNumbers "1" … N, and five parallel album lists whose entry k
    // describes the same album.
    std::vector<Text> pageNumbers;
    std::vector<Text> albumTitles;
    std::vector<int> albumImageCounts;
    std::vector<int> albumNumbers;
    std::vector<Text> albumCovers;
    std::vector<Text> albumLinks;

    // The folder the images of the current download go to (absolute): the album folder of a
    // single album, the folder of the list page being downloaded for the list types.
    Text imageRootFolder;

    // Download state. The download under way owns its scheduler thread, its stop request and its
    // count of running workers; schedulerThread is empty once it has ended or was stopped, and is
    // read and written under downloadLock.
    Lock downloadLock;
    std::shared_ptr<Download> schedulerThread;
    std::atomic<int> threadLimit = 0;
    std::atomic<int> retryCount = 0;
    std::atomic<int> smallImageFound = 0;
    // The command line's --skip-existing: an image already on disk above 10 KB is not asked for
    // again. The window never sets it.
    bool skipExistingImages = false;

    // The download history as last read or written (download/historyrecords.h), made at its
    // first use.
    std::shared_ptr<HistoryRecords> historyRecords;

    AnalysisRoutes routes;

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
// The reason and the way out shown when another copy holds the lock, after "状态：" and what failed.
Text workLockRefusal();

} // namespace xiuyun
