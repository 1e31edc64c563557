// The program: the core behind the real window, or behind the console window with --no-window.
#include "analysis/routes.h"
#include "app/commandline.h"
#include "app/commands.h"
#include "net/networkcontext.h"
#include "os/arguments.h"
#include "os/programdir.h"
#include "os/terminal.h"
#include "program/program.h"
#include "window/desktopwindow.h"

#ifdef XIUYUN_SAMPLE_GALLERY
#include "testsite/samplesite.h"
#endif

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

#ifdef XIUYUN_SAMPLE_GALLERY
void listSampleAddresses(std::FILE* out) {
    std::string text = "岫云阁：这一版没有指定真实站点，自带的示例图库已在本机启动。可粘贴这些页面地址：\n";
    for (const auto& sample : xiuyun::sample::sampleAddresses())
        text += "  " + sample.description + "\n    " + sample.address + "\n";
    xiuyun::writeUtf8(out, text);
}
#endif

} // namespace

int main(int argc, char** argv) {
    using namespace xiuyun;
    const std::vector<std::string> arguments = programArguments(argc, argv);
    std::optional<CommandLine> commandLine;
    if (wantsCommandLine(arguments)) {
        useStartingTerminal();
        std::string error;
        commandLine = parseCommandLine(arguments, error);
        if (!commandLine) {
            writeUtf8(stderr, "xiuyun：" + error + "\n请看 xiuyun --help\n");
            return exitUsage;
        }
        if (commandLine->help) {
            writeUtf8(stdout, commandLineHelp());
#ifdef XIUYUN_SAMPLE_GALLERY
            writeUtf8(stdout, "\n");
            listSampleAddresses(stdout);
#endif
            return 0;
        }
    }

    const Text startDirectory = workingDirectory();
    const Text programDirectory = locateProgramDirectory();
    if (!enterProgramDirectory(programDirectory)) {
        writeUtf8(stderr, "xiuyun: no program directory to work in\n");
        return 1;
    }
#ifdef XIUYUN_SAMPLE_GALLERY
    sample::SampleSite sampleSite;
    const bool sampleServed = sampleSite.start();
    if (!sampleServed)
        writeUtf8(stderr, "xiuyun：示例图库没能启动（本机没有可用的端口）\n");
    else if (!commandLine)
        listSampleAddresses(stdout);
#endif

    // The program's requests go to the sample gallery, whichever front end it runs behind. A proxy
    // setting passed over is told on the error stream.
    const auto prepareNetwork = [&](NetworkContext& network) {
        network.setProxyNotices([](const std::string& line) { writeUtf8(stderr, "xiuyun：" + line + "\n"); });
#ifdef XIUYUN_SAMPLE_GALLERY
        if (sampleServed)
            sampleSite.routeInto(network);
#else
        static_cast<void>(network);
#endif
    };
    if (commandLine)
        return runCommandLine(*commandLine, programDirectory, startDirectory, stdout, stderr, prepareNetwork);
    std::optional<Program> program;
    runDesktopWindow(argc, argv, [&](Window& window) {
        program.emplace(window, programDirectory);
        program->routes = analysisRoutes();
        prepareNetwork(program->network);
        return commandHandlers(*program);
    });
}
