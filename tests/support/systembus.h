// A bus of the test's own standing in for the system bus, optionally with a mock of logind on it
// (the logind template of python3-dbusmock), so that the sleep lock's calls can be watched.
// DBUS_SYSTEM_BUS_ADDRESS names it for the life of the object. Linux only.
#pragma once

#include "support/childprocess.h"
#include "support/environment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <systemd/sd-bus.h>
#include <thread>
#include <vector>

namespace xiuyun::testing {

struct Inhibitor {
    std::string what, who, why, mode;
    bool operator==(const Inhibitor&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Inhibitor& inhibitor) {
    return out << inhibitor.what << "/" << inhibitor.who << "/" << inhibitor.why << "/" << inhibitor.mode;
}

enum class Logind { Absent, Mocked };

class MockSystemBus {
public:
    // The bus listens at `socket`, a path in the test's directory.
    MockSystemBus(const std::filesystem::path& socket, Logind logind)
        : m_address(addressOf(socket)), m_variable("DBUS_SYSTEM_BUS_ADDRESS", m_address),
          m_daemon(XIUYUN_DBUS_DAEMON, {"--session", "--nofork", "--nopidfile", "--address=" + m_address}) {
        EXPECT_TRUE(m_daemon.started()) << "dbus-daemon (Debian's dbus-daemon) did not start";
        waitUntil([&] { return std::filesystem::exists(socket); });
        EXPECT_TRUE(std::filesystem::exists(socket)) << "dbus-daemon never listened at " << socket;
        if (logind == Logind::Absent)
            return;
        // Debian's python3-dbusmock is a module of Debian's own interpreter.
        m_logind.emplace(XIUYUN_DEBIAN_PYTHON,
                         std::vector<std::string>{"-m", "dbusmock", "--template", "logind", "--logfile",
                                                  (socket.parent_path() / "logind.log").string()});
        waitUntil([&] { return inhibitors().has_value() || !m_logind->running(); });
        EXPECT_TRUE(inhibitors()) << "the mock of logind never answered: is python3-dbusmock installed?";
    }
    MockSystemBus(const MockSystemBus&) = delete;
    MockSystemBus& operator=(const MockSystemBus&) = delete;

    // The address the bus listens at, as D-Bus writes it.
    static std::string addressOf(const std::filesystem::path& socket) {
        return "unix:path=" + socket.string();
    }

    // What logind lists as held now; nothing when it does not answer.
    std::optional<std::vector<Inhibitor>> inhibitors() const {
        sd_bus* bus = nullptr;
        if (sd_bus_open_system(&bus) < 0)
            return std::nullopt;
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        std::optional<std::vector<Inhibitor>> listed;
        if (sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                               "org.freedesktop.login1.Manager", "ListInhibitors", &error, &reply, "") >= 0 &&
            sd_bus_message_enter_container(reply, 'a', "(ssssuu)") >= 0) {
            listed.emplace();
            const char *what, *who, *why, *mode;
            uint32_t user, process;
            while (sd_bus_message_read(reply, "(ssssuu)", &what, &who, &why, &mode, &user, &process) > 0)
                listed->push_back({what, who, why, mode});
        }
        sd_bus_message_unref(reply);
        sd_bus_error_free(&error);
        sd_bus_flush_close_unref(bus);
        return listed;
    }

    // The inhibitors once there are `count` of them; logind drops one a moment after its
    // descriptor is closed. What is listed at the last try when the count never comes.
    std::vector<Inhibitor> waitForInhibitors(std::size_t count) const {
        std::optional<std::vector<Inhibitor>> listed;
        waitUntil([&] {
            listed = inhibitors();
            return listed && listed->size() == count;
        });
        return listed.value_or(std::vector<Inhibitor>{});
    }

private:
    template <typename Condition> static void waitUntil(Condition condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!condition() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    std::string m_address;
    EnvironmentVariable m_variable;
    ChildProcess m_daemon;
    std::optional<ChildProcess> m_logind;
};

} // namespace xiuyun::testing
