// Posting a message: the engine names it by id with its values, the window shows it as a modal box
// (the posting thread waits until it is closed), and the log keeps it. Every box the program shows
// goes through here.
#pragma once

#include "program/messagecatalog.h"

#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace xiuyun {

struct Program;

// How the last download that ran to its end ended: its closing box.
enum class DownloadOutcome { None, Downloaded, MaybeFailed };

// The messages posted, newest last: the latest `capacity` of them, and counts of all of them.
// Read by the front ends from any thread.
class MessageLog {
public:
    static constexpr std::size_t capacity = 1000;

    void add(const Message& message);
    std::vector<Message> recent() const;
    std::optional<Message> last() const;
    // Messages posted that report a failure, since the start.
    int failures() const;
    DownloadOutcome downloadOutcome() const;

private:
    mutable std::mutex m_mutex;
    std::deque<Message> m_recent;
    int m_failures = 0;
    DownloadOutcome m_outcome = DownloadOutcome::None;
};

MessageAnswer post(Program& program, const Message& message, MessageButtons buttons = MessageButtons::Ok);
inline MessageAnswer post(Program& program, MessageId id, MessageButtons buttons = MessageButtons::Ok) {
    return post(program, Message{id}, buttons);
}

} // namespace xiuyun
