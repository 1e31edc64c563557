// A lock of the operating system on a file, so that two copies of the program sharing one data
// folder take turns. The system drops it when its holder ends, however the holder ends.
#pragma once

#include "text/text.h"

#include <chrono>
#include <optional>

namespace xiuyun::files {

class FileLock { // move-only; unlocks and closes in the destructor
public:
    // Takes the lock on `path` (created empty when missing; refused when it is a link or not a
    // plain file). Waits at most `wait` (0 = try once). Nothing when not taken.
    // The lock belongs to the open file, not to the process: a second acquire of the same path in
    // the same process is refused as one from another process would be, until the first is gone.
    static std::optional<FileLock> acquire(const Text& path, std::chrono::milliseconds wait);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

private:
#ifdef _WIN32
    using Native = void*; // a HANDLE
#else
    using Native = int;
#endif
    explicit FileLock(Native native) : m_native(native) {}
    void release();

    Native m_native;
};

// The lock file of the data file `path`: beside it, its name with a dot in front and ".lock"
// behind ("vrd\c_x.q" → "vrd\.c_x.q.lock").
Text lockFileFor(const Text& path);
// True when the last element of `path` is named as lockFileFor names a lock file.
bool isLockFile(const Text& path);

} // namespace xiuyun::files
