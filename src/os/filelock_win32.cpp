// The file lock as LockFileEx on the first byte. The lock belongs to the handle, so it also
// excludes a second handle of the same process; the system drops it when the handle is closed or
// the process ends.
#include "os/filelock.h"

#include "os/files.h"

#include <algorithm>
#include <thread>

#include <windows.h>

namespace xiuyun::files {
namespace {

bool lockFirstByte(HANDLE file) {
    OVERLAPPED at{};
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

} // namespace

std::optional<FileLock> FileLock::acquire(const Text& path, std::chrono::milliseconds wait) {
    using Clock = std::chrono::steady_clock;
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, which is then refused, instead of its target.
    HANDLE file = CreateFileW(nativePath(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    FileLock lock(file);
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
        return std::nullopt;
    const Clock::time_point deadline = Clock::now() + wait;
    std::chrono::milliseconds pause(1);
    while (true) {
        if (lockFirstByte(file))
            return lock;
        if (GetLastError() != ERROR_LOCK_VIOLATION)
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
    other.m_native = INVALID_HANDLE_VALUE;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        m_native = other.m_native;
        other.m_native = INVALID_HANDLE_VALUE;
    }
    return *this;
}

FileLock::~FileLock() {
    release();
}

void FileLock::release() {
    if (m_native == INVALID_HANDLE_VALUE || m_native == nullptr)
        return;
    OVERLAPPED at{};
    UnlockFileEx(m_native, 0, 1, 0, &at);
    CloseHandle(m_native);
    m_native = INVALID_HANDLE_VALUE;
}

} // namespace xiuyun::files
