#include "os/threads.h"

#include <chrono>

namespace xiuyun {

using Clock = std::chrono::steady_clock;

void StopSignal::request() {
    {
        std::lock_guard lock(m_mutex);
        m_requested = true;
    }
    m_changed.notify_all();
}

bool StopSignal::requested() const {
    std::lock_guard lock(m_mutex);
    return m_requested;
}

bool StopSignal::waitFor(std::chrono::milliseconds duration) const {
    std::unique_lock lock(m_mutex);
    return !m_changed.wait_for(lock, duration, [this] { return m_requested; });
}

void ThreadCount::started() {
    std::lock_guard lock(m_mutex);
    ++m_running;
}

void ThreadCount::ended() {
    std::lock_guard lock(m_mutex);
    if (--m_running == 0)
        m_none.notify_all();
}

bool ThreadCount::waitForNone(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_none.wait_for(lock, timeout, [this] { return m_running == 0; });
}

} // namespace xiuyun
