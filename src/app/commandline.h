// The program without a window: the same commands behind the console window, driven by the
// command line, for scripts and servers.
#pragma once

#include "net/proxychoice.h"
#include "text/text.h"
#include "window/controls.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace xiuyun {

class NetworkContext;

struct CommandLine {
    Control typeBox = Control::选择框_自动选择; // the page-type box ticked; 自动选择 detects the type
    int threads = 10;
    std::string folder; // native; empty for the program directory
    std::string address;
    bool force = false;
    bool skipExisting = false;
    bool help = false;
    ProxySetting proxy; // --proxy or --no-proxy; the system's setting when neither
};

// Exit codes: the download ended with "图片下载完成"; any other ending; a usage error; cancelled
// by Ctrl-C.
inline constexpr int exitDownloaded = 0;
inline constexpr int exitOtherEnding = 1;
inline constexpr int exitUsage = 2;
inline constexpr int exitInterrupted = 130;

// True when the arguments ask for the command line rather than the window.
bool wantsCommandLine(const std::vector<std::string>& arguments);

// The arguments after the program's name; nothing, with the reason in `error`, when they are not
// a valid command line.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments, std::string& error);
std::string commandLineHelp();

// Analyses and downloads as the window would, writing every box to `messages` and the progress to
// `progress`; answers the exit code. Relative folders are taken from `startDirectory`.
// `prepareNetwork` is handed the network of the program before its first request (where the
// built-in sample gallery and the tests route the site's host).
int runCommandLine(const CommandLine& commandLine, const Text& programDirectory, const Text& startDirectory,
                   std::FILE* messages, std::FILE* progress,
                   const std::function<void(NetworkContext&)>& prepareNetwork);

// Ends a running command-line download through the cancel command (what Ctrl-C does).
void requestCommandLineCancel();

} // namespace xiuyun
