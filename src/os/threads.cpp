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

} // namespace xiuyun
