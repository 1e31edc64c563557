// Threads, the download lock and the waits that keep the window alive.
#pragma once

#include "platform/window.h"

#include <atomic>
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

// Waits at least `milliseconds`, handing pending window messages to the window meanwhile (on the
// window's thread; elsewhere the pump does nothing). Returns early, with false, once `stop` is set.
bool waitMs(Window& window, int milliseconds, const std::atomic<bool>* stop = nullptr);

// The short count-up delay: keeps pumping window messages until the clock has moved past the
// start plus the delay.
void delayMs(Window& window, int milliseconds);

} // namespace xiuyun
