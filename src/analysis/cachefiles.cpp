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

// The refetch: the raw body, because a page that did not decode was not gzip in the first place.
bool refetchRaw(Program& program, const Text& address, const Text& file) {
    files::removeFile(file);
    return files::replaceFile(file, httpReadUrl(program.network, address));
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

Text fetchPageIntoCache(Program& program, const Text& address, const Text& file) {
    // A failed write is not looked at here: the read-back comes out empty and the refetch runs.
    files::replaceFile(file, gzipDecode(httpReadUrl(program.network, address)));
    Text page = readCachedPage(file);
    if (!page.empty())
        return page;

    for (int attempt = 0; attempt < refetchAttempts && isBroken(file); ++attempt) {
        if (!refetchRaw(program, address, file)) {
            post(program, MessageId::AnalyseFailedAgain);
            break;
        }
    }
    return readCachedPage(file);
}

NumberedFetch fetchNumberedPage(Program& program, const Text& address, const Text& file) {
    if (!files::replaceFile(file, gzipDecode(httpRequest(program.network, address))))
        return NumberedFetch::WriteFailed;
    for (int attempt = 0; attempt < refetchAttempts && isBroken(file); ++attempt) {
        if (!refetchRaw(program, address, file))
            return NumberedFetch::RefetchWriteFailed;
    }
    return NumberedFetch::Stored;
}

} // namespace xiuyun
