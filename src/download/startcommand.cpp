#include "download/startcommand.h"

#include "download/download.h"
#include "download/history.h"
#include "download/imageworker.h"
#include "download/scheduler.h"
#include "os/files.h"
#include "program/messages.h"
#include "program/presenter.h"
#include "text/textutils.h"

namespace xiuyun {

void onStartDownload(Program& program, const StartRequest& request) {
    offerCleanUp(program, CleanUpChoice::CancelledImages, false);

    if (program.phase == Phase::Idle) {
        post(program, MessageId::StartNotAnalysed);
        return;
    }
    if (!request.folder.empty() && !files::canHold(request.folder)) {
        post(program, MessageId::FolderCreateFailed);
        return;
    }
    // Held since the analysis, unless a download of it has ended since and let it go.
    if (!holdWorkLock(program)) {
        post(program, MessageId::StartLocked);
        return;
    }
    // What a killed run left in the data folder goes, now that no other copy works from it.
    files::removeLeftParts(program.dataDir());
    files::removeLeftParts(program.dataDir() + "\\jobs"_t);
    Journal journal = Journal::open(program, jobOf(program, request.folder));
    // A refused start leaves "2 强制下载": the next press downloads without asking the history.
    if (program.forceNextStart) {
        setForceNextStart(program, false);
        journal.restart();
    } else if (request.resume == StartRequest::Resume::IfUnfinished && journal.resumes()) {
        // Begun and never finished, the job was not downloaded before: it goes on.
    } else if (checkAndRecordHistory(program, request.address)) {
        setForceNextStart(program, true);
        post(program, MessageId::StartDownloadedBefore);
        return;
    } else {
        journal.restart();
    }
    journal.begin();
    {
        std::lock_guard lock(program.downloadLock);
        program.failureReport.reset();
    }

    setPhase(program, Phase::Downloading);

    if (isListPageType(program.analysis.pageType)) {
        skipToAddressedPage(program, request.address);
        Download::start(program, request, Text(), runListDownload, std::move(journal));
    } else if (program.analysis.pageType == PAGE_ALBUM) {
        // An album folder that is a link counts as one that can't be made.
        const Text folder = program.analysis.albumFolder;
        SystemError error;
        if (!files::ensureFolderBelow(folderHolding(folder), folder, &error)) {
            post(program, {MessageId::FolderCreateFailed, {}, error});
            return;
        }
        Download::start(program, request, folder, runAlbumDownload, std::move(journal));
    }
}

void skipToAddressedPage(Program& program, const Text& address) {
    const Text page = fileNameOf(address, Extension::Drop);
    if (!isNumber(page))
        return;
    const long long skip = page.toInteger() - 1;
    if (skip < 1)
        return;
    program.albums.skipPages(skip);
}

} // namespace xiuyun
