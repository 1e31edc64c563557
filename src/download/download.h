// One download and its run: its scheduler thread, its stop request, its running workers, the
// folder its images go to, its thread limit, its retries and its sleep lock.
#pragma once

#include "download/journal.h"
#include "os/sleeplock.h"
#include "program/cause.h"
#include "program/program.h"
#include "program/requests.h"
#include "window/waits.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace xiuyun {

class Download : public std::enable_shared_from_this<Download> {
public:
    using Body = std::function<void(Download&)>;

    // Makes the download the program's schedulerThread and lastDownload and runs `body` on a
    // thread of its own, under the program's download policy, with the system kept awake. The
    // handle is in place before the body can reach its own end, where it releases it.
    static std::shared_ptr<Download> start(Program& program, StartRequest request, Text imageRootFolder,
                                           Body body, std::optional<Journal> journal = std::nullopt);

    Download(Program& program, StartRequest request, Text imageRootFolder,
             std::optional<Journal> journal = std::nullopt)
        : m_program(program), m_policy(program.downloadPolicy), m_request(std::move(request)),
          m_imageRootFolder(std::move(imageRootFolder)), m_journal(std::move(journal)) {}
    Download(const Download&) = delete;
    Download& operator=(const Download&) = delete;

    Program& program() const { return m_program; }
    const DownloadPolicy& policy() const { return m_policy; }
    const StartRequest& request() const { return m_request; }

    // The folder the images go to now: the album folder of a single album, the folder of the list
    // page in hand for the list types. Read from any thread.
    Text imageRootFolder() const;
    void setImageRootFolder(Text folder);

    // The workers a batch runs at once: the program's thread count when the batch started.
    int threadLimit() const { return m_threadLimit; }
    void takeThreadLimit() { m_threadLimit = m_program.threadCount.load(); }

    // The job's journal when the download keeps one; the scheduler's alone.
    Journal* journal() { return m_journal ? &*m_journal : nullptr; }
    // The job, which never changes: any thread.
    std::optional<JobKey> job() const { return m_journal ? std::optional(m_journal->key()) : std::nullopt; }
    // An image already whole on disk is not asked for again: the job resumes, or the request says
    // so.
    bool skipsWholeImages() const { return m_request.skipExisting || (m_journal && m_journal->resumes()); }
    // Why the image of that path failed last; forgotten once it is saved. Any thread.
    void noteImageFailure(const Text& path, Cause cause);
    void noteImageSaved(const Text& path);
    Cause imageFailure(const Text& path) const;

    // Album downloads started again because a check found a failed image; the scheduler's alone.
    int retryCount() const { return m_retryCount; }
    void countRetry() { ++m_retryCount; }

    // Asks the scheduler to end: it checks the request at every wait and before it starts a worker,
    // and then ends without its end-of-download steps. Workers already running finish. The
    // system may sleep again at once.
    void requestStop();
    bool stopRequested() const { return m_stop.requested(); }
    // The scheduler's wait: at least `duration`, keeping the window alive; false, at once, when
    // the stop is requested.
    bool waitMs(std::chrono::milliseconds duration) const;
    // A worker's wait, away from the window: at least `duration`; false, at once, when the stop
    // is requested.
    bool pauseWorker(std::chrono::milliseconds duration) const { return m_stop.waitFor(duration); }

    // Workers of this download started and not yet finished. Changed under downloadLock; the
    // scheduler compares it without the lock, where a stale value costs one wait at most.
    std::atomic<int> activeWorkers = 0;

    // Runs one worker on a short-lived thread of its own.
    void startWorker(std::function<void()> work);

    // Keeps the system from sleeping until the run ends or is stopped, unless it is stopped
    // already. Waits at most sleepLockTimeout for the system; called on the scheduler's thread.
    void holdSleepLock();
    // Lets the system sleep again; the run's end and its stop call it, whichever comes first.
    void releaseSleepLock();
    // How taking the sleep lock went; nothing before it was tried.
    std::optional<SleepLockOutcome> sleepLockOutcome() const;

    // True once the scheduler body has returned; waits at most `timeout` for that.
    bool waitForScheduler(std::chrono::milliseconds timeout) const;

private:
    Program& m_program;
    const DownloadPolicy m_policy;
    const StartRequest m_request;
    Text m_imageRootFolder; // under m_mutex
    std::atomic<int> m_threadLimit = 0;
    int m_retryCount = 0;
    std::optional<Journal> m_journal;
    std::map<Text, Cause> m_imageFailures; // under m_mutex
    StopSignal m_stop;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_ended;
    bool m_schedulerEnded = false;
    std::unique_ptr<SleepLock> m_sleepLock;             // under m_mutex
    std::optional<SleepLockOutcome> m_sleepLockOutcome; // under m_mutex
};

// Workers running for the download under way; 0 when there is none, also while the workers of a
// stopped download still end (they count down their own download).
int activeWorkers(Program& program);

// Stops the scheduler of a download for good: it takes no further step of its own after its next
// check, which is never further off than one wait, and it holds no lock meanwhile. Waits at most
// `limit` for it to end, keeping the window painted; running workers finish their image.
void haltThread(Download& download, std::chrono::milliseconds limit);

// Empties the program's schedulerThread if it still names `download` and answers whether it did:
// the handle is released once, by whichever of the scheduler's end, the cancel and the window's
// destruction comes first. Takes downloadLock.
bool releaseThread(Program& program, const Download& download);

// The folder of the images of the download started last; empty when none was started since the
// last reset.
Text lastImageRootFolder(Program& program);

// How the download started last took its sleep lock; nothing when none was started since the last
// reset, or when it has not tried yet.
std::optional<SleepLockOutcome> lastSleepLockOutcome(Program& program);

// Waits until every scheduler and worker thread of every download of the program has returned (at
// most `timeout`); true when none is left. Nothing of a Program may go before its threads have.
bool waitForDownloadThreads(Program& program, std::chrono::milliseconds timeout);

} // namespace xiuyun
