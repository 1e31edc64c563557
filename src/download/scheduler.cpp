#include "download/scheduler.h"

#include "download/failedimages.h"
#include "download/history.h"
#include "download/imageworker.h"
#include "platform/files.h"
#include "program/imagerows.h"
#include "program/messages.h"
#include "text/textutils.h"

#include <memory>
#include <mutex>

namespace xiuyun {
namespace {

enum class EnsureAlbumFolder { No, Yes };
enum class Batch { Done, Stopped };

// One worker per row of the list, at most the slider's number at once, then the wait for all of
// them. The slider is read once per batch, so a move takes effect from the next album or retry.
Batch dispatchBatch(Download& download, const std::shared_ptr<const AlbumTarget>& target,
                    EnsureAlbumFolder ensureAlbumFolder) {
    Program& program = download.program();
    Window& window = program.window;
    int rows = 0;
    {
        std::lock_guard lock(program.downloadLock);
        rows = window.rowCount();
        program.threadLimit = window.sliderPosition();
        if (ensureAlbumFolder == EnsureAlbumFolder::Yes)
            files::ensureFolderBelow(target->root, target->folder);
    }
    for (int i = 1; i <= rows; ++i) {
        while (download.activeWorkers >= program.threadLimit) {
            if (!download.waitMs(schedulerWaitMs))
                return Batch::Stopped;
        }
        if (download.stopRequested())
            return Batch::Stopped;
        Text address;
        {
            std::lock_guard lock(program.downloadLock);
            ++download.activeWorkers;
            window.ensureRowVisible(i);
            address = window.cell(i - 1, 1);
        }
        download.startWorker([self = download.shared_from_this(), target, row = i - 1, address] {
            downloadImageRow(*self, *target, row, address);
        });
    }
    do {
        if (!download.waitMs(schedulerWaitMs))
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
    if (program.pageType == PAGE_SEARCH)
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
    std::lock_guard lock(program.downloadLock);
    return std::make_shared<const AlbumTarget>(AlbumTarget{
        root, folder, program.window.text(Control::透明标签_图片数量2), albumAddressList(program.window)});
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
    Window& window = program.window;
    {
        // Under the lock a stop and this end cannot cross: a cancel either comes first and this
        // end does nothing, or finds the handle released and the download finished.
        std::lock_guard lock(program.downloadLock);
        if (download.stopRequested())
            return;
        window.setEnabled(Control::按钮_开始下载, true);
        if (!window.isEnabled(Control::按钮_分析数据))
            window.setEnabled(Control::按钮_重新分析, true);
        window.setEnabled(Control::按钮_取消下载, false);
        releaseThread(program, download);
    }
    // One retry pass is reported as 2.
    if (program.retryCount != 0)
        ++program.retryCount;
    const bool failed = scanFailedImages(program, scan.folder, scan.folderGiven);
    const Text retries = Text::number(program.retryCount);
    if (failed) {
        window.showMessage("状态：图片下载完成，但可能存在下载失败的文件\r\n\r\n原因：未知\r\n\r\n"_t +
                               retryWord + retries + " 有点问题啊！"_t,
                           "恭喜客官"_t, MessageIcon::Warning);
    } else {
        window.showMessage("状态：图片下载完成\r\n\r\n原因：\r\n\r\n重试："_t + retries, "恭喜客官"_t,
                           MessageIcon::Information);
    }
    program.smallImageFound = 0;
    program.retryCount = 0;
}

} // namespace

void runListDownload(Download& download) {
    Program& program = download.program();
    Window& window = program.window;
    const long long pages =
        program.singlePageList == 1 ? 1 : window.text(Control::透明标签_总页码2).toInteger();
    const Text target = window.text(Control::编辑框_存放目录);
    int checks = 0;
    for (long long page = 1; page <= pages; ++page) {
        Text name;
        if (program.singlePageList == 1) {
            name = singleListName(program);
        } else {
            // A download started from a later list page runs out of pages before the count.
            if (program.pageNumbers.empty())
                break;
            name = program.pageNumbers.front();
        }
        const Text listFolder = target + separatorFor(target) + safeFolderElement(name);
        // A list folder that is a link counts as one that can't be made.
        if (!files::ensureFolderBelow(target, listFolder)) {
            showStatus(
                window,
                "状态：分析数据失败\r\n\r\n原因：目录创建出错\r\n\r\n解决：请确认目录是否正确或是否被占用！"_t);
            break;
        }
        program.imageRootFolder = listFolder;
        const long long albums = window.text(Control::透明标签_总图集2).toInteger();
        for (long long album = 1; album <= albums; ++album) {
            const auto albumFolder = albumTarget(
                program, target,
                listFolder + "\\"_t + safeFolderElement(window.text(Control::透明标签_图片标题2)));
            if (dispatchBatch(download, albumFolder, EnsureAlbumFolder::Yes) == Batch::Stopped)
                return;
            // Every album gets all its checks, whatever the earlier ones found.
            while (checks < albumChecks) {
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
            if (!program.albumLinks.empty())
                checkAndRecordHistory(program, program.albumLinks.front());
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
        if (program.retryCount >= albumRetries)
            break;
    }
    finishDownload(download, {FolderGiven::Yes, album->folder}, "重试次数："_t);
}

void nextAlbum(Program& program) {
    auto dropFirst = [](auto& list) {
        if (!list.empty())
            list.erase(list.begin());
    };
    dropFirst(program.albumTitles);
    dropFirst(program.albumImageCounts);
    dropFirst(program.albumNumbers);
    dropFirst(program.albumLinks);
    dropFirst(program.albumCovers);
    if (program.albumCovers.empty())
        return;
    Window& window = program.window;
    const int imageCount = program.albumImageCounts.empty() ? 0 : program.albumImageCounts.front();
    fillImageRows(window, program.albumCovers.front(), imageCount);
    if (!program.albumNumbers.empty())
        window.setText(Control::透明标签_当前图集2, Text::number(program.albumNumbers.front()));
    if (!program.albumTitles.empty())
        window.setText(Control::透明标签_图片标题2, cleanFileName(program.albumTitles.front()));
    window.setText(Control::透明标签_图片数量2, Text::number(imageCount));
}

void nextListPage(Program& program) {
    Window& window = program.window;
    program.albumTitles.clear();
    program.albumImageCounts.clear();
    program.albumCovers.clear();
    program.albumLinks.clear();
    program.albumNumbers.clear();
    if (!program.pageNumbers.empty())
        program.pageNumbers.erase(program.pageNumbers.begin());
    if (!program.pageNumbers.empty()) {
        const Text page = program.pageNumbers.front();
        window.setText(Control::透明标签_当前页码2, page);
        const Text list = listAddressOf(program.analysedUrl);
        const Text address = list + (list.endsWith("/"_t) ? Text() : "/"_t) + page + ".html"_t;
        window.setText(Control::编辑框_页面地址, address);
        if (program.routes.crawlListPage)
            program.routes.crawlListPage(program, address, window.text(Control::编辑框_存放目录),
                                         fileNameOf(address, Extension::Drop), CrawlMode::NextPage);
    }
    if (!program.albumCovers.empty())
        fillImageRows(window, program.albumCovers.front(),
                      program.albumImageCounts.empty() ? 0 : program.albumImageCounts.front());
}

} // namespace xiuyun
