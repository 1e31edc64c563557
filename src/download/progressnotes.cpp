#include "download/progressnotes.h"

#include "download/failedimages.h"
#include "os/files.h"
#include "program/presenter.h"
#include "program/progressview.h"

#include <algorithm>

namespace xiuyun {

void noteDownloadStarted(Program& program) {
    const Analysis analysis = analysisNow(program);
    if (analysis.pageType == PAGE_ALBUM) {
        program.progress.start(1);
        program.progress.pageRead(1);
    } else {
        // A download started from a later list page has fewer pages left than the pager counts.
        const auto left = static_cast<long long>(program.albums.pageNumbers().size());
        program.progress.start(
            analysis.singlePageList ? 1 : static_cast<int>(std::min<long long>(analysis.totalPages, left)));
    }
    showProgress(program, Refresh::Now);
}

void noteListPage(Download& download, long long albums) {
    download.program().progress.pageRead(static_cast<int>(std::clamp<long long>(albums, 0, maxAlbumImages)));
    showProgress(download.program(), Refresh::Throttled);
}

void noteAlbumStarted(Download& download, const AlbumTarget& target) {
    Program& program = download.program();
    program.progress.albumStarted(target.folder, program.rows.size());
    showProgress(program, Refresh::Throttled);
}

void noteAlbumCheck(Download& download) {
    download.program().progress.checkStarted();
    showProgress(download.program(), Refresh::Throttled);
}

void noteAlbumDone(Download& download) {
    download.program().progress.albumFinished();
    showProgress(download.program(), Refresh::Throttled);
}

void noteImageEnded(Download& download, const AlbumTarget& target, int row, const Text& path) {
    // A stopped worker wrote nothing of its own.
    if (download.stopRequested())
        return;
    Program& program = download.program();
    const ImageOutcome outcome =
        isFailedImageFile(program.engine->wholeImages, path) ? ImageOutcome::Failed : ImageOutcome::Saved;
    program.progress.imageFinished(target.folder, row, outcome, std::max(files::fileSize(path), 0LL));
    showProgress(program, Refresh::Throttled);
}

void noteDownloadEnded(Download& download) {
    download.program().progress.finish(JobStage::Finished);
    showProgress(download.program(), Refresh::Now);
}

void noteDownloadStopped(Program& program) {
    program.progress.finish(JobStage::Stopped);
    showProgress(program, Refresh::Now);
}

} // namespace xiuyun
