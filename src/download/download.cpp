#include "download/download.h"
#include "window/waits.h"

#include <condition_variable>
#include <thread>

namespace xiuyun {
namespace {

// Every thread of the engine, counted from its start to its very last step.
class ThreadCount {
public:
    void started() {
        std::lock_guard lock(m_mutex);
        ++m_running;
    }
    void ended() {
        std::lock_guard lock(m_mutex);
        if (--m_running == 0)
            m_none.notify_all();
    }
    bool waitForNone(std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        return m_none.wait_for(lock, timeout, [this] { return m_running == 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_none;
    int m_running = 0;
};

ThreadCount& engineThreads() {
    static ThreadCount* count = new ThreadCount; // outlives threads still ending at exit
    return *count;
}

// Runs `work` on a detached thread that is counted until it returns. The handle is not kept: the
// thread holds what it needs.
void runDetached(std::function<void()> work) {
    engineThreads().started();
    std::thread([work = std::move(work)]() mutable {
        work();
        work = nullptr; // what the work held goes before the thread counts as ended
        engineThreads().ended();
    }).detach();
}

} // namespace

std::shared_ptr<Download> Download::start(Program& program, StartRequest request, Text imageFolder,
                                          Body body) {
    auto download = std::make_shared<Download>(program, std::move(request), std::move(imageFolder));
    std::lock_guard lock(program.downloadLock);
    program.schedulerThread = download;
    program.lastDownload = download;
    runDetached([download, body = std::move(body)] {
        body(*download);
        {
            std::lock_guard ended(download->m_mutex);
            download->m_schedulerEnded = true;
        }
        download->m_ended.notify_all();
    });
    return download;
}

Text Download::imageFolder() const {
    std::lock_guard lock(m_mutex);
    return m_imageFolder;
}

void Download::setImageFolder(Text folder) {
    std::lock_guard lock(m_mutex);
    m_imageFolder = std::move(folder);
}

bool Download::waitMs(std::chrono::milliseconds duration) const {
    return xiuyun::waitMs(m_program.window, static_cast<int>(duration.count()), &m_stop);
}

void Download::startWorker(std::function<void()> work) {
    runDetached(std::move(work));
}

bool Download::waitForScheduler(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_ended.wait_for(lock, timeout, [this] { return m_schedulerEnded; });
}

int activeWorkers(Program& program) {
    std::lock_guard lock(program.downloadLock);
    return program.schedulerThread ? program.schedulerThread->activeWorkers.load() : 0;
}

void haltThread(Download& download, std::chrono::milliseconds limit) {
    download.requestStop();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!download.waitForScheduler(std::chrono::milliseconds(10))) {
        if (std::chrono::steady_clock::now() >= deadline)
            return;
        download.program().window.pumpMessages();
    }
}

bool releaseThread(Program& program, const Download& download) {
    std::lock_guard lock(program.downloadLock);
    if (program.schedulerThread.get() != &download)
        return false;
    program.schedulerThread.reset();
    return true;
}

Text lastImageFolder(Program& program) {
    std::lock_guard lock(program.downloadLock);
    return program.lastDownload ? program.lastDownload->imageFolder() : Text();
}

bool waitForDownloadThreads(std::chrono::milliseconds timeout) {
    return engineThreads().waitForNone(timeout);
}

} // namespace xiuyun
