#include "program/messages.h"

#include "program/program.h"

namespace xiuyun {

void MessageLog::add(const Message& message) {
    std::lock_guard lock(m_mutex);
    if (m_recent.size() == capacity)
        m_recent.pop_front();
    m_recent.push_back(message);
    if (messageEntry(message.id).reportsFailure)
        ++m_failures;
    switch (message.id) {
    case MessageId::DownloadDone:
        m_outcome = DownloadOutcome::Downloaded;
        break;
    case MessageId::ListDownloadMaybeFailed:
    case MessageId::AlbumDownloadMaybeFailed:
        m_outcome = DownloadOutcome::MaybeFailed;
        break;
    default:
        break;
    }
}

std::vector<Message> MessageLog::recent() const {
    std::lock_guard lock(m_mutex);
    return {m_recent.begin(), m_recent.end()};
}

std::optional<Message> MessageLog::last() const {
    std::lock_guard lock(m_mutex);
    if (m_recent.empty())
        return std::nullopt;
    return m_recent.back();
}

int MessageLog::failures() const {
    std::lock_guard lock(m_mutex);
    return m_failures;
}

DownloadOutcome MessageLog::downloadOutcome() const {
    std::lock_guard lock(m_mutex);
    return m_outcome;
}

MessageAnswer post(Program& program, const Message& message, MessageButtons buttons) {
    program.messages.add(message);
    const MessageEntry& entry = messageEntry(message.id);
    return program.window.showMessage(messageText(message), captionText(entry.caption), entry.icon, buttons);
}

} // namespace xiuyun
