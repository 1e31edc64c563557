#include "analysis/crawler.h"

#include "analysis/albumlists.h"
#include "analysis/cachefiles.h"
#include "analysis/completion.h"
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
        Message unsaved{MessageId::AnalyseListPageUnsaved, {number}};
        NumberedFetch result = fetchNumberedPage(program, address + number + ".html"_t, file, &unsaved.cause);
        if (result == NumberedFetch::WriteFailed) {
            post(program, unsaved);
            break;
        }
        if (result == NumberedFetch::RefetchWriteFailed || result == NumberedFetch::TooLarge)
            post(program, unsaved);
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
        post(program, MessageId::AnalyseWrongListType);
        return;
    }
    if (!prepareFolders(program, folder))
        return;

    const bool numbered = isNumber(pageName);
    Text page;
    if (!numbered) {
        Cause emptyCause;
        const Text firstPage = listCacheFile(program);
        if (files::exists(firstPage)) {
            page = readCachedPage(firstPage);
        } else {
            if (!ensureGzipLibrary()) {
                post(program, MessageId::AnalyseDecoderFailed);
                return;
            }
            page = fetchPageIntoCache(program, address, firstPage, &emptyCause);
        }
        if (page.empty()) {
            // Kept, an empty first page would answer every later analysis without a fetch, and
            // the retry the message asks for could never succeed.
            files::removeFile(firstPage);
            post(program, {MessageId::AnalyseEmptyPage, {}, emptyCause});
            return;
        }
    }

    const std::optional<Text> currentPage = analysis.currentPage;
    if (numbered || (currentPage && *currentPage != "1"_t)) {
        const Text file = numberedPageFile(program, numbered ? pageName : *currentPage);
        if (files::exists(file)) {
            page = readCachedPage(file);
            if (page.empty()) {
                post(program, MessageId::ReadPageNotAnalysed);
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
            post(program, MessageId::AnalyseCachedPageBroken);
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
        post(program, MessageId::AnalyseNoAlbums);
        return;
    }

    if (mode == CrawlMode::Analyse && !analysis.singlePageList) {
        const Text pager = regexFirstGroup("<center>([\\S\\s]*?)</center>"_t, page);
        if (extractListMatches(program, "<a href=\"([\\S\\s]*?)\">"_t, pager, ListKind::Pages) == 0) {
            post(program, MessageId::AnalyseNoPager);
            return;
        }
        // A pager whose last page is no number or beyond belief is refused as an album count
        // beyond belief is, and for the same reason the cached page goes with it.
        if (program.albums.pageNumbers().empty()) {
            files::removeFile(listCacheFile(program));
            post(program, MessageId::AnalyseImplausiblePage);
            return;
        }
    }

    if (!numbered) {
        if (!ensureGzipLibrary()) {
            post(program, MessageId::AnalyseDecoderFailed);
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
        post(program, MessageId::AnalyseImplausiblePage);
        return;
    }
    finishAnalysis(program, "图集分类"_t, first.cover, first.imageCount);
}

} // namespace xiuyun
