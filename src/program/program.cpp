#include "program/program.h"

#include "platform/files.h"

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
