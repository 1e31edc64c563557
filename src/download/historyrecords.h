// The download history kept in memory between two records: the normalised content of the file as
// last read or written, its records in a hash index, and the stamp of the file it came from. An
// album recorded then costs a look-up and one write of the file instead of a read, a
// normalisation and a search of all of it; the file is read again only when its stamp changed.
#pragma once

#include "os/files.h"
#include "text/text.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace xiuyun {

// A content of records in two pieces, one after the other: what was read from the file, and what
// was recorded since. Appending a record then never moves the part read, which a growing single
// buffer would copy, twice its size held for a moment.
struct RecordText {
    std::string_view read;
    std::string_view added;
    // The record that starts at `offset` (counted over both pieces); it ends at the next "\r" or
    // at the end of its piece.
    std::string_view recordAt(std::uint32_t offset) const;
};

// The records of a content, found by hash: the offsets at which they start, into a content the
// index does not own.
class RecordIndex {
public:
    void clear();
    // False when an equal record is there already (it is not added again).
    bool insert(const RecordText& content, std::uint32_t offset);
    bool contains(const RecordText& content, std::string_view record) const;

private:
    void grow(const RecordText& content);

    static constexpr std::uint32_t emptySlot = UINT32_MAX;
    std::vector<std::uint32_t> m_slots;
    std::size_t m_count = 0;
};

// Lets go of replaced files on a thread of its own: a record does not wait while the system frees
// the blocks of the file it replaced.
class FileReleaser {
public:
    FileReleaser() = default;
    FileReleaser(const FileReleaser&) = delete;
    FileReleaser& operator=(const FileReleaser&) = delete;
    // Lets go of what is left, then ends the thread.
    ~FileReleaser();
    void release(files::HeldFile file);

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<files::HeldFile> m_files;
    bool m_stopping = false;
    std::thread m_thread;
};

class HistoryRecords {
public:
    // checkAndRecordHistory on the history file `path`, which exists as a plain file. The check,
    // the record and the write run under the lock of the operating system on the file's lock
    // file, so that a second copy of the program between them loses no record; without the lock
    // the check is still made, but nothing is written.
    bool checkAndRecord(const Text& path, const Text& address);

private:
    // Reads the file again when its stamp changed; false when it can't be read.
    bool refresh(const Text& path);
    // Takes what a read of the file gives (its bytes up to the first zero byte) as the content.
    void adopt(std::string text);
    RecordText text() const { return {m_content, m_added}; }
    bool contains(const std::string& address) const;
    bool record(const Text& path, const std::string& address);
    // Replaces the file with the two pieces, one after the other.
    bool write(const Text& path, std::string_view first, std::string_view second);

    std::mutex m_mutex;
    std::optional<files::FileStamp> m_stamp; // of the file the content was read from or written to
    // The content: normaliseLineList of the file's text, m_content followed by m_added.
    std::string m_content;
    std::string m_added;
    // True when every record of the content is plain (see historyrecords.cpp) and no two are
    // equal; then m_index holds them all, and recording a plain address only appends it.
    bool m_indexed = false;
    RecordIndex m_index;
    FileReleaser m_releaser;
};

} // namespace xiuyun
