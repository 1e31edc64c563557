#include "analysis/crawler.h"

#include "analysis/albumlists.h"
#include "analysis/cachefiles.h"
#include "analysis/completion.h"
#include "analysis/failuretexts.h"
#include "analysis/pagetype.h"
#include "net/decoding.h"
#include "os/files.h"
#include "program/imagerows.h"
#include "program/messages.h"
#include "program/presenter.h"
#include "text/patterns.h"
#include "text/textutils.h"

namespace xiuyun {
namespace {

Text fallbackBlock(PageType pageType, const Text& page) {
    const PageTypeEntry* entry = pageTypeEntry(pageType);
    if (!entry || entry->fallbackBlock.empty())
        return {};
    return regexFirstGroup(Text::fromGbk(entry->fallbackBlock), page);
}

// Pages 2 … N into their numbered files; a page whose file exists is never fetched again.
void fetchFurtherPages(Program& program, const Text& address) {
    Window& window = program.window;
    const PageType pageType = program.analysis.pageType;
    showSubPageHint(program, pageType == PAGE_CATEGORY || pageType == PAGE_SEARCH
                                 ? "请稍等，图集分类第一次分析比较慢！"_t
                                 : "客官请稍等，第一次分析比较慢！"_t);
    const int pages = static_cast<int>(program.albums.pageNumbers().size());
    for (int n = 2; n <= pages; ++n) {
        const Text number = Text::number(n);
        const Text file = numberedPageFile(program, number);
        if (files::exists(file))
            continue;
        const Text pageMark =
            "状态：分析数据失败\r\n\r\n原因：图集地址解析错误\r\n\r\n错误标识：0"_t + number;
        NumberedFetch result = fetchNumberedPage(address + number + ".html"_t, file);
        if (result == NumberedFetch::WriteFailed) {
            showStatus(program, pageMark);
            break;
        }
        if (result == NumberedFetch::RefetchWriteFailed)
            showStatus(program, pageMark);
        // Keeps the window painted through a list of hundreds of pages; user input waits.
        window.pumpMessages();
    }
    showSubPageHint(program, Text());
}

void showFirstAlbum(Program& program) {
    const std::optional<Album> album = program.albums.current();
    showAlbum(program, cleanFileName(album->title), Text::number(album->imageCount));
}

} // namespace

void crawlListPage(Program& program, const Text& address, const Text& folder, const Text& pageName,
                   CrawlMode mode) {
    Analysis& analysis = program.analysis;
    if (!isListPageType(analysis.pageType))
        return;
    if (!addressFitsPageType(analysis.pageType, address)) {
        showStatus(
            program,
            "状态：分析数据失败\r\n\r\n原因：不符合当前地址类型\r\n\r\n解决：请确认页面地址是何类型!"_t);
        return;
    }
    if (!ensureFolder(folder)) {
        showStatus(program, folderFailure());
        return;
    }
    ensureDataDirectory(program);

    const bool numbered = isNumber(pageName);
    Text page;
    if (!numbered) {
        const Text firstPage = listCacheFile(program);
        if (files::exists(firstPage)) {
            page = readCachedPage(firstPage);
        } else {
            if (!ensureGzipLibrary()) {
                showStatus(program, decoderFailure());
                return;
            }
            page = fetchPageIntoCache(program, address, firstPage);
        }
        if (page.empty()) {
            // Kept, an empty first page would answer every later analysis without a fetch, and
            // the retry the message asks for could never succeed.
            files::removeFile(firstPage);
            showStatus(program, emptyPageFailure());
            return;
        }
    }

    const std::optional<Text> currentPage = analysis.currentPage;
    if (numbered || (currentPage && *currentPage != "1"_t)) {
        const Text file = numberedPageFile(program, numbered ? pageName : *currentPage);
        if (files::exists(file)) {
            page = readCachedPage(file);
            if (page.empty()) {
                showStatus(
                    program,
                    "状态：读取数据失败\r\n\r\n原因：图集分类下的页面没有被提前分析\r\n\r\n解决：重新下载分析图集"_t);
                return;
            }
        }
    }

    Text block = regexFirstGroup("<ul class=\"img\">([\\s\\S]*?)下一页</a>"_t, page);
    if (block.empty()) {
        block = fallbackBlock(analysis.pageType, page);
        if (block.empty()) {
            analysis.singlePageList = false;
            offerCleanUp(program, CleanUpChoice::CacheFiles, true);
            showStatus(
                program,
                "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n解决：试试删除缓存文件再看看！"_t);
            return;
        }
        analysis.singlePageList = true;
    }

    // A fresh analysis starts from empty album lists: what a failed analysis left in them would
    // otherwise stand before this page's albums.
    if (mode == CrawlMode::Analyse)
        program.albums.clearAlbums();
    if (extractListMatches(program, "<li>([\\s\\S]*?)</li>"_t, block, ListKind::Albums) == 0) {
        files::removeFile(listCacheFile(program));
        showStatus(program, "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n错误标识：000"_t);
        return;
    }

    if (mode == CrawlMode::Analyse && !analysis.singlePageList) {
        const Text pager = regexFirstGroup("<center>([\\S\\s]*?)</center>"_t, page);
        if (extractListMatches(program, "<a href=\"([\\S\\s]*?)\">"_t, pager, ListKind::Pages) == 0) {
            showStatus(program, "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n错误标识：0000"_t);
            return;
        }
        // A pager whose last page is no number or beyond belief is refused as an album count
        // beyond belief is, and for the same reason the cached page goes with it.
        if (program.albums.pageNumbers().empty()) {
            files::removeFile(listCacheFile(program));
            showStatus(program, implausiblePageFailure());
            return;
        }
    }

    if (!numbered) {
        if (!ensureGzipLibrary()) {
            showStatus(program, decoderFailure());
            return;
        }
        fetchFurtherPages(program, address);
    }

    if (mode == CrawlMode::NextPage) {
        showFirstAlbum(program);
        return;
    }

    const Album first = *program.albums.current();
    if (!analysis.singlePageList) {
        const std::vector<Text>& pageNumbers = program.albums.pageNumbers();
        const long long k = numbered ? pageName.toInteger() : 1;
        // A page number beyond the pager's last page shows the number as typed.
        const bool known = k >= 1 && k <= static_cast<long long>(pageNumbers.size());
        showCurrentPage(program, known ? pageNumbers[k - 1] : pageName);
        showCurrentAlbum(program, first.number);
    }
    showFirstAlbum(program);

    if (first.cover.empty() || first.imageCount <= 0 || first.imageCount > maxAlbumImages) {
        files::removeFile(listCacheFile(program));
        showStatus(program, implausiblePageFailure());
        return;
    }
    finishAnalysis(program, "图集分类"_t, first.cover, first.imageCount);
}

} // namespace xiuyun
