#include "platform/threads.h"

#include <chrono>
#include <thread>

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

bool waitMs(Window& window, int milliseconds, const StopSignal* stop) {
    // Wake every 10 ms to keep painting; a wait never ends before its time.
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (true) {
        if (stop && stop->requested())
            return false;
        window.pumpMessages();
        auto now = Clock::now();
        if (now >= deadline)
            return true;
        auto slice = std::chrono::ceil<std::chrono::milliseconds>(
            std::min<Clock::duration>(deadline - now, std::chrono::milliseconds(10)));
        if (stop) {
            if (!stop->waitFor(slice))
                return false;
        } else {
            std::this_thread::sleep_for(slice);
        }
    }
}

void delayMs(Window& window, int milliseconds) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        window.pumpMessages();
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    } while (Clock::now() <= deadline);
}

} // namespace xiuyun
