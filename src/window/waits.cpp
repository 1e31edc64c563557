#include "window/waits.h"

#include <chrono>
#include <thread>

namespace xiuyun {

using Clock = std::chrono::steady_clock;

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
