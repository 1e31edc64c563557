#include "platform/threads.h"

#include <chrono>
#include <thread>

namespace xiuyun {

using Clock = std::chrono::steady_clock;

bool waitMs(Window& window, int milliseconds, const std::atomic<bool>* stop) {
    // Wake every 10 ms to keep painting; a wait never ends before its time.
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (true) {
        if (stop && stop->load())
            return false;
        window.pumpMessages();
        auto now = Clock::now();
        if (now >= deadline)
            return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(deadline - now, std::chrono::milliseconds(10)));
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
