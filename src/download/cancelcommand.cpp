#include "download/cancelcommand.h"

#include "download/download.h"
#include "download/progressnotes.h"
#include "program/presenter.h"

#include <mutex>

namespace xiuyun {

void onCancelDownload(Program& program) {
    std::shared_ptr<Download> download;
    {
        std::lock_guard lock(program.downloadLock);
        download = program.schedulerThread;
    }
    if (download) {
        haltThread(*download, cancelWaitLimit);
        // With the handle gone the program counts no running worker: those of this download
        // count down their own download as they end, so a new download starts from 0.
        releaseThread(program, *download);
        noteDownloadStopped(program);
    }
    setPhase(program, Phase::Cancelled);
    offerCleanUp(program, program.cleanUpChoice, true);
}

} // namespace xiuyun
