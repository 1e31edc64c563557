#include "os/interrupt.h"

#include <atomic>
#include <csignal>

namespace xiuyun {
namespace {

std::atomic<void (*)()> interruptHandler{nullptr};

extern "C" void onInterrupt(int) {
    if (auto handler = interruptHandler.load())
        handler();
}

} // namespace

void catchInterrupt(void (*handler)()) {
    interruptHandler = handler;
    // SA_RESETHAND: the next interrupt finds the default action again and ends the program.
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace xiuyun
