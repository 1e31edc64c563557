// A fresh program directory per test, with a headless window and the program state over it.
#pragma once

#include "app/commands.h"
#include "os/files.h"
#include "os/programdir.h"
#include "program/program.h"
#include "support/environment.h"
#include "support/headlesswindow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>

namespace xiuyun::testing {

// A temporary directory removed with everything in it at the end of the test.
class TemporaryDirectory {
public:
    TemporaryDirectory() {
        std::error_code error;
        const std::filesystem::path base = std::filesystem::temp_directory_path(error);
        if (error)
            return;
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
            std::filesystem::path candidate = base / ("xiuyun-test-" + std::to_string(random() % 100000000));
            if (std::filesystem::create_directory(candidate, error))
                m_path = std::move(candidate);
        }
    }
    ~TemporaryDirectory() {
        if (!m_path.empty())
            files::removeTree(path());
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& native() const { return m_path; }
    Text path() const { return files::fromNativePath(m_path.native()); }

private:
    std::filesystem::path m_path;
};

// The product's policy with its waits shortened: the same tries and checks, so tests count what
// the product does, without waiting the product's seconds for a silent image.
inline DownloadPolicy quickDownloadPolicy() {
    DownloadPolicy policy;
    policy.imageTimeoutSeconds = 3;
    policy.schedulerWait = std::chrono::milliseconds(20);
    return policy;
}

class ProgramFixture : public ::testing::Test {
protected:
    ProgramFixture() : program(window, directory.path()) {
        program.downloadPolicy = quickDownloadPolicy();
        enterProgramDirectory(directory.path());
        window.setEvents(commandHandlers(program));
    }

    // Opens the window as the process start does.
    void startWindow() { window.events().windowCreated(); }

    Text lastMessageText() const {
        auto messages = window.messages();
        return messages.empty() ? Text{} : messages.back().text;
    }
    // The cause the last message posted carries, or the last of those with `id`.
    Cause lastCause(std::optional<MessageId> id = std::nullopt) const {
        const std::vector<Message> posted = program.messages.recent();
        for (auto message = posted.rbegin(); message != posted.rend(); ++message) {
            if (!id || message->id == *id)
                return message->cause;
        }
        return {};
    }

    TemporaryDirectory directory;
#ifndef _WIN32
    // The downloads of the tests ask a bus that is not there rather than the machine's own logind;
    // the sleep lock's tests put a bus of their own in its place.
    EnvironmentVariable noSystemBus{"DBUS_SYSTEM_BUS_ADDRESS",
                                    "unix:path=" + (directory.native() / "no_system_bus").string()};
#endif
    HeadlessWindow window;
    Program program;
};

} // namespace xiuyun::testing
