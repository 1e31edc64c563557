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

// The refetch: the raw body, because a page that did not decode was not gzip in the first place.
bool refetchRaw(Program& program, const Text& address, const Text& file, Cause* cause) {
    files::removeFile(file);
    HttpFailure failure = HttpFailure::None;
    SystemError error;
    const bool written = files::replaceFile(file, httpReadUrl(program.network, address, &failure), &error);
    keepCause(cause, failure, written ? nullptr : &error);
    return written;
}

} // namespace

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
    auto bytes = files::readFile(file);
    return bytes ? utf8ToGbk(*bytes) : Text();
}

Text fetchPageIntoCache(Program& program, const Text& address, const Text& file, Cause* cause) {
    // A failed write is not looked at here: the read-back comes out empty and the refetch runs.
    HttpFailure failure = HttpFailure::None;
    SystemError error;
    const bool written =
        files::replaceFile(file, gzipDecode(httpReadUrl(program.network, address, &failure)), &error);
    Text page = readCachedPage(file);
    if (!page.empty())
        return page;
    keepCause(cause, failure, written ? nullptr : &error);

    for (int attempt = 0; attempt < refetchAttempts && isBroken(file); ++attempt) {
        Cause refetchCause;
        if (!refetchRaw(program, address, file, &refetchCause)) {
            post(program, {MessageId::AnalyseFailedAgain, {}, refetchCause});
            if (cause)
                *cause = refetchCause;
            break;
        }
        if (cause && !std::holds_alternative<std::monostate>(refetchCause))
            *cause = refetchCause;
    }
    return readCachedPage(file);
}

NumberedFetch fetchNumberedPage(Program& program, const Text& address, const Text& file, Cause* cause) {
    SystemError error;
    if (!files::replaceFile(file, gzipDecode(httpRequest(program.network, address)), &error)) {
        keepCause(cause, HttpFailure::None, &error);
        return NumberedFetch::WriteFailed;
    }
    for (int attempt = 0; attempt < refetchAttempts && isBroken(file); ++attempt) {
        if (!refetchRaw(program, address, file, cause))
            return NumberedFetch::RefetchWriteFailed;
    }
    return NumberedFetch::Stored;
}

} // namespace xiuyun
