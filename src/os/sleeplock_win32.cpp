// The sleep lock as the thread execution state. The state belongs to the thread that sets it, so a
// thread of the lock's own sets it, waits until the lock goes and clears it: the state holds
// whatever the thread that took the lock does meanwhile, and goes with the lock.
#include "os/sleeplock.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include <windows.h>

namespace xiuyun {
namespace {

unsigned long setThreadExecutionState(unsigned long flags) {
    return SetThreadExecutionState(flags);
}

std::atomic<ExecutionStateCall> executionStateCall{setThreadExecutionState};

} // namespace

struct SleepLock::Native {
    std::mutex mutex;
    std::condition_variable changed;
    bool answered = false;
    bool held = false;
    bool released = false;
    std::thread thread;
};

ExecutionStateCall replaceExecutionStateCall(ExecutionStateCall call) {
    return executionStateCall.exchange(call);
}

SleepLock::SleepLock() : m_native(std::make_unique<Native>()) {
    Native& native = *m_native;
    const ExecutionStateCall call = executionStateCall.load();
    try {
        native.thread = std::thread([&native, call] {
            // ES_DISPLAY_REQUIRED left out: the screen may go dark, only the system must stay up.
            const bool held = call(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0;
            std::unique_lock lock(native.mutex);
            native.held = held;
            native.answered = true;
            native.changed.notify_all();
            if (!held)
                return;
            native.changed.wait(lock, [&native] { return native.released; });
            call(ES_CONTINUOUS);
        });
    } catch (const std::system_error& error) {
        m_outcome = {SleepLockState::Refused, error.what()};
        return;
    }
    std::unique_lock lock(native.mutex);
    native.changed.wait(lock, [&native] { return native.answered; });
    if (!native.held)
        m_outcome = {SleepLockState::Refused, "SetThreadExecutionState"};
}

SleepLock::~SleepLock() {
    {
        std::lock_guard lock(m_native->mutex);
        m_native->released = true;
    }
    m_native->changed.notify_all();
    if (m_native->thread.joinable())
        m_native->thread.join();
}

} // namespace xiuyun
