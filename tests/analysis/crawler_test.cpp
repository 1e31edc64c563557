#include "analysis/albumreader.h"
#include "analysis/cachefiles.h"
#include "analysis/crawler.h"
#include "support/galleryfixture.h"
#include "testsite/rawlistener.h"
#include "text/textutils.h"

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

const char* const category = "/t/xinggan/";

class CrawlerTest : public GalleryFixture {
protected:
    void analyseCategory(const char* listPath = category) {
        analyse(address(listPath), Control::选择框_图集分类);
    }

    std::string storedPage(const char* name) const {
        return files::readFile(dataFile(name)).value_or("<missing>");
    }
};

TEST_F(CrawlerTest, aCategoryOfSeveralPagesIsAnalysedAndCachedOnce) {
    serveList(category);
    analyseCategory();

    ASSERT_FALSE(window.messages().empty());
    EXPECT_EQ(lastMessageText(), completed());
    EXPECT_EQ(window.messages().size(), 1u);

    const auto albums = gallery.albumsOn(category, 1);
    EXPECT_EQ(program.albums.pageNumbers(), (std::vector<Text>{"1"_t, "2"_t, "3"_t}));
    ASSERT_EQ(program.albums.albumLinks().size(), albums.size());
    EXPECT_EQ(program.albums.albumLinks()[1], address(albums[1].pagePath));
    EXPECT_EQ(program.albums.albumTitles()[0], "1 "_t + Text::fromUtf8(albums[0].title));

    EXPECT_EQ(window.text(Control::透明标签_总页码2), "3"_t);
    EXPECT_EQ(window.text(Control::透明标签_总图集2), "4"_t);
    EXPECT_EQ(window.text(Control::透明标签_当前页码2), "1"_t);
    EXPECT_EQ(window.text(Control::透明标签_当前图集2), "1"_t);
    EXPECT_EQ(window.text(Control::透明标签_图片标题2), cleanFileName(program.albums.albumTitles()[0]));
    EXPECT_EQ(window.text(Control::透明标签_图片数量2), "5"_t);
    EXPECT_TRUE(window.text(Control::透明标签_子页提示).empty());

    ASSERT_EQ(window.rowCount(), 5);
    EXPECT_EQ(window.cell(0, 0), "1"_t);
    EXPECT_EQ(window.cell(4, 1), address(albums[0].imagePath(5)));
    EXPECT_TRUE(window.cell(4, 2).empty());

    // Stored as decoded, byte for byte; the pages after the first in numbered files.
    EXPECT_EQ(storedPage("t_j.q"), gallery.listPage(category, 1));
    EXPECT_EQ(storedPage("2.q"), gallery.listPage(category, 2));
    EXPECT_EQ(storedPage("3.q"), gallery.listPage(category, 3));
    EXPECT_FALSE(hasDataFile("1.q"));

    // Page 1 by the plain HTTP/1.0 read, the others by the scripted request; each once.
    EXPECT_EQ(site.requestCount(category), 1);
    EXPECT_EQ(site.requestCount("/t/xinggan/2.html"), 1);
    EXPECT_EQ(site.requestCount("/t/xinggan/3.html"), 1);
    for (const auto& request : site.requests()) {
        if (request.path == category) {
            EXPECT_EQ(request.version, "HTTP/1.0");
            EXPECT_EQ(request.header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
        } else {
            EXPECT_EQ(request.header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
        }
    }

    // Locked, but the thread count may still change.
    EXPECT_FALSE(window.isEnabled(Control::按钮_分析数据));
    EXPECT_TRUE(window.isReadOnly(Control::编辑框_页面地址));
    EXPECT_FALSE(window.isEnabled(Control::选择框_图集分类));
    EXPECT_TRUE(window.isEnabled(Control::按钮_重新分析));
    EXPECT_TRUE(window.isEnabled(Control::滑块条1));
}

TEST_F(CrawlerTest, theCacheIsTrustedAcrossAnalysesAndNumberedPagesReadTheirFiles) {
    serveList(category);
    analyseCategory();
    window.click(Control::按钮_重新分析);
    EXPECT_EQ(
        lastMessageText(),
        "状态：重置分析完成，发现存在缓存文件\r\n\r\n原因：\r\n\r\n解决：如需要删除，请点击删除缓存文件按钮"_t);
    site.clearRequests();

    // Another category reads the first one's files: nothing is fetched.
    analyseCategory("/t/other/");
    EXPECT_EQ(lastMessageText(), completed());
    EXPECT_TRUE(site.requests().empty());
    EXPECT_EQ(program.albums.albumLinks()[0], address(gallery.albumsOn(category, 1)[0].pagePath));

    // A numbered address reads its numbered file.
    window.click(Control::按钮_重新分析);
    analyseCategory("/t/xinggan/2.html");
    EXPECT_EQ(lastMessageText(), completed());
    EXPECT_TRUE(site.requests().empty());
    EXPECT_EQ(window.text(Control::透明标签_当前页码2), "2"_t);
    EXPECT_EQ(program.albums.albumLinks()[0], address(gallery.albumsOn(category, 2)[0].pagePath));

    // A number beyond the pager's last page shows as typed.
    files::writeFile(dataFile("9.q"), gallery.listPage(category, 3));
    window.click(Control::按钮_重新分析);
    analyseCategory("/t/xinggan/9.html");
    EXPECT_EQ(lastMessageText(), completed());
    EXPECT_EQ(window.text(Control::透明标签_当前页码2), "9"_t);

    // A numbered page that was never analysed fails where the list block is looked for.
    window.click(Control::按钮_重新分析);
    analyseCategory("/t/xinggan/7.html");
    EXPECT_EQ(lastMessageText(),
              "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n解决：试试删除缓存文件再看看！"_t);
}

TEST_F(CrawlerTest, singlePageListsUseTheirFallbackBlocks) {
    gallery.setList("/search/abc/", 1, gallery::SinglePageBlock::Bk10);
    serveList("/search/abc/");
    analyse(address("/search/abc/"), Control::选择框_搜索地址);
    EXPECT_EQ(lastMessageText(), completed());
    EXPECT_TRUE(program.analysis.singlePageList);
    EXPECT_TRUE(program.albums.pageNumbers().empty());
    EXPECT_EQ(window.text(Control::透明标签_当前页码2), "当前页码"_t);
    EXPECT_EQ(site.requests().size(), 1u);
    EXPECT_EQ(window.rowCount(), 5);

    files::removeFile(dataFile("t_j.q"));
    window.click(Control::按钮_重新分析);
    gallery.setList("/xihuan/", 1, gallery::SinglePageBlock::Bk20);
    serveList("/xihuan/");
    analyse(address("/xihuan/"), Control::选择框_精选美女);
    EXPECT_EQ(lastMessageText(), completed());
    EXPECT_TRUE(program.analysis.singlePageList);

    // A category has no fallback: the clean-up is offered.
    files::removeFile(dataFile("t_j.q"));
    window.click(Control::按钮_重新分析);
    gallery.setList("/t/single/", 1);
    serveList("/t/single/");
    analyseCategory("/t/single/");
    EXPECT_EQ(lastMessageText(),
              "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n解决：试试删除缓存文件再看看！"_t);
    EXPECT_FALSE(program.analysis.singlePageList);
    EXPECT_TRUE(window.isVisible(Control::按钮_删除残余));
    EXPECT_EQ(window.text(Control::按钮_删除残余), "删除缓存文件"_t);
}

TEST_F(CrawlerTest, addressesOfAnotherTypeAreRefused) {
    const Text wrongType =
        "状态：分析数据失败\r\n\r\n原因：不符合当前地址类型\r\n\r\n解决：请确认页面地址是何类型!"_t;
    analyse(address("/t/xinggan/"), Control::选择框_搜索地址);
    EXPECT_EQ(lastMessageText(), wrongType);
    analyse(address("/xihuan/"), Control::选择框_搜索地址);
    EXPECT_EQ(lastMessageText(), wrongType);
    analyse(address("/search/abc/"), Control::选择框_图集分类);
    EXPECT_EQ(lastMessageText(), wrongType);
    EXPECT_TRUE(site.requests().empty());

    // An agency list lives under "/t/" too.
    serveList(category);
    analyse(address(category), Control::选择框_机构地址);
    EXPECT_EQ(lastMessageText(), completed());
}

// A folder gone bad after the command's own check (a download's next list page, say): each reader
// says so and asks the site nothing.
TEST_F(CrawlerTest, aTargetFolderThatCannotBeMadeStopsEachReaderBeforeAnyRequest) {
    const Text plainFile = directory.path() + "\\plain file"_t;
    ASSERT_TRUE(files::writeFile(plainFile, "x"));
    const Text folder = plainFile + "\\saved"_t;
    serveList(category);
    const Text album = address(gallery.albumsOn(category, 1).front().pagePath);
    program.analysis.pageType = PAGE_CATEGORY;
    crawlListPage(program, address(category), folder, "xinggan"_t, CrawlMode::NextPage);
    program.analysis.pageType = PAGE_ALBUM;
    analyseAlbum(program, album, folder, fileNameOf(album, Extension::Drop));
    for (const Message& message : program.messages.recent()) {
        EXPECT_EQ(message.id, MessageId::AnalyseFolderFailed);
        EXPECT_TRUE(std::holds_alternative<SystemError>(message.cause));
    }
    EXPECT_EQ(program.messages.recent().size(), 2u);
    EXPECT_TRUE(site.requests().empty());
}

struct TypeCheckRow {
    Control box;
    const char* path;
    bool fits;
};

// Names the rows in the test list ("选择框_图集分类 /t/x/ fits").
void PrintTo(const TypeCheckRow& row, std::ostream* out) {
    *out << layoutOf(row.box).name << " " << row.path << (row.fits ? " fits" : " is refused");
}

class TypeCheckTest : public CrawlerTest, public ::testing::WithParamInterface<TypeCheckRow> {};

// Every test of the type check, on both sides: a refused address is refused before any fetch, an
// accepted one goes on to fetch its page.
TEST_P(TypeCheckTest, anAddressFitsItsTypeOrIsRefusedBeforeAnyFetch) {
    const TypeCheckRow row = GetParam();
    analyse(address(row.path), row.box);
    const Text wrongType =
        "状态：分析数据失败\r\n\r\n原因：不符合当前地址类型\r\n\r\n解决：请确认页面地址是何类型!"_t;
    if (row.fits) {
        EXPECT_NE(lastMessageText(), wrongType);
        EXPECT_FALSE(site.requests().empty());
    } else {
        EXPECT_EQ(lastMessageText(), wrongType);
        EXPECT_TRUE(site.requests().empty());
    }
}

using C = Control;
INSTANTIATE_TEST_SUITE_P(Rows, TypeCheckTest,
                         ::testing::Values(
                             // A category only needs "/t/".
                             TypeCheckRow{C::选择框_图集分类, "/t/x/", true},
                             TypeCheckRow{C::选择框_图集分类, "/t/x/item/a/", true},
                             TypeCheckRow{C::选择框_图集分类, "/x/", false},
                             // An agency list: "/t/", and none of the other lists' marks.
                             TypeCheckRow{C::选择框_机构地址, "/t/x/", true},
                             TypeCheckRow{C::选择框_机构地址, "/x/", false},
                             TypeCheckRow{C::选择框_机构地址, "/rihan/t/", false},
                             TypeCheckRow{C::选择框_机构地址, "/gangtai/t/", false},
                             TypeCheckRow{C::选择框_机构地址, "/guochan/t/", false},
                             TypeCheckRow{C::选择框_机构地址, "/t/x/item/", false},
                             TypeCheckRow{C::选择框_机构地址, "/xihuan/t/", false},
                             TypeCheckRow{C::选择框_机构地址, "/search/t/", false},
                             // The regional lists.
                             TypeCheckRow{C::选择框_精选其他, "/rihan/", true},
                             TypeCheckRow{C::选择框_精选其他, "/gangtai/", true},
                             TypeCheckRow{C::选择框_精选其他, "/guochan/", true},
                             TypeCheckRow{C::选择框_精选其他, "/rihan/t/", false},
                             TypeCheckRow{C::选择框_精选其他, "/rihan/item/", false},
                             TypeCheckRow{C::选择框_精选其他, "/xihuan/", false},
                             TypeCheckRow{C::选择框_精选其他, "/search/x/", false},
                             // A search result.
                             TypeCheckRow{C::选择框_搜索地址, "/search/x/", true},
                             TypeCheckRow{C::选择框_搜索地址, "/rihan/", false},
                             TypeCheckRow{C::选择框_搜索地址, "/search/t/", false},
                             TypeCheckRow{C::选择框_搜索地址, "/search/item/", false},
                             TypeCheckRow{C::选择框_搜索地址, "/xihuan/", false},
                             // The featured list.
                             TypeCheckRow{C::选择框_精选美女, "/xihuan/", true},
                             TypeCheckRow{C::选择框_精选美女, "/xihuan/item/", false},
                             TypeCheckRow{C::选择框_精选美女, "/xihuan/t/", false},
                             TypeCheckRow{C::选择框_精选美女, "/search/x/", false},
                             TypeCheckRow{C::选择框_精选美女, "/guochan/", false}));

TEST_F(CrawlerTest, aStoredPageOfFiveKilobytesIsBrokenAndOneByteMoreIsNot) {
    serveList(category);
    site.setPage("/t/xinggan/2.html", Page::bytes(std::string(5120, 'x')));
    site.setPage("/t/xinggan/3.html", Page::bytes(std::string(5121, 'x')));
    analyseCategory();
    EXPECT_EQ(site.requestCount("/t/xinggan/2.html"), 1 + refetchAttempts);
    EXPECT_EQ(site.requestCount("/t/xinggan/3.html"), 1);
}

TEST_F(CrawlerTest, brokenPagesAreFetchedAgainAFewTimesAsTheyCome) {
    serveList(category);
    // The first page arrives plain: it does not decode, so it is fetched again and kept raw.
    Page plain = Page::bytes(gallery.listPage(category, 1), "text/html; charset=utf-8");
    plain.compressed = false;
    site.setPage(category, plain);
    // Page 2 stays below the size of a real page.
    site.setPage("/t/xinggan/2.html", Page::bytes("<html>busy</html>"));

    analyseCategory();
    EXPECT_EQ(lastMessageText(), completed());
    EXPECT_EQ(site.requestCount(category), 2);
    EXPECT_EQ(storedPage("t_j.q"), gallery.listPage(category, 1));
    EXPECT_EQ(site.requestCount("/t/xinggan/2.html"), 1 + refetchAttempts);
    EXPECT_EQ(site.requestCount("/t/xinggan/3.html"), 1);
}

TEST_F(CrawlerTest, failuresShowTheirMarks) {
    const std::string head = "<html><body><!--" + std::string(6000, 'x') + "-->";
    auto serveFirstPage = [&](const std::string& html) {
        files::removeFile(dataFile("t_j.q"));
        site.setPage(category, Page::bytes(head + html, "text/html"));
        window.clearMessages();
        analyseCategory();
    };

    serveFirstPage("<ul class=\"img\"><p>nothing</p><a href=\"/t/xinggan/2.html\">下一页</a>");
    ASSERT_EQ(window.messages().size(), 2u);
    EXPECT_EQ(window.messages()[0].text, "匹配失败，请检检查正则语句是否有误，数量：0"_t);
    EXPECT_EQ(lastMessageText(), "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n错误标识：000"_t);
    EXPECT_FALSE(hasDataFile("t_j.q"));

    serveFirstPage("<ul class=\"img\"><li><a href=\"x\"><img src=\"c/0.png\"></a><span>d</span>共3张<a "
                   "href=\"x\">T</a></li></ul><a href=\"/t/xinggan/2.html\">下一页</a>");
    EXPECT_EQ(lastMessageText(), "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n错误标识：0000"_t);

    serveFirstPage(
        "<ul class=\"img\"><li><a href=\"x\">no cover</a><span>d</span>共3张<a href=\"x\">T</a></li></ul>"
        "<center><a href=\"/t/xinggan/1.html\">1</a><a href=\"/t/xinggan/1.html\">下一页</a></center>");
    EXPECT_EQ(
        lastMessageText(),
        "状态：分析数据失败\r\n\r\n原因：页面地址解析错误\r\n\r\n解决：再重试分析,如果还出错就是程序问题"_t);
    EXPECT_FALSE(hasDataFile("t_j.q"));
    EXPECT_EQ(window.messages().back().icon, MessageIcon::Error);
    EXPECT_EQ(window.messages().back().caption, "温馨提示"_t);

    // No answer at all.
    files::removeFile(dataFile("t_j.q"));
    site.stop();
    analyseCategory();
    EXPECT_EQ(lastMessageText(),
              "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n解决：请确认正确再重试"_t);
}

TEST_F(CrawlerTest, aFirstPageThatNeverCameIsFetchedAgainByTheNextAnalysis) {
    program.network.routeHostToLoopback(std::string(SITE_HOST), unusedLoopbackPort());
    analyseCategory();
    EXPECT_EQ(lastMessageText(),
              "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n解决：请确认正确再重试"_t);
    EXPECT_EQ(lastCause(), Cause{HttpCause{HttpFailure::Unreachable}});
    EXPECT_FALSE(hasDataFile("t_j.q"));

    program.network.routeHostToLoopback(std::string(SITE_HOST), site.port());
    serveList(category);
    analyseCategory();
    EXPECT_EQ(lastMessageText(), completed());
}

TEST_F(CrawlerTest, aFailedAnalysisLeavesNothingBeforeTheNextOnesAlbums) {
    program.albums.append(
        {.title = "1 stale"_t, .imageCount = 9, .number = 1, .cover = "stale"_t, .link = "stale"_t});
    serveList(category);
    analyseCategory();
    EXPECT_EQ(lastMessageText(), completed());
    EXPECT_EQ(program.albums.albumLinks().size(), 4u);
    EXPECT_EQ(program.albums.albumLinks()[0], address(gallery.albumsOn(category, 1)[0].pagePath));
}

} // namespace
