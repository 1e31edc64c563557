// A fresh program directory per test, with a headless window and the program state over it.
#pragma once

#include "app/commands.h"
#include "platform/files.h"
#include "platform/headlesswindow.h"
#include "platform/programdir.h"
#include "program/program.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace xiuyun::testing {

// A temporary directory removed with everything in it at the end of the test.
class TemporaryDirectory {
public:
    TemporaryDirectory() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/xiuyun-test-XXXXXX";
        if (char* made = ::mkdtemp(pattern.data()))
            m_path = made;
    }
    ~TemporaryDirectory() {
        if (!m_path.empty())
            files::removeTree(files::fromNativePath(m_path));
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::string& native() const { return m_path; }
    Text path() const { return files::fromNativePath(m_path); }

private:
    std::string m_path;
};

class ProgramFixture : public ::testing::Test {
protected:
    ProgramFixture() : program(window, directory.path()) {
        enterProgramDirectory(directory.path());
        window.setEvents(commandHandlers(program));
    }

    // Opens the window as the process start does.
    void startWindow() { window.events().windowCreated(); }

    Text lastMessageText() const {
        auto messages = window.messages();
        return messages.empty() ? Text{} : messages.back().text;
    }

    TemporaryDirectory directory;
    HeadlessWindow window;
    Program program;
};

} // namespace xiuyun::testing
