#include "app/closing.h"

#include "download/download.h"

#include <mutex>

namespace xiuyun {

void onWindowDestroying(Program& program) {
    std::shared_ptr<Download> download;
    {
        std::lock_guard lock(program.downloadLock);
        download = program.schedulerThread;
    }
    if (!download)
        return;
    // The window no longer shows boxes, so the scheduler needs nothing of this thread to end.
    download->requestStop();
    download->waitForScheduler(closingWaitLimit);
    releaseThread(program, *download);
}

} // namespace xiuyun
