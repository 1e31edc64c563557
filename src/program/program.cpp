#include "program/program.h"

#include "os/files.h"

namespace xiuyun {

Program::Program(Window& window, Text programDirectory)
    : window(window), programDir(std::move(programDirectory)) {}

Text Program::dataDir() const {
    return programDir + "\\vrd"_t;
}

Text Program::dataFile(const Text& name) const {
    return dataDir() + "\\"_t + name;
}

bool ensureDataDirectory(Program& program) {
    return ensureFolder(program.dataDir());
}

} // namespace xiuyun

namespace xiuyun {

bool holdWorkLock(Program& program) {
    std::lock_guard lock(program.workLockMutex);
    if (program.workLock)
        return true;
    if (!ensureDataDirectory(program))
        return true; // no data folder, no cache to share: the caller's own checks report it
    const Text path = program.dataFile(".work.lock"_t);
    program.workLock = files::FileLock::acquire(path, std::chrono::milliseconds(0));
    // A lock file that can't even be made (a data folder without the right to write) shares no
    // cache either; the caller's own writes report that.
    return program.workLock.has_value() || !files::exists(path);
}

void releaseWorkLock(Program& program) {
    std::lock_guard lock(program.workLockMutex);
    program.workLock.reset();
}

} // namespace xiuyun
