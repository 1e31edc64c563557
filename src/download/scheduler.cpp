#include "download/scheduler.h"

#include "download/failedimages.h"
#include "download/history.h"
#include "download/imageworker.h"
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

// One worker per row of the list, at most the slider's number at once, then the wait for all of
// them. The slider is read once per batch, so a move takes effect from the next album or retry.
Batch dispatchBatch(Download& download, const std::shared_ptr<const AlbumTarget>& target,
                    EnsureAlbumFolder ensureAlbumFolder) {
    Program& program = download.program();
    Window& window = program.window;
    std::shared_ptr<const ImageBatch> batch;
    {
        std::lock_guard lock(program.downloadLock);
        batch = program.rows.batch();
        program.threadLimit = window.sliderPosition();
        if (ensureAlbumFolder == EnsureAlbumFolder::Yes)
            files::ensureFolderBelow(target->root, target->folder);
    }
    const int rows = static_cast<int>(batch->addresses.size());
    for (int i = 1; i <= rows; ++i) {
        while (download.activeWorkers >= program.threadLimit) {
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

// The folder of a list that has a single page: the last element of the address, a search word
// decoded and made fit for a file name.
Text singleListName(Program& program) {
    Text name = fileNameOf(program.window.text(Control::编辑框_页面地址), Extension::Drop);
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

// What the final check walks: the whole target folder (list types) or the album's folder.
struct FinalScan {
    FolderGiven folderGiven;
    Text folder;
};

// The end of a download that was not stopped: buttons, handle, the final check and its report.
// Once the handle is released a cancel no longer waits for this thread, and a reset may empty the
// analysis at once: from there on nothing but the scan's own copy of its folder is read.
void finishDownload(Download& download, FinalScan scan, const Text& retryWord) {
    Program& program = download.program();
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
    if (program.retryCount != 0)
        ++program.retryCount;
    const bool failed = scanFailedImages(program, scan.folder, scan.folderGiven);
    const Text retries = Text::number(program.retryCount);
    if (failed) {
        showDownloadOutcome(program, DownloadOutcome::MaybeFailed,
                            "状态：图片下载完成，但可能存在下载失败的文件\r\n\r\n原因：未知\r\n\r\n"_t +
                                retryWord + retries + " 有点问题啊！"_t);
    } else {
        showDownloadOutcome(program, DownloadOutcome::Downloaded,
                            "状态：图片下载完成\r\n\r\n原因：\r\n\r\n重试："_t + retries);
    }
    program.smallImageFound = 0;
    program.retryCount = 0;
    // The download is over: another copy of the program may work from the data folder now.
    releaseWorkLock(program);
}

} // namespace

void runListDownload(Download& download) {
    Program& program = download.program();
    Window& window = program.window;
    const Analysis& analysis = program.analysis;
    const long long pages = analysis.singlePageList ? 1 : analysis.totalPages;
    const Text target = window.text(Control::编辑框_存放目录);
    int checks = 0;
    for (long long page = 1; page <= pages; ++page) {
        Text name;
        if (analysis.singlePageList) {
            name = singleListName(program);
        } else {
            // A download started from a later list page runs out of pages before the count.
            if (program.albums.pageNumbers().empty())
                break;
            name = program.albums.pageNumbers().front();
        }
        const Text listFolder = target + separatorFor(target) + safeFolderElement(name);
        // A list folder that is a link counts as one that can't be made.
        if (!files::ensureFolderBelow(target, listFolder)) {
            showStatus(
                program,
                "状态：分析数据失败\r\n\r\n原因：目录创建出错\r\n\r\n解决：请确认目录是否正确或是否被占用！"_t);
            break;
        }
        program.imageRootFolder = listFolder;
        const long long albums = analysis.albumsOnPage;
        for (long long album = 1; album <= albums; ++album) {
            const auto albumFolder =
                albumTarget(program, target,
                            listFolder + "\\"_t + safeFolderElement(analysis.albumTitle.value_or(Text())));
            if (dispatchBatch(download, albumFolder, EnsureAlbumFolder::Yes) == Batch::Stopped)
                return;
            // Every album gets all its checks, whatever the earlier ones found.
            while (checks < download.policy().albumChecks) {
                ++checks;
                Text folder = albumFolder->folder;
                if (scanFailedImages(program, folder, FolderGiven::Yes)) {
                    program.smallImageFound = 0;
                    ++program.retryCount;
                    if (dispatchBatch(download, albumFolder, EnsureAlbumFolder::Yes) == Batch::Stopped)
                        return;
                }
            }
            checks = 0;
            program.smallImageFound = 0;
            if (const std::optional<Album> done = program.albums.current())
                checkAndRecordHistory(program, done->link);
            nextAlbum(program);
        }
        nextListPage(program);
    }
    finishDownload(download, {FolderGiven::No, Text()}, "累计重试次数："_t);
}

void runAlbumDownload(Download& download) {
    Program& program = download.program();
    const auto album = albumTarget(program, folderHolding(program.imageRootFolder), program.imageRootFolder);
    while (true) {
        if (dispatchBatch(download, album, EnsureAlbumFolder::No) == Batch::Stopped)
            return;
        Text folder = album->folder;
        if (!scanFailedImages(program, folder, FolderGiven::Yes))
            break;
        program.smallImageFound = 0;
        ++program.retryCount;
        if (program.retryCount >= download.policy().albumRetries)
            break;
    }
    finishDownload(download, {FolderGiven::Yes, album->folder}, "重试次数："_t);
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

void nextListPage(Program& program) {
    program.albums.nextListPage();
    if (!program.albums.pageNumbers().empty()) {
        const Text page = program.albums.pageNumbers().front();
        showCurrentPage(program, page);
        const Text list = listAddressOf(program.analysis.analysedUrl);
        const Text address = list + (list.endsWith("/"_t) ? Text() : "/"_t) + page + ".html"_t;
        showPageAddress(program, address);
        if (program.routes.crawlListPage)
            program.routes.crawlListPage(program, address, program.window.text(Control::编辑框_存放目录),
                                         fileNameOf(address, Extension::Drop), CrawlMode::NextPage);
    }
    if (const std::optional<Album> album = program.albums.current())
        program.rows.fill(album->cover, album->imageCount);
}

} // namespace xiuyun
