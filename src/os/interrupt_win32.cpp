#include "os/interrupt.h"

#include <atomic>
#include <windows.h>

namespace xiuyun {
namespace {

std::atomic<void (*)()> interruptHandler{nullptr};
std::atomic<bool> interrupted{false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT)
        return FALSE;
    // The second Ctrl-C goes on to the default handler, which ends the process, as the POSIX
    // side's reset handler does.
    if (interrupted.exchange(true))
        return FALSE;
    if (auto handler = interruptHandler.load())
        handler();
    return TRUE;
}

} // namespace

void catchInterrupt(void (*handler)()) {
    interruptHandler = handler;
    interrupted = false;
    // Once: the system would call a routine added twice twice.
    static const bool added = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
    (void)added;
}

} // namespace xiuyun
