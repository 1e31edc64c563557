#include "analysis/albumreader.h"

#include "analysis/cachefiles.h"
#include "analysis/completion.h"
#include "analysis/failuretexts.h"
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
        showStatus(
            program,
            "状态：分析数据失败\r\n\r\n原因：不符合当前地址类型\r\n\r\n解决：请确认页面地址是何类型！"_t);
        return;
    }
    // The list crawler reports a folder it cannot make; so does the album reader, rather than
    // ending without a word.
    if (!ensureFolder(folder)) {
        showStatus(program, folderFailure());
        return;
    }
    ensureDataDirectory(program);

    const Text scratch = albumCacheFile(program);
    if (files::exists(scratch))
        files::removeFile(scratch);
    if (!ensureGzipLibrary()) {
        showStatus(
            program,
            "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n解决：请确认文件是否正确，再重试"_t);
        return;
    }
    const Text page = fetchPageIntoCache(program, address, scratch);
    if (page.empty()) {
        showStatus(program, emptyPageFailure());
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
        showStatus(program, implausiblePageFailure());
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
