#include "analysis/albumlists.h"

#include "support/programfixture.h"

using namespace xiuyun;
using xiuyun::testing::ProgramFixture;

namespace {

class ExtractListMatchesTest : public ProgramFixture {};

TEST_F(ExtractListMatchesTest, albumEntriesFillTheFiveListsAligned) {
    const Text block = "<li><a href=\"http://s/item/11.html\"><img src=\"http://i/11/0.jpg\"></a>"
                       "<span>2024</span>共40张<a href=\"http://s/item/11.html\">第一　册</a></li>"
                       "<li><a href=\"http://s/item/12.html\">no cover, no count</a></li>"
                       "<li><img src=\"http://i/13/0.jpg\"><span>x</span>1a2张<a>三</a></li>"_t;
    int found = extractListMatches(program, "<li>([\\s\\S]*?)</li>"_t, block, ListKind::Albums);

    EXPECT_EQ(found, 3);
    EXPECT_EQ(program.albums.albumLinks(),
              (std::vector<Text>{"http://s/item/11.html"_t, "http://s/item/12.html"_t, ""_t}));
    EXPECT_EQ(program.albums.albumCovers(),
              (std::vector<Text>{"http://i/11/0.jpg"_t, ""_t, "http://i/13/0.jpg"_t}));
    EXPECT_EQ(program.albums.albumImageCounts(), (std::vector<int>{40, 0, 12}));
    EXPECT_EQ(program.albums.albumTitles(),
              (std::vector<Text>{"1 第一　册"_t, "2 no cover, no count"_t, "3 三"_t}));
    EXPECT_EQ(program.albums.albumNumbers(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(window.text(Control::透明标签_总图集2), "3"_t);
    EXPECT_GT(window.pumpCount(), 0); // the count-up keeps the window painted
}

TEST_F(ExtractListMatchesTest, pagerLinksGiveTheSecondToLastPageNumber) {
    program.albums.setPageNumbers({"stale"_t});
    const Text pager = "<a href=\"/t/x/1.html\">1</a><a href=\"/t/x/2.html\">2</a>"
                       "<a href=\"/t/x/7.html\">7</a><a href=\"/t/x/8.html\">下一页</a>"_t;
    EXPECT_EQ(extractListMatches(program, "<a href=\"([\\S\\s]*?)\">"_t, pager, ListKind::Pages), 4);
    EXPECT_EQ(program.albums.pageNumbers(),
              (std::vector<Text>{"1"_t, "2"_t, "3"_t, "4"_t, "5"_t, "6"_t, "7"_t}));
    EXPECT_EQ(window.text(Control::透明标签_总页码2), "7"_t);
}

TEST_F(ExtractListMatchesTest, aPagerOfOneLinkIsASinglePage) {
    EXPECT_EQ(extractListMatches(program, "<a href=\"([\\S\\s]*?)\">"_t, "<a href=\"/t/x/2.html\">"_t,
                                 ListKind::Pages),
              1);
    EXPECT_EQ(program.albums.pageNumbers(), (std::vector<Text>{"1"_t}));
}

TEST_F(ExtractListMatchesTest, aPagerBeyondBeliefOrWithoutANumberLeavesNoPages) {
    const Text labelBefore = window.text(Control::透明标签_总页码2);
    auto pagerEndingAt = [](const std::string& last) {
        return Text::fromUtf8("<a href=\"/t/x/1.html\">1</a><a href=\"/t/x/" + last + ".html\">" + last +
                              "</a><a href=\"/t/x/2.html\">下一页</a>");
    };
    for (const std::string last : {"10001", "2000000000", "99999999999999999999999", "last"}) {
        program.albums.setPageNumbers({"stale"_t});
        EXPECT_EQ(
            extractListMatches(program, "<a href=\"([\\S\\s]*?)\">"_t, pagerEndingAt(last), ListKind::Pages),
            3)
            << last;
        EXPECT_TRUE(program.albums.pageNumbers().empty()) << last;
    }
    EXPECT_EQ(window.text(Control::透明标签_总页码2), labelBefore);
    EXPECT_TRUE(window.messages().empty());
}

TEST_F(ExtractListMatchesTest, failuresAreReportedOnceAndTouchNothing) {
    program.albums.append({.link = "kept"_t});
    const Text labelBefore = window.text(Control::透明标签_总图集2);
    EXPECT_EQ(extractListMatches(program, "<li>(unbalanced"_t, "<li>x</li>"_t, ListKind::Albums), 0);
    EXPECT_EQ(extractListMatches(program, "<li>([\\s\\S]*?)</li>"_t, "no entries"_t, ListKind::Albums), 0);

    auto messages = window.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "正则创建失败，请检查正则表达式语句是否有误！"_t);
    EXPECT_EQ(messages[1].text, "匹配失败，请检检查正则语句是否有误，数量：0"_t);
    for (const auto& message : messages) {
        EXPECT_EQ(message.caption, "信息："_t);
        EXPECT_EQ(message.icon, MessageIcon::Error);
        EXPECT_EQ(message.buttons, MessageButtons::Ok);
    }
    EXPECT_EQ(program.albums.albumLinks(), (std::vector<Text>{"kept"_t}));
    EXPECT_EQ(program.albums.albumTitles(), (std::vector<Text>{Text()}));
    EXPECT_EQ(window.text(Control::透明标签_总图集2), labelBefore);
}

} // namespace
