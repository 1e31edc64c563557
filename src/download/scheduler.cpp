#include "download/scheduler.h"

#include "download/failedimages.h"
#include "download/failurereport.h"
#include "download/history.h"
#include "download/imageworker.h"
#include "download/progressnotes.h"
#include "net/httpclient.h"
#include "os/files.h"
#include "program/imagerows.h"
#include "program/messages.h"
#include "program/presenter.h"
#include "program/progressview.h"
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

// The images of the album in hand that still fail after its checks, each with why.
std::vector<LedgerEntry> albumFailures(Download& download, const AlbumTarget& target, const Text& page,
                                       long long albumNumber, const Text& albumTitle) {
    Program& program = download.program();
    std::shared_ptr<const ImageBatch> batch;
    {
        std::lock_guard lock(program.downloadLock);
        batch = program.rows.batch();
    }
    std::vector<LedgerEntry> failures;
    for (std::size_t row = 0; row < batch->addresses.size(); ++row) {
        const Text& address = batch->addresses[row];
        const Text path = target.folder + "\\"_t + imageFileName(static_cast<int>(row), address);
        if (!isFailedImageFile(program.engine->wholeImages, path))
            continue;
        Cause cause = download.imageFailure(path);
        // Saved without a word against it, the file itself says what is wrong.
        if (std::holds_alternative<std::monostate>(cause))
            cause =
                files::fileSize(path) > failedImageKb * 1024 ? ImageFault::NotWhole : ImageFault::TooSmall;
        failures.push_back(
            {page, albumNumber, albumTitle, static_cast<long long>(row) + 1, address, causeText(cause)});
    }
    return failures;
}

// The journal's part of the end: the job is finished when nothing failed; the report of what did
// is written beside the images before the closing box, and an old one of the job goes once a run
// ends clean.
void settleJob(Download& download) {
    Program& program = download.program();
    Journal* journal = download.journal();
    if (!journal)
        return;
    const Text& folder = download.request().folder;
    std::optional<FailureReport> report;
    if (journal->failedCount() > 0) {
        if (writeFailureReport(folder, *journal))
            report = FailureReport{failureReportPath(folder), journal->failedCount()};
    } else if (journal->reportWritten()) {
        removeFailureReport(folder, journal->key());
    }
    // The job is this list alone: an image failing elsewhere in the target folder is not its own.
    journal->end(journal->failedCount() == 0, report.has_value());
    std::lock_guard lock(program.downloadLock);
    program.failureReport = report;
}

// The status line names the list of failed images beside the figures of the end.
void showFailureReport(Program& program) {
    std::optional<FailureReport> report;
    {
        std::lock_guard lock(program.downloadLock);
        report = program.failureReport;
    }
    if (report)
        showJobStatus(program, progressStatusText(program.progress.figures()) + " · "_t +
                                   Text::number(report->count) + " 张未能下载，清单："_t + report->path);
}

// The end of a download that was not stopped: buttons, handle, sleep lock, the final check and its
// report.
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
    // The images are in: the system may sleep while the final check runs and its box waits.
    download.releaseSleepLock();
    // One retry pass is reported as 2.
    const int retries = download.retryCount() != 0 ? download.retryCount() + 1 : 0;
    const bool failed = scanFailedImages(program.window, program.engine->wholeImages, scanned);
    settleJob(download);
    noteDownloadEnded(download);
    showFailureReport(program);
    post(program, {failed ? maybeFailed : MessageId::DownloadDone, {Text::number(retries)}});
    // The download is over: another copy of the program may work from the data folder now.
    releaseWorkLock(program);
}

} // namespace

void runListDownload(Download& download) {
    Program& program = download.program();
    const Analysis& analysis = program.analysis;
    Journal* journal = download.journal();
    const long long pages = analysis.singlePageList ? 1 : analysis.totalPages;
    const Text target = download.request().folder;
    // The analysis read the first page of the download; a page after a skipped one is read when
    // its turn comes.
    bool pageRead = true;
    bool resumeShown = false;
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
        // A page the job finished before is passed over without a request.
        if (journal && journal->pageFinished(name)) {
            const long long albums = journal->albumsOfPage(name);
            noteListPage(download, albums);
            for (long long album = 0; album < albums; ++album)
                noteAlbumDone(download);
            nextListPage(download, ReadPage::No);
            pageRead = false;
            continue;
        }
        if (!pageRead) {
            readListPage(download);
            pageRead = true;
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
            const std::optional<Album> current = program.albums.current();
            if (journal && current && journal->albumFinished(current->link)) {
                noteAlbumDone(download);
                nextAlbum(program);
                continue;
            }
            if (journal && journal->resumes() && !resumeShown) {
                showJobStatus(program, "继续上次未完成的下载：第 "_t + name + " 页，第 "_t +
                                           Text::number(current ? current->number : album) + " 个图集"_t);
                resumeShown = true;
            }
            const auto albumFolder =
                albumTarget(program, target,
                            listFolder + "\\"_t + safeFolderElement(analysis.albumTitle.value_or(Text())));
            // What a run killed mid-write left in the folder goes before the album is looked at.
            files::removeLeftParts(albumFolder->folder);
            if (downloadAlbum(download, albumFolder, EnsureAlbumFolder::Yes,
                              download.policy().listAlbumChecks) == Batch::Stopped)
                return;
            noteAlbumDone(download);
            if (current) {
                checkAndRecordHistory(program, current->link);
                if (journal)
                    journal->finishAlbum(
                        name, current->number, current->link,
                        albumFailures(download, *albumFolder, name, current->number, current->title));
            }
            nextAlbum(program);
        }
        if (journal)
            journal->finishPage(name, albums);
        nextListPage(download, ReadPage::Yes);
    }
    finishDownload(download, Text(), MessageId::ListDownloadMaybeFailed);
}

void runAlbumDownload(Download& download) {
    Program& program = download.program();
    const Text folder = download.imageRootFolder();
    const auto album = albumTarget(program, folderHolding(folder), folder);
    files::removeLeftParts(folder);
    if (download.journal() && download.journal()->resumes())
        showJobStatus(program,
                      "继续上次未完成的下载：图集“"_t + program.analysis.albumTitle.value_or(Text()) + "”"_t);
    if (downloadAlbum(download, album, EnsureAlbumFolder::No, download.policy().singleAlbumChecks) ==
        Batch::Stopped)
        return;
    if (Journal* journal = download.journal()) {
        const Text title = program.analysis.albumTitle.value_or(Text());
        journal->finishAlbum(Text(), 1, journal->key().address,
                             albumFailures(download, *album, Text(), 1, title));
    }
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

void nextListPage(Download& download, ReadPage read) {
    Program& program = download.program();
    program.albums.nextListPage();
    if (!program.albums.pageNumbers().empty()) {
        const Text page = program.albums.pageNumbers().front();
        showCurrentPage(program, page);
        showPageAddress(program, listPageAddress(program, page));
        if (read == ReadPage::Yes)
            readListPage(download);
        return;
    }
    if (const std::optional<Album> album = program.albums.current())
        program.rows.fill(album->cover, album->imageCount);
}

void readListPage(Download& download) {
    Program& program = download.program();
    if (program.albums.pageNumbers().empty())
        return;
    const Text page = program.albums.pageNumbers().front();
    const Text address = listPageAddress(program, page);
    const int failuresBefore = program.messages.failures();
    if (program.routes.crawlListPage)
        program.routes.crawlListPage(program, address, download.request().folder,
                                     fileNameOf(address, Extension::Drop), CrawlMode::NextPage);
    if (const std::optional<Album> album = program.albums.current())
        program.rows.fill(album->cover, album->imageCount);
    // A page that could not be read goes into the ledger with the reason its message gave.
    Journal* journal = download.journal();
    if (journal && program.messages.failures() > failuresBefore) {
        if (const std::optional<Message> last = program.messages.last()) {
            const Text cause = causeText(last->cause);
            journal->notePageFailure(
                {page, 0, Text(), 0, address, cause.empty() ? messageText(*last) : cause});
        }
    }
}

Text listPageAddress(const Program& program, const Text& page) {
    const Text list = listAddressOf(program.analysis.analysedUrl);
    return list + (list.endsWith("/"_t) ? Text() : "/"_t) + page + ".html"_t;
}

} // namespace xiuyun
