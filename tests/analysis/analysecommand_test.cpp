#include "analysis/analysecommand.h"

#include "net/site.h"
#include "program/presenter.h"
#include "support/programfixture.h"

#include <optional>

using namespace xiuyun;
using xiuyun::testing::ProgramFixture;

namespace {

struct HandOver {
    enum class To { Crawler, AlbumReader } to;
    Text address;
    Text folder;
    Text pageName;
    CrawlMode mode = CrawlMode::Analyse;
};

class AnalyseCommandTest : public ProgramFixture {
protected:
    AnalyseCommandTest() {
        startWindow();
        program.routes.crawlListPage = [this](Program&, const Text& address, const Text& folder,
                                              const Text& pageName, CrawlMode mode) {
            handOvers.push_back({HandOver::To::Crawler, address, folder, pageName, mode});
        };
        program.routes.analyseAlbum = [this](Program&, const Text& address, const Text& folder,
                                             const Text& pageName) {
            handOvers.push_back({HandOver::To::AlbumReader, address, folder, pageName});
        };
    }

    static Text site(const char* path) { return Text::fromGbk(SITE_ROOT) + Text::fromUtf8(path); }

    void analyse(const Text& address, Control box) {
        window.type(Control::编辑框_页面地址, address);
        window.click(box);
        window.click(Control::按钮_分析数据);
    }

    void expectRefusal(const char* reason, const char* remedy) {
        auto messages = window.messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, "状态：分析数据失败\r\n\r\n原因："_t + Text::fromUtf8(reason) +
                                        "\r\n\r\n解决："_t + Text::fromUtf8(remedy));
        EXPECT_EQ(messages[0].caption, "温馨提示"_t);
        EXPECT_EQ(messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(messages[0].buttons, MessageButtons::Ok);
        EXPECT_TRUE(handOvers.empty());
    }

    std::vector<HandOver> handOvers;
};

} // namespace

TEST_F(AnalyseCommandTest, theSiteRootItselfCannotBeAnalysed) {
    analyse(Text::fromGbk(SITE_ROOT), Control::选择框_图集分类);
    expectRefusal("首页分析不了", "输入非首页地址再重试");
    window.clearMessages();
    Text withoutSlash = Text::fromGbk(SITE_ROOT.substr(0, SITE_ROOT.size() - 1));
    analyse(withoutSlash, Control::选择框_图集分类);
    expectRefusal("首页分析不了", "输入非首页地址再重试");
}

TEST_F(AnalyseCommandTest, theRootFollowedByABlankPassesTheRootTests) {
    analyse(Text::fromGbk(SITE_ROOT) + " "_t, Control::选择框_图集分类);
    EXPECT_TRUE(window.messages().empty());
    ASSERT_EQ(handOvers.size(), 1u);
}

TEST_F(AnalyseCommandTest, refusalsComeInTheirOrder) {
    auto press = [this](const Text& address) {
        window.clearMessages();
        window.type(Control::编辑框_页面地址, address);
        window.click(Control::按钮_分析数据);
    };
    window.type(Control::编辑框_存放目录, {});
    press({});
    expectRefusal("页面地址不能为空", "请输入页面地址再重试");
    // Another host is refused before the missing page type is looked at.
    press("http://elsewhere.example/t/x/"_t);
    expectRefusal("页面地址错误", "正确输入地址");
    press(site("t/xinggan/"));
    expectRefusal("没有选择地址类型", "请选择所属地址类型再重试");
    window.click(Control::选择框_图集分类);
    press(site("t/xinggan/"));
    expectRefusal("存放目录不能为空", "请选择保存目录再重试");
}

TEST_F(AnalyseCommandTest, aRefusalUnticksTheBoxesButKeepsThePageType) {
    window.type(Control::编辑框_存放目录, {});
    analyse(site("t/xinggan/"), Control::选择框_精选美女);
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_FALSE(window.isTicked(Control::选择框_精选美女));
    EXPECT_EQ(program.analysis.pageType, PAGE_FEATURED);

    // Pressing again with no box ticked goes on with the kept type.
    window.type(Control::编辑框_存放目录, directory.path());
    window.click(Control::按钮_分析数据);
    ASSERT_EQ(handOvers.size(), 1u);
    EXPECT_EQ(handOvers[0].to, HandOver::To::Crawler);
}

TEST_F(AnalyseCommandTest, aListAddressIsHandedToTheCrawlerWithoutItsTrailingSlash) {
    program.analysis.singlePageList = true;
    analyse(site("t/xinggan/"), Control::选择框_图集分类);
    ASSERT_EQ(handOvers.size(), 1u);
    EXPECT_EQ(handOvers[0].to, HandOver::To::Crawler);
    EXPECT_EQ(handOvers[0].address, site("t/xinggan/"));
    EXPECT_EQ(handOvers[0].folder, directory.path());
    EXPECT_EQ(handOvers[0].pageName, "xinggan"_t);
    EXPECT_EQ(handOvers[0].mode, CrawlMode::Analyse);
    EXPECT_EQ(program.analysis.analysedUrl, site("t/xinggan/"));
    EXPECT_FALSE(program.analysis.singlePageList);
}

TEST_F(AnalyseCommandTest, aNumberedListPageKeepsItsNumberAsPageName) {
    analyse(site("t/xinggan/3.html"), Control::选择框_图集分类);
    ASSERT_EQ(handOvers.size(), 1u);
    EXPECT_EQ(handOvers[0].pageName, "3"_t);
}

TEST_F(AnalyseCommandTest, anAlbumAddressIsHandedToTheAlbumReader) {
    analyse(site("item/12345.html"), Control::选择框_单个地址);
    ASSERT_EQ(handOvers.size(), 1u);
    EXPECT_EQ(handOvers[0].to, HandOver::To::AlbumReader);
    EXPECT_EQ(handOvers[0].pageName, "12345"_t);
    EXPECT_EQ(program.analysis.analysedUrl, Text{});
}

TEST_F(AnalyseCommandTest, analysingHidesTheCleanUpButtonAndRetitlesIt) {
    offerCleanUp(program, CleanUpChoice::CacheFiles, true);
    analyse({}, Control::选择框_图集分类);
    EXPECT_FALSE(window.isVisible(Control::按钮_删除残余));
    EXPECT_EQ(window.text(Control::按钮_删除残余), "删除取消下载的图片"_t);
}

TEST_F(AnalyseCommandTest, detectionTakesTheFirstPatternThatHolds) {
    const std::pair<const char*, PageType> cases[] = {
        {"t/xinggan/", PAGE_CATEGORY}, {"rihan/", PAGE_REGION},      {"gangtai/2.html", PAGE_REGION},
        {"guochan/", PAGE_REGION},     {"search/abc/", PAGE_SEARCH}, {"xihuan/", PAGE_FEATURED},
        {"item/1.html", PAGE_ALBUM},   {"search/t/", PAGE_CATEGORY},
    };
    for (auto [path, type] : cases) {
        program.analysis.pageType = PAGE_NONE;
        window.setTicked(Control::选择框_自动选择, false);
        window.type(Control::编辑框_页面地址, site(path));
        window.click(Control::选择框_自动选择);
        EXPECT_EQ(program.analysis.pageType, type) << path;
        EXPECT_TRUE(window.isTicked(Control::选择框_自动选择));
    }
}

TEST_F(AnalyseCommandTest, detectionWithoutAMatchKeepsTheTypeAndOnlyItsBox) {
    window.click(Control::选择框_机构地址);
    window.type(Control::编辑框_页面地址, site("about.html"));
    window.click(Control::选择框_自动选择);
    EXPECT_EQ(program.analysis.pageType, PAGE_AGENCY);
    EXPECT_TRUE(window.isTicked(Control::选择框_自动选择));
    EXPECT_FALSE(window.isTicked(Control::选择框_机构地址));
    window.click(Control::选择框_自动选择); // unticked again
    EXPECT_EQ(program.analysis.pageType, PAGE_NONE);
}

TEST_F(AnalyseCommandTest, theAnalyseCommandRunsDetectionFirst) {
    window.type(Control::编辑框_页面地址, site("item/99.html"));
    window.click(Control::选择框_自动选择);
    window.type(Control::编辑框_页面地址, site("t/meinv/"));
    window.click(Control::按钮_分析数据);
    EXPECT_EQ(program.analysis.pageType, PAGE_CATEGORY);
    ASSERT_EQ(handOvers.size(), 1u);
    EXPECT_EQ(handOvers[0].to, HandOver::To::Crawler);
}

TEST(PageNameTest, lastElementWithoutExtension) {
    EXPECT_EQ(pageNameFromAddress("http://h.test/t/xinggan/"_t), "xinggan/"_t);
    EXPECT_EQ(pageNameFromAddress("http://h.test/item/12345.html"_t), "12345"_t);
    EXPECT_EQ(pageNameFromAddress("http://h.test/t/xinggan"_t), "xinggan"_t);
    EXPECT_EQ(pageNameFromAddress("d:\\x\\"_t), Text{});
}
