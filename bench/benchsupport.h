// What the benchmarks share: a fresh program folder, the peak memory of the process, and a
// program behind the headless window that analyses a page of the local site.
#pragma once

#include "analysis/routes.h"
#include "app/commands.h"
#include "net/networkcontext.h"
#include "net/site.h"
#include "os/files.h"
#include "os/programdir.h"
#include "support/headlesswindow.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>

namespace xiuyun::bench {

// A figure of /proc/self/status ("VmHWM:", "VmRSS:"), in KiB; -1 where the system does not say.
inline long statusKb(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + key.size());
    }
    return -1;
}

// The high-water mark of resident memory, in KiB.
inline long peakResidentKb() {
    return statusKb("VmHWM:");
}

// Resident memory now, in KiB.
inline long residentKb() {
    return statusKb("VmRSS:");
}

// Starts the peak over again, so that each benchmark reports its own.
inline void resetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A new, empty folder under the temporary folder; the caller removes it.
inline Text freshDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/xiuyun-bench-XXXXXX";
    const char* made = ::mkdtemp(pattern.data());
    return made ? files::fromNativePath(made) : Text();
}

// The program as the user starts it, over a program folder of its own; `prepareNetwork` routes
// its requests to the local site.
class BenchProgram {
public:
    BenchProgram(const Text& directory, const std::function<void(NetworkContext&)>& prepareNetwork)
        : program(window, directory) {
        enterProgramDirectory(directory);
        program.routes = analysisRoutes();
        prepareNetwork(program.network);
        window.setEvents(commandHandlers(program));
        window.events().windowCreated();
    }

    // Types the address of `sitePath` (from the site's root, "/t/x/"), ticks its type and presses
    // "1 分析数据".
    void analyse(const std::string& sitePath, Control pageTypeBox) {
        window.type(Control::编辑框_页面地址, Text::fromGbk(std::string(SITE_ROOT) + sitePath.substr(1)));
        if (!window.isTicked(pageTypeBox))
            window.click(pageTypeBox);
        window.click(Control::按钮_分析数据);
    }

    HeadlessWindow window;
    Program program;
};

} // namespace xiuyun::bench
