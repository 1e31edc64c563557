// The download lock, the stop request of a download and the count of running threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace xiuyun {

// The one lock of the download engine. Re-entrant on one thread: a step that holds it may call
// another that takes it. Use it with std::lock_guard.
class Lock {
public:
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    bool try_lock() { return m_mutex.try_lock(); }

private:
    std::recursive_mutex m_mutex;
};

// A request to stop, made once and never taken back. A thread waiting on it wakes at once.
class StopSignal {
public:
    void request();
    bool requested() const;
    // Waits until the time has passed or the stop is requested; false when it was requested.
    bool waitFor(std::chrono::milliseconds duration) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_requested = false;
};

// Threads counted from their start to their very last step, so that their owner can wait until
// every one has returned.
class ThreadCount {
public:
    void started();
    void ended();
    // Waits at most `timeout` for no thread to be left; true when none is.
    bool waitForNone(std::chrono::milliseconds timeout);

private:
    std::mutex m_mutex;
    std::condition_variable m_none;
    int m_running = 0;
};

} // namespace xiuyun
