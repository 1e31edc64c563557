#include "download/historyrecords.h"

#include "download/history.h"
#include "os/filelock.h"
#include "text/encoding.h"

#include <algorithm>
#include <chrono>
#include <functional>

namespace xiuyun {
namespace {

constexpr std::string_view lineBreak = "\r\n";
// How long a record waits for another copy of the program to be done with the history; a copy
// holds it for one read and one write.
constexpr std::chrono::milliseconds lockWait(5000);
// Offsets into the content are 32 bits wide.
constexpr std::size_t maxIndexedBytes = UINT32_MAX - 1;

// The white space of the "\s" in normaliseLineList's expression, but for the line breaks.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// A record that normaliseLineList and dedupeLines leave as it is wherever it stands in a list of
// such records: not empty, no "\r", "\n" or zero byte, not only white space, and GBK that comes back
// byte for byte from the conversion to Unicode and back which the expression's replace goes through.
bool isPlainRecord(std::string_view record) {
    bool blank = true;
    bool ascii = true;
    for (const char c : record) {
        if (c == '\r' || c == '\n' || c == '\0')
            return false;
        blank = blank && isBlank(c);
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    if (blank)
        return false;
    return ascii || encoding::utf8ToGbk(encoding::gbkToUtf8(record)) == record;
}

std::size_t hashOf(std::string_view record) {
    return std::hash<std::string_view>{}(record);
}

struct Scan {
    bool plain = true;    // every record plain
    bool distinct = true; // no two records equal
};

// Indexes the records of a content read (split at "\r\n" as Text::split does) while they are plain.
Scan indexRecords(std::string_view content, RecordIndex& index) {
    index.clear();
    Scan scan;
    if (content.empty())
        return scan;
    if (content.size() >= maxIndexedBytes) {
        scan.plain = false;
        return scan;
    }
    for (std::size_t start = 0;;) {
        const std::size_t end = content.find(lineBreak, start);
        const std::size_t length = (end == std::string_view::npos ? content.size() : end) - start;
        if (!isPlainRecord(content.substr(start, length))) {
            scan.plain = false;
            return scan;
        }
        if (!index.insert(RecordText{content, {}}, static_cast<std::uint32_t>(start)))
            scan.distinct = false;
        if (end == std::string_view::npos)
            return scan;
        start = end + lineBreak.size();
    }
}

} // namespace

std::string_view RecordText::recordAt(std::uint32_t offset) const {
    const bool inRead = offset < read.size();
    const std::string_view piece = inRead ? read : added;
    const std::size_t start = inRead ? offset : offset - read.size();
    const std::size_t end = piece.find('\r', start);
    return piece.substr(start, (end == std::string_view::npos ? piece.size() : end) - start);
}

void RecordIndex::clear() {
    std::vector<std::uint32_t>().swap(m_slots);
    m_count = 0;
}

bool RecordIndex::insert(const RecordText& content, std::uint32_t offset) {
    if ((m_count + 1) * 2 > m_slots.size())
        grow(content);
    const std::string_view record = content.recordAt(offset);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hashOf(record) & mask;; slot = (slot + 1) & mask) {
        if (m_slots[slot] == emptySlot) {
            m_slots[slot] = offset;
            ++m_count;
            return true;
        }
        if (content.recordAt(m_slots[slot]) == record)
            return false;
    }
}

bool RecordIndex::contains(const RecordText& content, std::string_view record) const {
    if (m_slots.empty())
        return false;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hashOf(record) & mask;; slot = (slot + 1) & mask) {
        if (m_slots[slot] == emptySlot)
            return false;
        if (content.recordAt(m_slots[slot]) == record)
            return true;
    }
}

void RecordIndex::grow(const RecordText& content) {
    std::vector<std::uint32_t> old;
    old.swap(m_slots);
    m_slots.assign(std::max<std::size_t>(16, old.size() * 2), emptySlot);
    const std::size_t mask = m_slots.size() - 1;
    for (const std::uint32_t offset : old) {
        if (offset == emptySlot)
            continue;
        std::size_t slot = hashOf(content.recordAt(offset)) & mask;
        while (m_slots[slot] != emptySlot)
            slot = (slot + 1) & mask;
        m_slots[slot] = offset;
    }
}

FileReleaser::~FileReleaser() {
    {
        std::lock_guard guard(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void FileReleaser::release(files::HeldFile file) {
    std::lock_guard guard(m_mutex);
    m_files.push_back(std::move(file));
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
    m_wake.notify_one();
}

void FileReleaser::run() {
    std::unique_lock guard(m_mutex);
    while (true) {
        m_wake.wait(guard, [this] { return m_stopping || !m_files.empty(); });
        std::vector<files::HeldFile> letGo;
        letGo.swap(m_files);
        guard.unlock();
        letGo.clear();
        guard.lock();
        if (m_stopping && m_files.empty())
            return;
    }
}

bool HistoryRecords::checkAndRecord(const Text& path, const Text& address) {
    std::lock_guard guard(m_mutex);
    const std::optional<files::FileLock> lock = files::FileLock::acquire(files::lockFileFor(path), lockWait);
    if (!refresh(path))
        return false;
    if (contains(address.bytes()))
        return true;
    if (lock)
        record(path, address.bytes());
    return false;
}

bool HistoryRecords::refresh(const Text& path) {
    const std::optional<files::FileStamp> stamp = files::fileStamp(path);
    if (!stamp)
        return false;
    // The same stamp means the same bytes: every copy of the program writes a new file and renames
    // it over the name, so a history written since has another file number or time, and where a
    // freed number comes back within one tick of the clock, another size, as records only add to it.
    if (stamp == m_stamp)
        return true;
    // Room first: the old content and the new one are never held at once.
    m_stamp.reset();
    std::string().swap(m_content);
    std::string().swap(m_added);
    m_index.clear();
    m_indexed = false;
    std::optional<ByteArray> bytes = files::readFile(path);
    if (!bytes)
        return false;
    bytes->resize(std::min(bytes->find('\0'), bytes->size()));
    adopt(std::move(*bytes));
    m_stamp = stamp;
    return true;
}

void HistoryRecords::adopt(std::string text) {
    // normaliseLineList's first two steps, then its expression only where it could change a byte.
    const bool leading = text.starts_with(lineBreak);
    if (leading)
        text.erase(0, lineBreak.size());
    const bool trailing = text.ends_with(lineBreak);
    if (trailing)
        text.resize(text.size() - lineBreak.size());
    std::string().swap(m_added);
    Scan scan = indexRecords(text, m_index);
    if (scan.plain) {
        m_content = std::move(text);
    } else {
        if (trailing)
            text += lineBreak;
        if (leading)
            text.insert(0, lineBreak);
        m_content = normaliseLineList(Text::fromGbk(std::move(text))).bytes();
        scan = indexRecords(m_content, m_index);
    }
    m_indexed = scan.plain && scan.distinct;
    if (!m_indexed)
        m_index.clear();
}

bool HistoryRecords::contains(const std::string& address) const {
    // Every record of an indexed content is in the index; an address that is no plain record
    // equals none of them.
    if (m_indexed)
        return m_index.contains(text(), address);
    const std::vector<Text> records = Text::fromGbk(m_content + m_added).split(Text::fromGbk(lineBreak));
    return std::find(records.begin(), records.end(), Text::fromGbk(address)) != records.end();
}

bool HistoryRecords::record(const Text& path, const std::string& address) {
    const std::size_t size = m_content.size() + m_added.size();
    if (m_indexed && isPlainRecord(address) && size + address.size() + 2 < maxIndexedBytes) {
        // content + "\r\n" + address, deduplicated, is the same bytes, as no record repeats, and
        // it is its own normalised form; but for the first record of an empty content, which
        // comes after an empty one in the file and alone in the content.
        const std::size_t before = m_added.size();
        if (size > 0)
            m_added += lineBreak;
        const auto offset = static_cast<std::uint32_t>(m_content.size() + m_added.size());
        m_added += address;
        if (!write(path, size > 0 ? std::string_view(m_content) : lineBreak, m_added)) {
            m_added.resize(before);
            return false;
        }
        m_index.insert(text(), offset);
        m_stamp = files::fileStamp(path);
        return true;
    }
    const Text lineBreakText = Text::fromGbk(lineBreak);
    const Text updated = dedupeLines(
        Text::fromGbk(m_content + m_added) + lineBreakText + Text::fromGbk(address), lineBreakText);
    if (!write(path, updated.bytes(), {}))
        return false;
    // What the next read of the file gives.
    adopt(Text::fromGbkUpToZero(updated.bytes()).bytes());
    m_stamp = files::fileStamp(path);
    return true;
}

bool HistoryRecords::write(const Text& path, std::string_view first, std::string_view second) {
    std::optional<files::HeldFile> replaced = files::HeldFile::hold(path);
    std::optional<files::PartFile> file = files::PartFile::create(path);
    // Flushed before the rename, so that a power cut leaves the old history or the new one on
    // every file system: of all data files only this one can't be fetched again. On the machine
    // the history benchmark ran on it cost 1 to 2 ms of the 3 to 5 ms of a record at 100,000
    // records.
    const bool written = file && file->write(first) && file->write(second) && file->flush() && file->commit();
    if (replaced)
        m_releaser.release(std::move(*replaced));
    return written;
}

} // namespace xiuyun
