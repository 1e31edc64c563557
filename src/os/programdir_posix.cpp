#include "os/programdir.h"

#include "os/files.h"

#include <climits>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace xiuyun {
namespace {

std::string executableDirectory() {
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return {};
    std::string path(buffer, static_cast<std::size_t>(length));
    std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string userDataDirectory() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return std::string(dataHome) + "/xiuyun";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/share/xiuyun";
    return {};
}

// An installed program shares its folder with other programs, so it keeps its files per user. The
// install puts its desktop entry beside the binaries' folder, whatever the prefix.
bool isInstalled(const std::string& directory) {
    return ::access((directory + "/../share/applications/xiuyun.desktop").c_str(), F_OK) == 0;
}

} // namespace

// Both folders are taken byte for byte; one whose name can't be held is passed over, as on Windows.
Text locateProgramDirectory() {
    std::string directory = executableDirectory();
    if (!directory.empty() && !isInstalled(directory) && ::access(directory.c_str(), W_OK) == 0) {
        Text text = files::fromNativePath(directory);
        if (files::canHold(text))
            return text;
    }
    std::string fallback = userDataDirectory();
    if (fallback.empty())
        return {};
    Text text = files::fromNativePath(fallback);
    return files::createDirectories(text) ? text : Text{};
}

Text workingDirectory() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? files::fromNativePath(buffer) : Text();
}

bool enterProgramDirectory(const Text& directory) {
    return !directory.empty() && ::chdir(files::nativePath(directory).c_str()) == 0;
}

} // namespace xiuyun
