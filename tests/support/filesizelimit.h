// A full disk as root sees it: permissions do not stop root, a file-size limit does.
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace xiuyun::testing {

// Lowers the process's file-size limit to `bytes` and ignores the signal a write beyond it
// raises, so the write fails instead; the limit and the handler go back with lift() or the guard.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        if (::getrlimit(RLIMIT_FSIZE, &m_before) != 0)
            return;
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = m_before;
        limited.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
        if (!m_active)
            std::signal(SIGXFSZ, m_previousHandler);
    }
    ~FileSizeLimit() { lift(); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active() const { return m_active; }

    void lift() {
        if (!m_active)
            return;
        ::setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_previousHandler);
        m_active = false;
    }

private:
    struct rlimit m_before {};
    void (*m_previousHandler)(int) = SIG_DFL;
    bool m_active = false;
};

} // namespace xiuyun::testing
