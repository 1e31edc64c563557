#include "download/journal.h"

#include "os/files.h"
#include "program/program.h"
#include "text/textutils.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace xiuyun {
namespace {

constexpr std::string_view firstLine = "xiuyun-job 1";
constexpr std::string_view lineBreak = "\r\n";

// A field never holds the separators of the file.
std::string field(const Text& text) {
    std::string bytes = text.bytes();
    std::replace_if(
        bytes.begin(), bytes.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return bytes;
}

std::vector<std::string> fieldsOf(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string_view::npos; tab = line.find('\t', from)) {
        fields.emplace_back(line.substr(from, tab - from));
        from = tab + 1;
    }
    fields.emplace_back(line.substr(from));
    return fields;
}

long long numberOf(const std::string& digits) {
    return Text::fromGbk(digits).toInteger();
}

Text jobsFolder(const Program& program) {
    return program.dataDir() + "\\jobs"_t;
}

} // namespace

JobKey jobOf(const Program& program, const Text& folder) {
    const Analysis& analysis = program.analysis;
    Text address = analysis.analysedUrl;
    // "…/t/x/3.html" is page 3 of the list "…/t/x/": one job, wherever it was started from.
    if (isListPageType(analysis.pageType) && isNumber(fileNameOf(address, Extension::Drop)))
        address = address.left(address.size() - fileNameOf(address, Extension::Keep).size());
    return {address, analysis.pageType, folder};
}

Text Journal::fileOf(const Program& program, const JobKey& key) {
    // FNV-1a over the key: a name of fixed length whatever the address and folder; the key inside
    // the file settles a clash.
    std::uint64_t hash = 14695981039346656037ULL;
    const std::string whole = key.address.bytes() + '\n' + std::to_string(static_cast<int>(key.pageType)) +
                              '\n' + key.folder.bytes();
    for (unsigned char byte : whole) {
        hash ^= byte;
        hash *= 1099511628211ULL;
    }
    char name[24];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return jobsFolder(program) + "\\"_t + Text::fromGbk(name) + ".q"_t;
}

Journal Journal::open(const Program& program, const JobKey& key) {
    const Text path = fileOf(program, key);
    if (const std::optional<ByteArray> bytes = files::readFile(path)) {
        if (std::optional<Journal> stored = parse(path, key, Text::fromGbk(*bytes))) {
            stored->m_resumes = stored->unfinished();
            return std::move(*stored);
        }
    }
    return Journal(path, key);
}

Text Journal::serialise() const {
    std::string out(firstLine);
    auto line = [&out](std::initializer_list<std::string> fields) {
        out += lineBreak;
        bool first = true;
        for (const std::string& f : fields) {
            if (!first)
                out += '\t';
            out += f;
            first = false;
        }
    };
    line({"address", field(m_key.address)});
    line({"type", std::to_string(static_cast<int>(m_key.pageType))});
    line({"folder", field(m_key.folder)});
    line({"state", m_finished ? "finished" : "running"});
    line({"report", m_reportWritten ? "1" : "0"});
    for (const auto& [page, albums] : m_pages) {
        if (albums > 0)
            line({"page", field(page), std::to_string(albums)});
        else
            line({"page", field(page)});
    }
    for (const auto& [link, page] : m_albums)
        line({"album", field(page), field(link)});
    for (const LedgerEntry& e : m_ledger)
        line({"failed", field(e.page), std::to_string(e.albumNumber), field(e.albumTitle),
              std::to_string(e.imageNumber), field(e.address), field(e.cause)});
    if (m_overflow > 0)
        line({"overflow", std::to_string(m_overflow)});
    out += lineBreak;
    return Text::fromGbk(std::move(out));
}

std::optional<Journal> Journal::parse(const Text& path, const JobKey& key, const Text& text) {
    const std::string& bytes = text.bytes();
    if (!bytes.starts_with(firstLine))
        return std::nullopt;
    Journal journal(path, key);
    JobKey stored;
    std::size_t from = 0;
    while (from < bytes.size()) {
        std::size_t end = bytes.find(lineBreak, from);
        if (end == std::string::npos)
            end = bytes.size(); // a line cut short by a crash can't be: the file is renamed whole
        const std::vector<std::string> f = fieldsOf(std::string_view(bytes).substr(from, end - from));
        from = end + lineBreak.size();
        const std::string& kind = f[0];
        if (kind == "address" && f.size() == 2)
            stored.address = Text::fromGbk(f[1]);
        else if (kind == "type" && f.size() == 2)
            stored.pageType = static_cast<PageType>(numberOf(f[1]));
        else if (kind == "folder" && f.size() == 2)
            stored.folder = Text::fromGbk(f[1]);
        else if (kind == "state" && f.size() == 2)
            journal.m_finished = f[1] == "finished";
        else if (kind == "report" && f.size() == 2)
            journal.m_reportWritten = f[1] == "1";
        else if (kind == "page" && (f.size() == 2 || f.size() == 3))
            journal.m_pages[Text::fromGbk(f[1])] = f.size() == 3 ? std::max(0LL, numberOf(f[2])) : 0;
        else if (kind == "album" && f.size() == 3)
            journal.m_albums[Text::fromGbk(f[2])] = Text::fromGbk(f[1]);
        else if (kind == "failed" && f.size() == 7)
            journal.addLedgerEntry({Text::fromGbk(f[1]), numberOf(f[2]), Text::fromGbk(f[3]), numberOf(f[4]),
                                    Text::fromGbk(f[5]), Text::fromGbk(f[6])});
        else if (kind == "overflow" && f.size() == 2)
            journal.m_overflow += numberOf(f[1]);
    }
    // Escaped the same way, the key read back is what the key written was.
    const JobKey expected{Text::fromGbk(field(key.address)), key.pageType, Text::fromGbk(field(key.folder))};
    if (!(stored == expected))
        return std::nullopt;
    journal.m_stored = true;
    return journal;
}

void Journal::addLedgerEntry(LedgerEntry entry) {
    if (m_ledger.size() >= maxLedgerEntries)
        ++m_overflow;
    else
        m_ledger.push_back(std::move(entry));
}

bool Journal::save() {
    const Text folder = m_path.left(m_path.findLast("\\"_t) - 1);
    if (!files::ensureFolderBelow(folder.left(folder.findLast("\\"_t) - 1), folder))
        return false;
    const Text text = serialise();
    std::optional<files::PartFile> file = files::PartFile::create(m_path);
    // Flushed and renamed, and the rename itself made to last: a power cut leaves the journal
    // before this step or after it, never a part.
    if (!file || !file->write(text.bytes()) || !file->flush() || !file->commit())
        return false;
    files::syncFolder(folder);
    m_stored = true;
    return true;
}

void Journal::restart() {
    m_pages.clear();
    m_albums.clear();
    m_ledger.clear();
    m_overflow = 0;
    m_finished = false;
    m_resumes = false;
}

bool Journal::begin() {
    m_finished = false;
    return save();
}

bool Journal::finishAlbum(const Text& page, long long albumNumber, const Text& link,
                          std::vector<LedgerEntry> failures) {
    std::erase_if(m_ledger, [&](const LedgerEntry& e) {
        return e.imageNumber > 0 && e.page == page && e.albumNumber == albumNumber;
    });
    if (failures.empty())
        m_albums[link] = page;
    else
        m_albums.erase(link);
    for (LedgerEntry& entry : failures)
        addLedgerEntry(std::move(entry));
    return save();
}

bool Journal::finishPage(const Text& page, long long albums) {
    // A page with a failing album is not finished: the next run of the job goes through it again.
    const bool failing = std::any_of(m_ledger.begin(), m_ledger.end(), [&](const LedgerEntry& e) {
        return e.page == page && e.imageNumber > 0;
    });
    if (failing)
        return true;
    std::erase_if(m_ledger, [&](const LedgerEntry& e) { return e.page == page; });
    std::erase_if(m_albums, [&](const auto& album) { return album.second == page; });
    m_pages[page] = albums;
    return save();
}

bool Journal::notePageFailure(LedgerEntry entry) {
    entry.imageNumber = 0;
    std::erase_if(m_ledger, [&](const LedgerEntry& e) { return e.imageNumber == 0 && e.page == entry.page; });
    addLedgerEntry(std::move(entry));
    return save();
}

bool Journal::end(bool clean, bool reportWritten) {
    m_finished = clean;
    m_reportWritten = reportWritten;
    return save();
}

bool Journal::forget() {
    restart();
    m_stored = false;
    m_reportWritten = false;
    return !files::exists(m_path) || files::removeFile(m_path);
}

} // namespace xiuyun
