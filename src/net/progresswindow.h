// The floor on a transfer's progress, judged over a window that slides along with the transfer.
#pragma once

#include <chrono>
#include <deque>

namespace xiuyun {

// The bytes a transfer moved over the last window, from samples a thirtieth of the window apart:
// a server that sent fast first and trickles after is caught one window after it slowed down,
// where an average since the start would let it trickle on for as long as it had been fast.
class ProgressWindow {
public:
    using Clock = std::chrono::steady_clock;

    // No floor when either is zero or less.
    ProgressWindow(long long bytesPerSecond, std::chrono::milliseconds window);

    // The transfer starts counting (again) now, having moved `moved` bytes so far.
    void start(Clock::time_point now, long long moved);
    // True once a whole window has passed since start() and fewer than the floor's bytes moved
    // within the last one; `moved` counts from the same origin as in start().
    bool tooSlow(Clock::time_point now, long long moved);

private:
    struct Sample {
        Clock::time_point time;
        long long moved;
    };
    long long m_bytesPerSecond;
    std::chrono::milliseconds m_window;
    std::chrono::milliseconds m_step;
    std::deque<Sample> m_samples;
};

} // namespace xiuyun
