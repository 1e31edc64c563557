// A full disk as root sees it: permissions do not stop root, a file-size limit does.
#pragma once

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace xiuyun::testing {

#ifndef _WIN32

// Lowers the process's file-size limit to `bytes` and ignores the signal a write beyond it
// raises, so the write fails instead; the limit and the handler go back with lift() or the guard.
class FileSizeLimit {
public:
    static constexpr bool exists = true;
    static constexpr const char* missing = "";

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

#else

// Windows has no limit of a process's file size, and a test cannot fill a disk of its own: the
// tests of a write that breaks off part-way are skipped there.
class FileSizeLimit {
public:
    static constexpr bool exists = false;
    static constexpr const char* missing = "this system has no file-size limit to stand for a full disk";

    explicit FileSizeLimit(long long) {}
    bool active() const { return false; }
    void lift() {}
};

#endif

} // namespace xiuyun::testing
