#include "download/download.h"
#include "download/progressnotes.h"
#include "program/progressview.h"
#include "window/waits.h"

#include <condition_variable>
#include <thread>

namespace xiuyun {
namespace {

// Runs `work` on a detached thread that the program's engine counts until it returns. The handle
// is not kept: the thread holds what it needs, the engine too, for its last step may come after
// the program is gone.
void runDetached(const Program& program, std::function<void()> work) {
    program.engine->threads.started();
    std::thread([engine = program.engine, work = std::move(work)]() mutable {
        work();
        work = nullptr; // what the work held goes before the thread counts as ended
        engine->threads.ended();
    }).detach();
}

} // namespace

std::shared_ptr<Download> Download::start(Program& program, StartRequest request, Text imageRootFolder,
                                          Body body, std::optional<Journal> journal) {
    auto download = std::make_shared<Download>(program, std::move(request), std::move(imageRootFolder),
                                               std::move(journal));
    noteDownloadStarted(program);
    std::lock_guard lock(program.downloadLock);
    program.schedulerThread = download;
    program.lastDownload = download;
    runDetached(program, [download, body = std::move(body)] {
        // Here rather than on the window's thread: a bus that is slow to answer holds up the first
        // image at most, never the window.
        download->holdSleepLock();
        body(*download);
        {
            std::lock_guard ended(download->m_mutex);
            download->m_schedulerEnded = true;
        }
        download->m_ended.notify_all();
    });
    return download;
}

Text Download::imageRootFolder() const {
    std::lock_guard lock(m_mutex);
    return m_imageRootFolder;
}

void Download::setImageRootFolder(Text folder) {
    std::lock_guard lock(m_mutex);
    m_imageRootFolder = std::move(folder);
}

void Download::noteImageFailure(const Text& path, Cause cause) {
    std::lock_guard lock(m_mutex);
    // Bounded by the images of the job that failed, each once.
    m_imageFailures[path] = std::move(cause);
}

void Download::noteImageSaved(const Text& path) {
    std::lock_guard lock(m_mutex);
    m_imageFailures.erase(path);
}

Cause Download::imageFailure(const Text& path) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_imageFailures.find(path);
    return found == m_imageFailures.end() ? Cause{} : found->second;
}

void Download::requestStop() {
    m_stop.request();
    // A scheduler held up in a request sees the stop late; the system need not wait for it.
    releaseSleepLock();
}

void Download::holdSleepLock() {
    auto lock = std::make_unique<SleepLock>();
    std::lock_guard guard(m_mutex);
    m_sleepLockOutcome = lock->outcome();
    // A stop that came while the system was asked has found nothing to release.
    if (!m_stop.requested())
        m_sleepLock = std::move(lock);
}

void Download::releaseSleepLock() {
    std::unique_ptr<SleepLock> released;
    std::lock_guard guard(m_mutex);
    released = std::move(m_sleepLock);
}

std::optional<SleepLockOutcome> Download::sleepLockOutcome() const {
    std::lock_guard guard(m_mutex);
    return m_sleepLockOutcome;
}

bool Download::waitMs(std::chrono::milliseconds duration) const {
    // The workers' updates are throttled; the scheduler's waits show what the last one held back.
    showProgress(m_program, Refresh::Throttled);
    return xiuyun::waitMs(m_program.window, static_cast<int>(duration.count()), &m_stop);
}

void Download::startWorker(std::function<void()> work) {
    runDetached(m_program, std::move(work));
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

Text lastImageRootFolder(Program& program) {
    std::lock_guard lock(program.downloadLock);
    return program.lastDownload ? program.lastDownload->imageRootFolder() : Text();
}

std::optional<SleepLockOutcome> lastSleepLockOutcome(Program& program) {
    std::lock_guard lock(program.downloadLock);
    return program.lastDownload ? program.lastDownload->sleepLockOutcome() : std::nullopt;
}

bool waitForDownloadThreads(Program& program, std::chrono::milliseconds timeout) {
    return program.engine->threads.waitForNone(timeout);
}

} // namespace xiuyun
