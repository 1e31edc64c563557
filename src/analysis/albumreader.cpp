#include "analysis/albumreader.h"

#include "analysis/cachefiles.h"
#include "analysis/completion.h"
#include "net/decoding.h"
#include "os/files.h"
#include "program/imagerows.h"
#include "program/messages.h"
#include "program/presenter.h"
#include "text/patterns.h"
#include "text/textutils.h"

#include <mutex>

namespace xiuyun {

void analyseAlbum(Program& program, const Text& address, const Text& folder, const Text& pageName) {
    if (program.analysis.pageType != PAGE_ALBUM)
        return;
    if (!address.contains("/item/"_t)) {
        post(program, MessageId::AnalyseWrongAlbumType);
        return;
    }
    if (!prepareFolders(program, folder))
        return;

    const Text scratch = albumCacheFile(program);
    if (files::exists(scratch))
        files::removeFile(scratch);
    if (!ensureGzipLibrary()) {
        post(program, MessageId::AnalyseDecoderFailed);
        return;
    }
    Cause emptyCause;
    const Text page = fetchPageIntoCache(program, address, scratch, &emptyCause);
    if (page.empty()) {
        post(program, {MessageId::AnalyseEmptyPage, {}, emptyCause});
        return;
    }

    const Text block = regexFirstGroup("<div class=\"width\">([\\S\\s]*?)<div id=\"fenxiang\">"_t, page);
    const Text title = cleanFileName(regexFirstGroup("<h1>([\\S\\s]*?)</h1>"_t, block));
    const Text count = regexFirstGroup("<p>图片数量\\D([\\S\\s]*?)张</p>"_t, block).withoutSpaces();
    showAlbum(program, title, count);
    const Text firstImage = regexFirstGroup("<img src=\"([\\S\\s]*?)\""_t, block);
    const long long imageCount = count.toInteger();

    if (firstImage.empty() || imageCount <= 0 || imageCount > maxAlbumImages) {
        files::removeFile(scratch);
        post(program, MessageId::AnalyseImplausiblePage);
        return;
    }

    const Text separator = files::endsWithSeparator(folder) ? Text() : "\\"_t;
    {
        std::lock_guard lock(program.analysisMutex);
        program.analysis.albumFolder = folder + separator + safeFolderElement(pageName + " "_t + title);
    }
    finishAnalysis(program, "单个地址"_t, firstImage, static_cast<int>(imageCount));
}

} // namespace xiuyun
