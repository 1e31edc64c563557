// A second process for the tests of what holds between processes. Its words (UTF-8):
//   lock FILE READY                    takes the lock on FILE, then writes READY and holds the
//                                      lock until killed
//   record DIRECTORY PREFIX FIRST LAST [PAUSE]
//                                      records the addresses PREFIX<n>, n = FIRST … LAST, one after
//                                      the other (PAUSE ms apart) in the history of the program
//                                      directory DIRECTORY; exit code 3 when one was found there
//                                      already
//   download DIRECTORY PORT ADDRESS THREADS
//                                      the command line's download of the category ADDRESS into the
//                                      program directory DIRECTORY, the site's host on PORT of
//                                      127.0.0.1; its exit code
//   run PORT ARGUMENT...               the command line as the program runs it (the arguments as
//                                      given, its own program directory, the site's host on PORT)
#include "app/commandline.h"
#include "download/history.h"
#include "net/networkcontext.h"
#include "net/site.h"
#include "os/arguments.h"
#include "os/filelock.h"
#include "os/files.h"
#include "os/programdir.h"
#include "program/program.h"
#include "support/headlesswindow.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace xiuyun;

namespace {

int holdLock(const Text& file, const Text& ready) {
    auto lock = files::FileLock::acquire(file, std::chrono::seconds(30));
    if (!lock || !files::writeFile(ready, "ready"))
        return 2;
    std::this_thread::sleep_for(std::chrono::minutes(2));
    return 0;
}

int recordAddresses(const Text& directory, const Text& prefix, long long first, long long last,
                    std::chrono::milliseconds pause) {
    HeadlessWindow window;
    Program program(window, directory);
    int result = 0;
    for (long long n = first; n <= last; ++n) {
        if (checkAndRecordHistory(program, prefix + Text::number(n)))
            result = 3;
        std::this_thread::sleep_for(pause);
    }
    return result;
}

int downloadCategory(const std::string& directory, int port, const std::string& address, int threads) {
    CommandLine commandLine;
    commandLine.typeBox = Control::选择框_图集分类;
    commandLine.threads = threads;
    commandLine.folder = directory;
    commandLine.address = address;
    const Text programDirectory = Text::fromUtf8(directory);
    return runCommandLine(
        commandLine, programDirectory, programDirectory, stdout, stderr,
        [port](NetworkContext& network) { network.routeHostToLoopback(std::string(SITE_HOST), port); });
}

int runAsProgram(int port, const std::vector<std::string>& arguments) {
    std::string error;
    const std::optional<CommandLine> commandLine = parseCommandLine(arguments, error);
    if (!commandLine)
        return 2;
    const Text startDirectory = workingDirectory();
    const Text programDirectory = locateProgramDirectory();
    if (!enterProgramDirectory(programDirectory))
        return 1;
    return runCommandLine(
        *commandLine, programDirectory, startDirectory, stdout, stderr,
        [port](NetworkContext& network) { network.routeHostToLoopback(std::string(SITE_HOST), port); });
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words = programArguments(argc, argv);
    auto word = [&words](std::size_t i) { return i < words.size() ? Text::fromUtf8(words[i]) : Text(); };
    if (words.size() == 3 && words[0] == "lock")
        return holdLock(word(1), word(2));
    if ((words.size() == 5 || words.size() == 6) && words[0] == "record")
        return recordAddresses(word(1), word(2), word(3).toInteger(), word(4).toInteger(),
                               std::chrono::milliseconds(word(5).toInteger()));
    if (words.size() == 5 && words[0] == "download")
        return downloadCategory(words[1], static_cast<int>(word(2).toInteger()), words[3],
                                static_cast<int>(word(4).toInteger()));
    if (words.size() >= 2 && words[0] == "run")
        return runAsProgram(static_cast<int>(word(1).toInteger()), {words.begin() + 2, words.end()});
    return 2;
}
