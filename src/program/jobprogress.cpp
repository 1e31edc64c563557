#include "program/jobprogress.h"

#include <algorithm>
#include <cmath>

namespace xiuyun {
namespace {

std::chrono::seconds wholeSecondsUp(double seconds) {
    return std::chrono::seconds(static_cast<long long>(std::ceil(seconds)));
}

} // namespace

JobProgress::JobProgress(SteadyNow now) : m_now(std::move(now)) {}

void JobProgress::start(int pages) {
    std::lock_guard lock(m_mutex);
    resetLocked();
    m_stage = JobStage::Running;
    m_pages = std::max(pages, 1);
    m_samples.push_back({m_now(), 0, 0, 0});
    changedLocked();
}

void JobProgress::pageRead(int albums) {
    std::lock_guard lock(m_mutex);
    ++m_pagesRead;
    m_albumsRead += std::max(albums, 0);
    changedLocked();
}

void JobProgress::albumStarted(const Text& folder, int images) {
    std::lock_guard lock(m_mutex);
    if (folder.bytes() == m_albumFolder)
        return;
    foldAlbumLocked();
    m_albumFolder = folder.bytes();
    m_rows.assign(static_cast<std::size_t>(std::max(images, 0)), Row::Open);
    changedLocked();
}

void JobProgress::albumFinished() {
    std::lock_guard lock(m_mutex);
    foldAlbumLocked();
    ++m_albumsDone;
    changedLocked();
}

void JobProgress::imageFinished(const Text& folder, int row, ImageOutcome outcome, long long bytes) {
    std::lock_guard lock(m_mutex);
    if (m_stage != JobStage::Running)
        return;
    m_bytes += std::max(bytes, 0LL);
    m_checking = false;
    // A worker of an album already left (after a stop) counts its bytes, never its image.
    if (folder.bytes() == m_albumFolder && row >= 0 && row < static_cast<int>(m_rows.size())) {
        Row& state = m_rows[static_cast<std::size_t>(row)];
        m_rowsSaved -= state == Row::Saved ? 1 : 0;
        m_rowsFailed -= state == Row::Failed ? 1 : 0;
        state = outcome == ImageOutcome::Saved ? Row::Saved : Row::Failed;
        m_rowsSaved += state == Row::Saved ? 1 : 0;
        m_rowsFailed += state == Row::Failed ? 1 : 0;
    }
    changedLocked();
}

void JobProgress::checkStarted() {
    std::lock_guard lock(m_mutex);
    m_checking = true;
    changedLocked();
}

void JobProgress::siteBusy(int row, std::chrono::seconds wait) {
    std::lock_guard lock(m_mutex);
    m_busyUntil[row] = m_now() + wait;
    changedLocked();
}

void JobProgress::siteFree(int row) {
    std::lock_guard lock(m_mutex);
    if (m_busyUntil.erase(row) != 0)
        changedLocked();
}

void JobProgress::finish(JobStage stage) {
    std::lock_guard lock(m_mutex);
    if (m_stage != JobStage::Running)
        return;
    m_stage = stage;
    if (stage == JobStage::Finished)
        m_fraction = 1;
    m_checking = false;
    m_busyUntil.clear();
    changedLocked();
}

void JobProgress::clear() {
    std::lock_guard lock(m_mutex);
    resetLocked();
    changedLocked();
}

void JobProgress::resetLocked() {
    m_stage = JobStage::None;
    m_pages = 0;
    m_pagesRead = 0;
    m_albumsRead = 0;
    m_albumsDone = 0;
    m_savedBefore = 0;
    m_failedBefore = 0;
    m_albumFolder.clear();
    std::vector<Row>().swap(m_rows);
    m_rowsSaved = 0;
    m_rowsFailed = 0;
    m_bytes = 0;
    m_fraction = 0;
    m_checking = false;
    m_busyUntil.clear();
    m_samples.clear();
}

void JobProgress::foldAlbumLocked() {
    m_savedBefore += m_rowsSaved;
    m_failedBefore += m_rowsFailed;
    m_rowsSaved = 0;
    m_rowsFailed = 0;
    m_rows.clear();
    m_albumFolder.clear();
    m_busyUntil.clear();
    m_checking = false;
}

double JobProgress::rawFractionLocked() const {
    if (m_pagesRead == 0)
        return 0;
    const double perPage = static_cast<double>(m_albumsRead) / m_pagesRead;
    const double albums = static_cast<double>(m_albumsRead) + std::max(m_pages - m_pagesRead, 0) * perPage;
    if (albums <= 0)
        return 0;
    const double current =
        m_rows.empty() ? 0.0
                       : static_cast<double>(m_rowsSaved + m_rowsFailed) / static_cast<double>(m_rows.size());
    return std::clamp((static_cast<double>(m_albumsDone) + current) / albums, 0.0, 1.0);
}

void JobProgress::changedLocked() {
    ++m_changes;
    if (m_stage != JobStage::Running)
        return;
    // A retry pass or a page with more albums than the average lowers the raw share; the bar
    // waits for it to catch up rather than moving back.
    m_fraction = std::max(m_fraction, rawFractionLocked());
    const auto now = m_now();
    m_samples.push_back(
        {now, m_savedBefore + m_failedBefore + m_rowsSaved + m_rowsFailed, m_bytes, m_fraction});
    while (m_samples.size() >= 2 && m_samples[1].at <= now - speedWindow)
        m_samples.pop_front();
}

ProgressFigures JobProgress::figures() const {
    std::lock_guard lock(m_mutex);
    ProgressFigures figures;
    figures.stage = m_stage;
    figures.fraction = m_fraction;
    figures.saved = m_savedBefore + m_rowsSaved;
    figures.failed = m_failedBefore + m_rowsFailed;
    figures.checking = m_checking;
    figures.changes = m_changes;
    if (m_stage != JobStage::Running || m_samples.empty())
        return figures;

    const auto now = m_now();
    const auto windowStart = now - speedWindow;
    // The value at the window's start is that of the last sample at or before it.
    const Sample* base = &m_samples.front();
    for (const Sample& sample : m_samples) {
        if (sample.at > windowStart)
            break;
        base = &sample;
    }
    const auto from = std::max(base->at, windowStart);
    // Less than a second of a new job says little: it is taken as a second.
    const double span = std::max(std::chrono::duration<double>(now - from).count(), 1.0);
    figures.imagesPerSecond = static_cast<double>(figures.saved + figures.failed - base->images) / span;
    figures.bytesPerSecond = static_cast<double>(m_bytes - base->bytes) / span;
    const double fractionPerSecond = (m_fraction - base->fraction) / span;
    if (m_fraction >= timeLeftFrom && m_fraction < 1 && fractionPerSecond > 0)
        figures.timeLeft = std::chrono::round<std::chrono::milliseconds>(
            std::chrono::duration<double>((1.0 - m_fraction) / fractionPerSecond));

    std::optional<std::chrono::steady_clock::time_point> until;
    for (const auto& [row, at] : m_busyUntil)
        until = std::max(until.value_or(at), at);
    if (until && *until > now)
        figures.siteWait = wholeSecondsUp(std::chrono::duration<double>(*until - now).count());
    return figures;
}

} // namespace xiuyun
