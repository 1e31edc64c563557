#include "download/imageworker.h"

#include "download/failedimages.h"
#include "download/history.h"
#include "download/imageformat.h"
#include "download/progressnotes.h"
#include "net/httpclient.h"
#include "net/retryafter.h"
#include "net/site.h"
#include "os/files.h"
#include "program/messages.h"
#include "text/textutils.h"

#include <algorithm>
#include <mutex>
#include <optional>

namespace xiuyun {
namespace {

enum class WriteOutcome { Written, Reported };

WriteOutcome leaveAddressList(Program& program, const AlbumTarget& target, const ImageBatch& batch,
                              const Text& imagePath) {
    // A folder that is a link can't be made, and nothing is written through it.
    SystemError error;
    const bool folderStands = files::ensureFolderBelow(target.root, target.folder, &error);
    // An empty file under the image's name, where it can still be made (a full disk has room
    // for a name): the check then finds the image missing and downloads the album again, where a
    // missing file would pass unseen.
    if (folderStands && !files::exists(imagePath))
        files::replaceFile(imagePath, {});
    const Text listPath = target.folder + "\\"_t + target.imageCountText + ".txt"_t;
    if (folderStands && files::exists(listPath))
        return WriteOutcome::Written;
    if (!folderStands || !files::replaceFile(listPath, albumAddressList(batch).bytes(), &error)) {
        post(program, {MessageId::ImageFileFailed, {}, error});
        return WriteOutcome::Reported;
    }
    return WriteOutcome::Written;
}

// The body goes to the image's temporary file as it arrives: memory stays the same whatever size
// the site sends. The picture is walked on the way, so that the file is judged without a read.
class PartFileSink : public BodySink {
public:
    explicit PartFileSink(files::PartFile& file) : m_file(file) {}
    bool write(std::string_view bytes) override {
        m_failed = m_failed || !m_file.write(bytes);
        if (!m_walk.settled())
            m_walk.take(bytes);
        return !m_failed;
    }
    void restart() override {
        m_failed = m_failed || !m_file.clear();
        m_walk = PictureWalk();
    }
    // A write to the disk failed, as opposed to the exchange.
    bool failed() const { return m_failed; }
    const PictureWalk& walk() const { return m_walk; }

private:
    files::PartFile& m_file;
    PictureWalk m_walk;
    bool m_failed = false;
};

enum class Fetched { Saved, WriteFailed, Stopped };

// Fetches the image into `path`. An answer that is no image (an error status, an error page sent
// as 200, a failed exchange) is saved as an empty file; nothing is saved when a stop ended a wait.
Fetched fetchImage(Download& download, const AlbumTarget& target, const ImageBatch& batch, int row,
                   const Text& path) {
    ImageRows& rows = download.program().rows;
    const DownloadPolicy& policy = download.policy();
    const Text& address = batch.addresses[row];
    for (int attempt = 1;; ++attempt) {
        // A folder below the target that is a link counts as one that can't be written to.
        if (!files::isLinkFreeBelow(target.root, target.folder)) {
            download.noteImageFailure(path, SystemError{SystemError::Kind::LinkRefused});
            return Fetched::WriteFailed;
        }
        SystemError error;
        std::optional<files::PartFile> file = files::PartFile::create(path, &error);
        if (!file) {
            download.noteImageFailure(path, error);
            return Fetched::WriteFailed;
        }
        auto sink = std::make_shared<PartFileSink>(*file);
        HttpExchange exchange;
        exchange.extraHeaders = "Referer: "_t + Text::fromGbk(SITE_ROOT);
        exchange.bodySink = sink;
        exchange.timeoutSeconds = policy.imageTimeoutSeconds;
        exchange.progressFloor = policy.imageProgressFloor;
        httpRequest(download.program().network, address, exchange);
        if (sink->failed()) {
            download.noteImageFailure(path, file->error());
            return Fetched::WriteFailed;
        }
        if (isBusyAnswer(exchange.status) && attempt < policy.busyAnswerTries) {
            file.reset(); // no temporary file stays through the wait
            const auto wait = busyWait(exchange.responseHeaders, attempt, std::chrono::system_clock::now(),
                                       policy.longestBusyWait);
            rows.setStatus(batch, row, RowStatus::Busy, static_cast<long long>(wait.count()));
            if (!download.pauseWorker(wait))
                return Fetched::Stopped;
            rows.setStatus(batch, row, RowStatus::Waiting);
            continue;
        }
        // A 404 page or an HTML page sent with 200 is larger than 10 KB as often as not: it must
        // never stay on disk as a good image; nor may what a failed exchange left.
        const bool answered = exchange.status != 0 && exchange.status < 400;
        const bool image = answered && looksLikeImage(sink->walk().head());
        if (!image) {
            download.noteImageFailure(path,
                                      answered ? Cause{ImageFault::NotAnImage} : Cause{causeOf(exchange)});
            if (!file->clear()) {
                download.noteImageFailure(path, file->error());
                return Fetched::WriteFailed;
            }
        } else {
            download.noteImageSaved(path);
        }
        const bool whole = image && sink->walk().whole() && !isSmallImage(file->size());
        if (!file->commit()) {
            download.noteImageFailure(path, file->error());
            return Fetched::WriteFailed;
        }
        // Judged on its way in: the checks of the album need not read it.
        if (const auto stamp = files::fileStamp(path); stamp && whole)
            download.program().engine->wholeImages.remember(path, *stamp);
        return Fetched::Saved;
    }
}

} // namespace

bool isBusyAnswer(int status) {
    return status == 429 || status == 503;
}

std::chrono::seconds busyWait(const Text& responseHeaders, int attempt,
                              std::chrono::system_clock::time_point now, std::chrono::seconds longest) {
    std::optional<std::chrono::seconds> asked;
    if (auto value = responseHeaderValue(responseHeaders.bytes(), "Retry-After"))
        asked = retryAfterDelay(*value, now);
    const auto backOff = std::chrono::seconds(1LL << std::clamp(attempt - 1, 0, 6));
    return std::min(asked.value_or(backOff), longest);
}

Text folderHolding(const Text& folder) {
    return folder.left(folder.size() - fileNameOf(folder, Extension::Keep).size());
}

Text albumAddressList(const ImageBatch& batch) {
    Text list;
    for (const Text& address : batch.addresses)
        list += address + "\r\n"_t;
    return normaliseLineList(list);
}

Text imageFileName(int row, const Text& address) {
    Text extension = extensionOf(fileNameOf(address, Extension::Keep));
    if (extension.empty())
        extension = ".jpg"_t;
    return Text::number(row + 1) + extension;
}

void downloadImageRow(Download& download, const AlbumTarget& target, const ImageBatch& batch, int row) {
    Program& program = download.program();
    program.rows.setStatus(batch, row, RowStatus::Waiting);
    const Text path = target.folder + "\\"_t + imageFileName(row, batch.addresses[row]);

    WriteOutcome outcome = WriteOutcome::Written;
    if (!(download.skipsWholeImages() && !isFailedImageFile(program.engine->wholeImages, path))) {
        if (fetchImage(download, target, batch, row, path) == Fetched::WriteFailed)
            outcome = leaveAddressList(program, target, batch, path);
    }
    noteImageEnded(download, target, row, path);

    std::lock_guard lock(program.downloadLock);
    // After a stop the rows may already show another album: the row is this worker's to finish
    // only while its batch is still shown.
    if (outcome == WriteOutcome::Written)
        program.rows.setStatus(batch, row, RowStatus::Done);
    --download.activeWorkers;
}

} // namespace xiuyun
