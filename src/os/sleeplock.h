// A lock that keeps the system from sleeping while it is held: logind's sleep inhibitor on Linux,
// the thread execution state on Windows. The screen may still turn off.
#pragma once

#include <chrono>
#include <memory>
#include <string>

namespace xiuyun {

// Whether the lock was taken and, when not, why.
enum class SleepLockState {
    Held,
    NoBus,     // no system bus to talk to (a container, a server without D-Bus)
    NoService, // the bus has no login manager on it
    Refused,   // the system answered no
    NoAnswer,  // nothing came back within sleepLockTimeout
};

struct SleepLockOutcome {
    SleepLockState state = SleepLockState::Held;
    std::string detail; // the system's own words for a failure (an errno text, a D-Bus error), ASCII
};

// The longest the taking of the lock may wait for the system: a hung bus must not hold up the
// download that asks.
inline constexpr std::chrono::milliseconds sleepLockTimeout{2000};

class SleepLock { // lets the lock go in the destructor
public:
    SleepLock();
    ~SleepLock();
    SleepLock(const SleepLock&) = delete;
    SleepLock& operator=(const SleepLock&) = delete;

    bool held() const { return m_outcome.state == SleepLockState::Held; }
    const SleepLockOutcome& outcome() const { return m_outcome; }

private:
    struct Native;
    std::unique_ptr<Native> m_native;
    SleepLockOutcome m_outcome;
};

#ifdef _WIN32
// SetThreadExecutionState's shape. The lock makes its calls through this, so that a test can see
// which thread makes them and with which flags, and can refuse them.
using ExecutionStateCall = unsigned long (*)(unsigned long flags);
// Replaces the call the locks made from now on use; answers the one before.
ExecutionStateCall replaceExecutionStateCall(ExecutionStateCall call);
#endif

} // namespace xiuyun
