#include "download/scheduler.h"

#include "download/failedimages.h"
#include "download/history.h"
#include "download/imageworker.h"
#include "download/progressnotes.h"
#include "net/httpclient.h"
#include "os/files.h"
#include "program/imagerows.h"
#include "program/messages.h"
#include "program/presenter.h"
#include "text/textutils.h"
#include "window/controls.h"

#include <memory>
#include <mutex>

namespace xiuyun {
namespace {

// Each worker at the slider's most finds the connection of its last image kept for the next one.
static_assert(KEPT_CONNECTIONS >= sliderMaximum);

enum class EnsureAlbumFolder { No, Yes };
enum class Batch { Done, Stopped };

// One worker per row of the list, at most the thread count at once, then the wait for all of
// them. The count is taken once per batch, so a move of the slider takes effect from the next
// album or retry.
Batch dispatchBatch(Download& download, const std::shared_ptr<const AlbumTarget>& target,
                    EnsureAlbumFolder ensureAlbumFolder) {
    Program& program = download.program();
    std::shared_ptr<const ImageBatch> batch;
    {
        std::lock_guard lock(program.downloadLock);
        batch = program.rows.batch();
        download.takeThreadLimit();
        if (ensureAlbumFolder == EnsureAlbumFolder::Yes)
            files::ensureFolderBelow(target->root, target->folder);
    }
    const int rows = static_cast<int>(batch->addresses.size());
    for (int i = 1; i <= rows; ++i) {
        while (download.activeWorkers >= download.threadLimit()) {
            if (!download.waitMs(download.policy().schedulerWait))
                return Batch::Stopped;
        }
        if (download.stopRequested())
            return Batch::Stopped;
        {
            std::lock_guard lock(program.downloadLock);
            ++download.activeWorkers;
            program.rows.reveal(i);
        }
        download.startWorker([self = download.shared_from_this(), target, batch, row = i - 1] {
            downloadImageRow(*self, *target, *batch, row);
        });
    }
    do {
        if (!download.waitMs(download.policy().schedulerWait))
            return Batch::Stopped;
    } while (download.activeWorkers > 0);
    return Batch::Done;
}

Text separatorFor(const Text& folder) {
    return files::endsWithSeparator(folder) ? Text() : "\\"_t;
}

// The album's first download, then its checks: while a check finds a failed image the album is
// downloaded again, as the rule says. Every such download counts as one retry of the download.
Batch downloadAlbum(Download& download, const std::shared_ptr<const AlbumTarget>& target,
                    EnsureAlbumFolder ensureAlbumFolder, const AlbumChecks& rule) {
    noteAlbumStarted(download, *target);
    if (dispatchBatch(download, target, ensureAlbumFolder) == Batch::Stopped)
        return Batch::Stopped;
    for (int check = 1; check <= rule.checks; ++check) {
        noteAlbumCheck(download);
        const bool smallImageFound = scanFailedImages(download.program().window,
                                                      download.program().engine->wholeImages, target->folder);
        if (!smallImageFound) {
            if (rule.endOnceWhole)
                break;
            continue;
        }
        download.countRetry();
        if (check == rule.checks && !rule.downloadAfterLastCheck)
            break;
        if (dispatchBatch(download, target, ensureAlbumFolder) == Batch::Stopped)
            return Batch::Stopped;
    }
    return Batch::Done;
}

// The folder of a list that has a single page: the last element of the address, a search word
// decoded and made fit for a file name.
Text singleListName(const Download& download) {
    const Program& program = download.program();
    Text name = fileNameOf(download.request().address, Extension::Drop);
    if (program.analysis.pageType == PAGE_SEARCH)
        name = cleanFileName(urlDecode(name, DecodeTo::Gbk));
    if (name.contains("/"_t))
        name = name.left(name.size() - 1);
    return name;
}

// The address of the list itself: an analysis started from a numbered page (*…/t/x/2.html*) names
// the list without that page (*…/t/x/*), so that page 3 is *…/t/x/3.html*, not *…/2.html/3.html*.
Text listAddressOf(const Text& analysedUrl) {
    if (!isNumber(fileNameOf(analysedUrl, Extension::Drop)))
        return analysedUrl;
    return analysedUrl.left(analysedUrl.size() - fileNameOf(analysedUrl, Extension::Keep).size());
}

std::shared_ptr<const AlbumTarget> albumTarget(Program& program, const Text& root, const Text& folder) {
    return std::make_shared<const AlbumTarget>(
        AlbumTarget{root, folder, program.analysis.imageCount.value_or(Text())});
}

// The end of a download that was not stopped: buttons, handle, the final check and its report.
// The final check walks the album's folder when one is given (a single album), else the whole
// target folder (list types). Once the handle is released a cancel no longer waits for this thread, and a
// reset may empty the analysis at once: from there on nothing but the download's own values is read.
void finishDownload(Download& download, const Text& folderGiven, MessageId maybeFailed) {
    Program& program = download.program();
    const Text scanned = folderGiven.empty() ? download.request().folder : folderGiven;
    {
        // Under the lock a stop and this end cannot cross: a cancel either comes first and this
        // end does nothing, or finds the handle released and the download finished.
        std::lock_guard lock(program.downloadLock);
        if (download.stopRequested())
            return;
        setPhase(program, Phase::Analysed);
        releaseThread(program, download);
    }
    // One retry pass is reported as 2.
    const int retries = download.retryCount() != 0 ? download.retryCount() + 1 : 0;
    const bool failed = scanFailedImages(program.window, program.engine->wholeImages, scanned);
    noteDownloadEnded(download);
    post(program, {failed ? maybeFailed : MessageId::DownloadDone, {Text::number(retries)}});
    // The download is over: another copy of the program may work from the data folder now.
    releaseWorkLock(program);
}

} // namespace

void runListDownload(Download& download) {
    Program& program = download.program();
    const Analysis& analysis = program.analysis;
    const long long pages = analysis.singlePageList ? 1 : analysis.totalPages;
    const Text target = download.request().folder;
    for (long long page = 1; page <= pages; ++page) {
        Text name;
        if (analysis.singlePageList) {
            name = singleListName(download);
        } else {
            // A download started from a later list page runs out of pages before the count.
            if (program.albums.pageNumbers().empty())
                break;
            name = program.albums.pageNumbers().front();
        }
        const Text listFolder = target + separatorFor(target) + safeFolderElement(name);
        // A list folder that is a link counts as one that can't be made.
        SystemError error;
        if (!files::ensureFolderBelow(target, listFolder, &error)) {
            post(program, {MessageId::FolderCreateFailed, {}, error});
            break;
        }
        download.setImageRootFolder(listFolder);
        const long long albums = analysis.albumsOnPage;
        noteListPage(download, albums);
        for (long long album = 1; album <= albums; ++album) {
            const auto albumFolder =
                albumTarget(program, target,
                            listFolder + "\\"_t + safeFolderElement(analysis.albumTitle.value_or(Text())));
            if (downloadAlbum(download, albumFolder, EnsureAlbumFolder::Yes,
                              download.policy().listAlbumChecks) == Batch::Stopped)
                return;
            noteAlbumDone(download);
            if (const std::optional<Album> done = program.albums.current())
                checkAndRecordHistory(program, done->link);
            nextAlbum(program);
        }
        nextListPage(download);
    }
    finishDownload(download, Text(), MessageId::ListDownloadMaybeFailed);
}

void runAlbumDownload(Download& download) {
    Program& program = download.program();
    const Text folder = download.imageRootFolder();
    const auto album = albumTarget(program, folderHolding(folder), folder);
    if (downloadAlbum(download, album, EnsureAlbumFolder::No, download.policy().singleAlbumChecks) ==
        Batch::Stopped)
        return;
    finishDownload(download, album->folder, MessageId::AlbumDownloadMaybeFailed);
}

void nextAlbum(Program& program) {
    program.albums.nextAlbum();
    const std::optional<Album> album = program.albums.current();
    if (!album)
        return;
    program.rows.fill(album->cover, album->imageCount);
    showCurrentAlbum(program, album->number);
    showAlbum(program, cleanFileName(album->title), Text::number(album->imageCount));
}

void nextListPage(Download& download) {
    Program& program = download.program();
    program.albums.nextListPage();
    if (!program.albums.pageNumbers().empty()) {
        const Text page = program.albums.pageNumbers().front();
        showCurrentPage(program, page);
        const Text list = listAddressOf(program.analysis.analysedUrl);
        const Text address = list + (list.endsWith("/"_t) ? Text() : "/"_t) + page + ".html"_t;
        showPageAddress(program, address);
        if (program.routes.crawlListPage)
            program.routes.crawlListPage(program, address, download.request().folder,
                                         fileNameOf(address, Extension::Drop), CrawlMode::NextPage);
    }
    if (const std::optional<Album> album = program.albums.current())
        program.rows.fill(album->cover, album->imageCount);
}

} // namespace xiuyun
