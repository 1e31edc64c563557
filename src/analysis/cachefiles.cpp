#include "analysis/cachefiles.h"

#include "net/decoding.h"
#include "net/httpclient.h"
#include "os/files.h"
#include "program/messages.h"

namespace xiuyun {
namespace {

bool isBroken(const Text& file) {
    return fileSizeKb(file) <= brokenPageKb;
}

// Why a page came out empty: the fetch's failure when it had one, else a write that failed.
void keepCause(Cause* cause, HttpFailure failure, const SystemError* writeError = nullptr) {
    if (!cause)
        return;
    if (writeError)
        *cause = *writeError;
    else if (failure != HttpFailure::None)
        *cause = HttpCause{failure, 0};
}

// A page's body as its cache file keeps it, gzip decoded; nothing for a page beyond MAX_PAGE_BYTES, on
// the wire or decoded, which can't be read (`failure` then says so).
std::optional<ByteArray> decodedPage(const ByteArray& body, HttpFailure& failure) {
    bool tooLarge = failure == HttpFailure::TooLarge;
    ByteArray page = tooLarge ? ByteArray() : gzipDecode(body, MAX_PAGE_BYTES, &tooLarge);
    if (!tooLarge)
        return page;
    failure = HttpFailure::TooLarge;
    return std::nullopt;
}

enum class Refetched { Stored, TooLarge, WriteFailed };

// The refetch: the raw body, because a page that did not decode was not gzip in the first place.
// A body beyond the cap is not kept.
Refetched refetchRaw(Program& program, const Text& address, const Text& file, Cause* cause) {
    files::removeFile(file);
    HttpFailure failure = HttpFailure::None;
    const ByteArray body = httpReadUrl(program.network, address, &failure, MAX_PAGE_BYTES);
    if (failure == HttpFailure::TooLarge) {
        keepCause(cause, failure);
        return Refetched::TooLarge;
    }
    SystemError error;
    const bool written = files::replaceFile(file, body, &error);
    keepCause(cause, failure, written ? nullptr : &error);
    return written ? Refetched::Stored : Refetched::WriteFailed;
}

} // namespace

bool prepareFolders(Program& program, const Text& folder) {
    SystemError error;
    if (!ensureFolder(folder, &error)) {
        post(program, {MessageId::AnalyseFolderFailed, {}, error});
        return false;
    }
    ensureDataDirectory(program);
    return true;
}

Text listCacheFile(const Program& program) {
    return program.dataFile("t_j.q"_t);
}

Text numberedPageFile(const Program& program, const Text& pageNumber) {
    return program.dataFile(pageNumber + ".q"_t);
}

Text albumCacheFile(const Program& program) {
    return program.dataFile("d_g.q"_t);
}

Text readCachedPage(const Text& file) {
    // A file beyond the cap reads as nothing: it holds no page that can be read.
    auto bytes = files::readFile(file, MAX_PAGE_BYTES);
    return bytes ? utf8ToGbk(*bytes) : Text();
}

Text fetchPageIntoCache(Program& program, const Text& address, const Text& file, Cause* cause) {
    // A failed write is not looked at here: the read-back comes out empty and the refetch runs.
    HttpFailure failure = HttpFailure::None;
    SystemError error;
    bool written = false;
    {
        const auto decoded =
            decodedPage(httpReadUrl(program.network, address, &failure, MAX_PAGE_BYTES), failure);
        if (!decoded) {
            // However often a page beyond the cap is fetched again, it stays beyond it.
            keepCause(cause, failure);
            return {};
        }
        written = files::replaceFile(file, *decoded, &error);
    }
    Text page = readCachedPage(file);
    if (!page.empty())
        return page;
    keepCause(cause, failure, written ? nullptr : &error);

    for (int attempt = 0; attempt < refetchAttempts && isBroken(file); ++attempt) {
        Cause refetchCause;
        const Refetched refetched = refetchRaw(program, address, file, &refetchCause);
        if (refetched == Refetched::WriteFailed) {
            post(program, {MessageId::AnalyseFailedAgain, {}, refetchCause});
            if (cause)
                *cause = refetchCause;
            break;
        }
        if (cause && !std::holds_alternative<std::monostate>(refetchCause))
            *cause = refetchCause;
        if (refetched == Refetched::TooLarge)
            break;
    }
    return readCachedPage(file);
}

NumberedFetch fetchNumberedPage(Program& program, const Text& address, const Text& file, Cause* cause) {
    HttpExchange exchange;
    exchange.maxBodyBytes = MAX_PAGE_BYTES;
    const auto decoded = decodedPage(httpRequest(program.network, address, exchange), exchange.failure);
    if (!decoded) {
        keepCause(cause, exchange.failure);
        return NumberedFetch::TooLarge;
    }
    SystemError error;
    if (!files::replaceFile(file, *decoded, &error)) {
        keepCause(cause, HttpFailure::None, &error);
        return NumberedFetch::WriteFailed;
    }
    for (int attempt = 0; attempt < refetchAttempts && isBroken(file); ++attempt) {
        const Refetched refetched = refetchRaw(program, address, file, cause);
        if (refetched == Refetched::WriteFailed)
            return NumberedFetch::RefetchWriteFailed;
        if (refetched == Refetched::TooLarge)
            return NumberedFetch::TooLarge;
    }
    return NumberedFetch::Stored;
}

} // namespace xiuyun
