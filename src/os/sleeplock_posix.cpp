// The sleep lock as a logind inhibitor: Inhibit answers with a descriptor, and logind keeps the
// lock while that descriptor is open. The call runs on a connection of its own, processed here
// until an answer or the deadline, so that neither a hung bus nor its authentication outlasts
// sleepLockTimeout.
#include "os/sleeplock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace xiuyun {

struct SleepLock::Native {
    int descriptor = -1;
};

namespace {

struct InhibitCall {
    bool answered = false;
    int descriptor = -1; // a copy of the one in the answer, which goes with the message
    SleepLockOutcome outcome;
};

SleepLockOutcome failureOf(const sd_bus_error& error) {
    // A bus without logind answers for it that the name has no owner or can't be started.
    if (sd_bus_error_has_name(&error, SD_BUS_ERROR_SERVICE_UNKNOWN) ||
        sd_bus_error_has_name(&error, SD_BUS_ERROR_NAME_HAS_NO_OWNER) ||
        sd_bus_error_has_name(&error, SD_BUS_ERROR_UNKNOWN_OBJECT) ||
        sd_bus_error_has_name(&error, SD_BUS_ERROR_UNKNOWN_METHOD))
        return {SleepLockState::NoService, error.name};
    // sd-bus's own answer for a call it gave up on.
    if (sd_bus_error_has_name(&error, SD_BUS_ERROR_NO_REPLY) ||
        sd_bus_error_has_name(&error, SD_BUS_ERROR_TIMEOUT))
        return {SleepLockState::NoAnswer, error.name};
    return {SleepLockState::Refused, error.name ? error.name : ""};
}

int onInhibitAnswer(sd_bus_message* answer, void* userdata, sd_bus_error*) {
    InhibitCall& call = *static_cast<InhibitCall*>(userdata);
    call.answered = true;
    if (const sd_bus_error* error = sd_bus_message_get_error(answer)) {
        call.outcome = failureOf(*error);
        return 0;
    }
    int descriptor = -1;
    const int read = sd_bus_message_read(answer, "h", &descriptor);
    if (read <= 0) {
        call.outcome = {SleepLockState::Refused, read < 0 ? std::strerror(-read) : "no descriptor"};
        return 0;
    }
    call.descriptor = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
    if (call.descriptor < 0)
        call.outcome = {SleepLockState::Refused, std::strerror(errno)};
    return 0;
}

} // namespace

SleepLock::SleepLock() : m_native(std::make_unique<Native>()) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + sleepLockTimeout;
    sd_bus* bus = nullptr;
    // DBUS_SYSTEM_BUS_ADDRESS when set, else the system's socket.
    int result = sd_bus_open_system(&bus);
    if (result < 0) {
        m_outcome = {SleepLockState::NoBus, std::strerror(-result)};
        return;
    }
    InhibitCall call;
    sd_bus_slot* slot = nullptr;
    const auto timeout = std::chrono::duration_cast<std::chrono::microseconds>(sleepLockTimeout);
    sd_bus_set_method_call_timeout(bus, static_cast<uint64_t>(timeout.count()));
    result = sd_bus_call_method_async(bus, &slot, "org.freedesktop.login1", "/org/freedesktop/login1",
                                      "org.freedesktop.login1.Manager", "Inhibit", onInhibitAnswer, &call,
                                      "ssss", "sleep", "xiuyun", "下载进行中", "block");
    while (result >= 0 && !call.answered) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        result = sd_bus_process(bus, nullptr);
        if (result == 0)
            result = sd_bus_wait(bus, static_cast<uint64_t>(left.count()));
    }
    if (call.answered)
        m_outcome = call.outcome;
    else if (result < 0)
        m_outcome = {SleepLockState::NoBus, std::strerror(-result)};
    else
        m_outcome = {SleepLockState::NoAnswer, ""};
    m_native->descriptor = call.descriptor;
    sd_bus_slot_unref(slot);
    // Closed without a flush: a flush waits for a bus that may never read.
    sd_bus_close_unref(bus);
}

SleepLock::~SleepLock() {
    if (m_native->descriptor >= 0)
        ::close(m_native->descriptor);
}

} // namespace xiuyun
