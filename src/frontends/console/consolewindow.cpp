#include "frontends/console/consolewindow.h"

#include "os/terminal.h"

namespace xiuyun {

ConsoleWindow::ConsoleWindow(std::FILE* messages, std::FILE* progress)
    : m_messages(messages), m_progress(progress), m_progressIsTerminal(isTerminal(progress)) {}

void ConsoleWindow::printLine(const Text& text) {
    std::lock_guard lock(m_outputMutex);
    clearProgressLocked();
    writeUtf8(m_messages, text.toUtf8() + "\n");
}

MessageAnswer ConsoleWindow::showMessage(const Text& text, const Text& caption, MessageIcon icon,
                                         MessageButtons buttons) {
    {
        std::lock_guard lock(m_outputMutex);
        clearProgressLocked();
        std::string body = text.toUtf8();
        std::string plain;
        plain.reserve(body.size());
        for (std::size_t i = 0; i < body.size(); ++i) {
            if (body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n')
                continue;
            plain += body[i];
        }
        writeUtf8(m_messages, "【" + caption.toUtf8() + "】\n" + plain + "\n\n");
    }
    (void)icon;
    (void)buttons;
    return MessageAnswer::Ok;
}

Text ConsoleWindow::chooseFolder(const FolderDialog&) {
    return {};
}

void ConsoleWindow::showProgress(const std::string& line, Progress progress) {
    std::lock_guard lock(m_outputMutex);
    if (line == m_shownProgress)
        return;
    if (m_progressIsTerminal) {
        writeUtf8(m_progress, "\r\033[K" + line);
    } else {
        const auto now = std::chrono::steady_clock::now();
        if (progress == Progress::Running && now - m_lastPlainLine < std::chrono::seconds(1))
            return;
        m_lastPlainLine = now;
        writeUtf8(m_progress, line + "\n");
    }
    m_shownProgress = line;
}

void ConsoleWindow::showNotice(const std::string& line) {
    std::lock_guard lock(m_outputMutex);
    clearProgressLocked();
    writeUtf8(m_progress, line + "\n");
}

void ConsoleWindow::endProgress() {
    std::lock_guard lock(m_outputMutex);
    if (m_progressIsTerminal && !m_shownProgress.empty()) {
        writeUtf8(m_progress, "\n");
    }
    m_shownProgress.clear();
}

void ConsoleWindow::clearProgressLocked() {
    // A box takes the place of the line; the next progress draws it again below the box.
    if (m_progressIsTerminal && !m_shownProgress.empty()) {
        writeUtf8(m_progress, "\r\033[K");
    }
    m_shownProgress.clear();
}

} // namespace xiuyun
