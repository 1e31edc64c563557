// Threads, the download lock and the waits that keep the window alive.
#pragma once

#include "platform/window.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace xiuyun {

// The one lock of the download engine. Re-entrant on one thread, as the lock the design was
// made for; use it with std::lock_guard.
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

// Waits at least `milliseconds`, handing pending window messages to the window meanwhile (on the
// window's thread; elsewhere the pump does nothing). Returns early, with false, once `stop` is
// requested.
bool waitMs(Window& window, int milliseconds, const StopSignal* stop = nullptr);

// The short count-up delay: keeps pumping window messages until the clock has moved past the
// start plus the delay.
void delayMs(Window& window, int milliseconds);

} // namespace xiuyun
