// The file lock as flock(2): it belongs to the open file description, so it also excludes a second
// descriptor of the same process, and the kernel drops it with the last descriptor.
#include "os/filelock.h"

#include "os/files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace xiuyun::files {

std::optional<FileLock> FileLock::acquire(const Text& path, std::chrono::milliseconds wait) {
    using Clock = std::chrono::steady_clock;
    // O_NOFOLLOW: a link planted under the name makes open fail instead of creating its target.
    // O_NONBLOCK: a FIFO under the name must not hold the caller up before it is refused.
    const int fd =
        ::open(nativePath(path).c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return std::nullopt;
    FileLock lock(fd);
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    const Clock::time_point deadline = Clock::now() + wait;
    std::chrono::milliseconds pause(1);
    while (true) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return lock;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return std::nullopt;
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return std::nullopt;
        // Short pauses: a holder keeps the lock for milliseconds, and a waiter that slept long
        // would keep missing the moments it is free.
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(8));
    }
}

FileLock::FileLock(FileLock&& other) noexcept : m_native(other.m_native) {
    other.m_native = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        m_native = other.m_native;
        other.m_native = -1;
    }
    return *this;
}

FileLock::~FileLock() {
    release();
}

void FileLock::release() {
    if (m_native < 0)
        return;
    ::flock(m_native, LOCK_UN);
    ::close(m_native);
    m_native = -1;
}

} // namespace xiuyun::files
