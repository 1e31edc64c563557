// A job's journal: what a download of one analysed address into one target folder has finished,
// and what still failed, kept in the data folder so that a job broken off (a cancel, a closed
// window, a kill, a power cut) resumes where it stopped instead of starting over.
#pragma once

#include "program/state.h"
#include "text/text.h"

#include <map>
#include <optional>
#include <vector>

namespace xiuyun {

struct Program;

// A job: the list (or album) address, as analysed, with its page type and target folder.
struct JobKey {
    Text address;
    PageType pageType = PAGE_NONE;
    Text folder;
    friend bool operator==(const JobKey&, const JobKey&) = default;
};

// The job a download of the program's analysis is: a numbered list page stands for its list.
JobKey jobOf(const Program& program, const Text& folder);

// One image still failing after its album's checks, or a list page that could not be read (its
// image number is then 0 and its address the page's).
struct LedgerEntry {
    Text page;
    long long albumNumber = 0;
    Text albumTitle;
    long long imageNumber = 0;
    Text address;
    Text cause; // in the user's words
    friend bool operator==(const LedgerEntry&, const LedgerEntry&) = default;
};

// The most entries a ledger keeps; the count of the others is kept.
inline constexpr std::size_t maxLedgerEntries = 10000;

class Journal {
public:
    // The journal of the job: the one on disk when it is this job's, else a fresh one (not yet
    // written).
    static Journal open(const Program& program, const JobKey& key);
    // The file of a job's journal, under the data folder.
    static Text fileOf(const Program& program, const JobKey& key);

    const JobKey& key() const { return m_key; }
    // Written before and not ended clean since: a start resumes it.
    bool unfinished() const { return m_stored && !m_finished; }
    // Goes on from an unfinished run: what it finished is skipped, and whole images stay.
    bool resumes() const { return m_resumes; }
    // The job starts afresh: nothing finished is kept (the report's mark is: the report is still
    // there).
    void restart();
    bool pageFinished(const Text& page) const { return m_pages.contains(page); }
    // The albums a finished page held, 0 when not known.
    long long albumsOfPage(const Text& page) const {
        const auto found = m_pages.find(page);
        return found == m_pages.end() ? 0 : found->second;
    }
    bool albumFinished(const Text& link) const { return m_albums.contains(link); }
    const std::vector<LedgerEntry>& ledger() const { return m_ledger; }
    // Entries beyond maxLedgerEntries, counted only.
    long long ledgerOverflow() const { return m_overflow; }
    long long failedCount() const { return static_cast<long long>(m_ledger.size()) + m_overflow; }
    // The report of failures was written into the target folder by a run of this job.
    bool reportWritten() const { return m_reportWritten; }

    // Each of these writes the journal at once; false when it could not be written.
    bool begin();
    // The album's checks are over: its failures replace what the ledger held for it, and an album
    // without failures is finished.
    bool finishAlbum(const Text& page, long long albumNumber, const Text& link,
                     std::vector<LedgerEntry> failures);
    // Every album of the page is finished: the page stands for them from now on.
    bool finishPage(const Text& page, long long albums);
    bool notePageFailure(LedgerEntry entry);
    bool end(bool clean, bool reportWritten);
    // Forgets the job (the clean-up of a cancelled download's images).
    bool forget();

    // The journal's text, and the journal a text holds (nothing when it is no journal of `key`).
    Text serialise() const;
    static std::optional<Journal> parse(const Text& path, const JobKey& key, const Text& text);

private:
    Journal(Text path, JobKey key) : m_path(std::move(path)), m_key(std::move(key)) {}
    bool save();
    void addLedgerEntry(LedgerEntry entry);

    Text m_path;
    JobKey m_key;
    bool m_stored = false;
    bool m_finished = false;
    bool m_reportWritten = false;
    bool m_resumes = false;
    std::map<Text, long long> m_pages; // finished, with their album counts
    // The finished albums, by link, with their page, of pages not finished yet: a finished page
    // stands for its own, so the journal stays small however long the list.
    std::map<Text, Text> m_albums;
    std::vector<LedgerEntry> m_ledger;
    long long m_overflow = 0;
};

} // namespace xiuyun
