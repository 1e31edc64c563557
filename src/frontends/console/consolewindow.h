// The window of the command line: the controls' state without a screen, every message box written
// out as it appears (caption and text, UTF-8) and answered OK, and a progress line. The command
// line hands its requests to the commands itself; nothing is typed into this window.
#pragma once

#include "window/controlmodel.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

namespace xiuyun {

class ConsoleWindow : public ControlModel {
public:
    // Boxes go to `messages`; the progress line to `progress`, rewritten in place when that is a
    // terminal, as plain lines otherwise.
    ConsoleWindow(std::FILE* messages, std::FILE* progress);

    MessageAnswer showMessage(const Text& text, const Text& caption, MessageIcon icon,
                              MessageButtons buttons = MessageButtons::Ok) override;
    // No one to ask: the picker is cancelled.
    Text chooseFolder(const FolderDialog& dialog) override;
    // Nothing waits to be painted.
    void pumpMessages() override {}

    // Shows the progress line: on a terminal in place of the one before; elsewhere as a line of
    // its own, at most one a second unless it is the last.
    enum class Progress { Running, Last };
    void showProgress(const std::string& line, Progress progress = Progress::Running);
    // A line for the user beside the boxes, on the progress stream, such as a warning.
    void showNotice(const std::string& line);
    // Ends the progress line, so that what follows starts on a line of its own.
    void endProgress();
    // A line of the command line's own among the messages.
    void printLine(const Text& text);

private:
    void clearProgressLocked();

    std::FILE* m_messages;
    std::FILE* m_progress;
    bool m_progressIsTerminal;
    std::mutex m_outputMutex;
    std::string m_shownProgress;
    std::chrono::steady_clock::time_point m_lastPlainLine{};
};

} // namespace xiuyun
