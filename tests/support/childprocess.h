// A program run as a process of its own, to show what holds between processes: a lock, a file two
// copies of the program write, a file left behind by a process killed in the middle of its work.
#pragma once

#include "os/files.h"

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace xiuyun::testing {

class ChildProcess {
public:
    // The program and its arguments, UTF-8.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments) {
#ifdef _WIN32
        std::wstring commandLine = quoted(widen(program));
        for (const std::string& argument : arguments)
            commandLine += L" " + quoted(widen(argument));
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION information{};
        // A path from the build of another system ("/work/…", under Wine) is on the drive of the
        // test program, whatever drive the test's working folder is on.
        std::wstring application = files::nativePath(files::pathFromUser(program));
        if (!application.empty() && application[0] == L'\\' &&
            (application.size() < 2 || application[1] != L'\\')) {
            wchar_t self[MAX_PATH];
            if (GetModuleFileNameW(nullptr, self, MAX_PATH) >= 2 && self[1] == L':')
                application = std::wstring(self, 2) + application;
        }
        if (CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &information)) {
            CloseHandle(information.hThread);
            m_process = information.hProcess;
        }
#else
        std::vector<std::string> all{program};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& argument : all)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
#endif
    }
    ~ChildProcess() {
        if (running()) {
            kill();
            wait(std::chrono::seconds(60));
        }
#ifdef _WIN32
        if (m_process)
            CloseHandle(m_process);
#endif
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const {
#ifdef _WIN32
        return m_process != nullptr;
#else
        return m_pid > 0;
#endif
    }

    // Ends the process at once, as a crash or a power cut of the process would (SIGKILL).
    void kill() {
#ifdef _WIN32
        if (m_process)
            TerminateProcess(m_process, 137);
#else
        if (m_pid > 0)
            ::kill(m_pid, SIGKILL);
#endif
    }

    // The exit code once the process has ended, waiting at most `limit`; -1 for a process that was
    // killed; nothing when it still runs.
    std::optional<int> wait(std::chrono::milliseconds limit) {
        if (m_exitCode)
            return m_exitCode;
#ifdef _WIN32
        DWORD code = 0;
        if (!m_process ||
            WaitForSingleObject(m_process, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(m_process, &code))
            return std::nullopt;
        m_exitCode = code == 137 ? -1 : static_cast<int>(code);
#else
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (m_pid > 0) {
            int status = 0;
            const pid_t ended = ::waitpid(m_pid, &status, WNOHANG);
            if (ended == m_pid) {
                m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                break;
            }
            if (ended < 0 || std::chrono::steady_clock::now() >= deadline)
                return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
#endif
        return m_exitCode;
    }

    bool running() {
        return started() && !wait(std::chrono::milliseconds(0));
    }

private:
#ifdef _WIN32
    static std::wstring widen(const std::string& utf8) {
        const int length =
            MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(length), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
        return wide;
    }
    // One argument as the C library of the child splits its command line again.
    static std::wstring quoted(const std::wstring& argument) {
        std::wstring result = L"\"";
        std::size_t backslashes = 0;
        for (wchar_t c : argument) {
            if (c == L'\\') {
                ++backslashes;
                continue;
            }
            result.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
            backslashes = 0;
            result += c;
        }
        result.append(backslashes * 2, L'\\');
        return result + L"\"";
    }

    HANDLE m_process = nullptr;
#else
    pid_t m_pid = -1;
#endif
    std::optional<int> m_exitCode;
};

} // namespace xiuyun::testing
