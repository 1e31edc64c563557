// A second process for the tests of what holds between processes. Its words (UTF-8):
//   lock FILE READY    takes the lock on FILE, then writes READY and holds the lock until killed
#include "platform/arguments.h"
#include "platform/filelock.h"
#include "platform/files.h"

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

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words = programArguments(argc, argv);
    auto word = [&words](std::size_t i) { return i < words.size() ? Text::fromUtf8(words[i]) : Text(); };
    if (words.size() == 3 && words[0] == "lock")
        return holdLock(word(1), word(2));
    return 2;
}
