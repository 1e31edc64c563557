#include "net/progresswindow.h"

#include <algorithm>

namespace xiuyun {

ProgressWindow::ProgressWindow(long long bytesPerSecond, std::chrono::milliseconds window)
    : m_bytesPerSecond(bytesPerSecond), m_window(window),
      m_step(std::max<std::chrono::milliseconds>(window / 30, std::chrono::milliseconds(1))) {}

void ProgressWindow::start(Clock::time_point now, long long moved) {
    m_samples.clear();
    m_samples.push_back({now, moved});
}

bool ProgressWindow::tooSlow(Clock::time_point now, long long moved) {
    if (m_samples.empty() || m_bytesPerSecond <= 0 || m_window.count() <= 0)
        return false;
    if (now - m_samples.back().time >= m_step)
        m_samples.push_back({now, moved});
    // The oldest sample kept is the last one at least a window old, so the bytes counted span a
    // window or a little more, never less.
    while (m_samples.size() > 1 && m_samples[1].time <= now - m_window)
        m_samples.pop_front();
    if (m_samples.front().time > now - m_window)
        return false;
    return moved - m_samples.front().moved < m_bytesPerSecond * m_window.count() / 1000;
}

} // namespace xiuyun
