// What the threads of a program's downloads share with it: the count of those threads and the
// images already judged whole. The program holds it through a shared_ptr that each thread keeps
// as well, since a detached thread may take its last step after the program is gone.
#pragma once

#include "os/files.h"
#include "os/threads.h"
#include "text/text.h"

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace xiuyun {

// The images judged whole, by path, with the stamp they had then, so that the checks of an album
// read each image once.
class WholeImages {
public:
    bool holds(const Text& path, const files::FileStamp& stamp);
    void remember(const Text& path, const files::FileStamp& stamp);

private:
    // A bound on what a target folder of many downloads can make it hold; starting afresh only
    // costs one more read of each image.
    static constexpr std::size_t maxRemembered = 200000;
    std::mutex m_mutex;
    std::unordered_map<std::string, files::FileStamp> m_stamps;
};

struct Engine {
    // Every scheduler and worker thread, counted from its start to its very last step.
    ThreadCount threads;
    WholeImages wholeImages;
};

} // namespace xiuyun
