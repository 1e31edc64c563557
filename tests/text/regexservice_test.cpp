#include "text/regexservice.h"

#include <gtest/gtest.h>

using namespace xiuyun;

namespace {

RegexService run(const char* pattern, const Text& subject, RegexOptions options = {}) {
    RegexService service;
    EXPECT_TRUE(service.create(Text::fromUtf8(pattern), subject, options));
    return service;
}

TEST(RegexServiceTest, matchesGbkTextOnUnicodeAndGivesGbkBack) {
    RegexService service = run("图片数量：([0-9]+) 张", "<p>图片数量：40 张</p><p>图片数量：7 张</p>"_t);
    ASSERT_EQ(service.matchCount(), 2);
    EXPECT_EQ(service.matchValue(1), "图片数量：40 张"_t);
    EXPECT_EQ(service.subMatch(2, 1), "7"_t);
    EXPECT_EQ(service.subMatchCount(), 1);
}

TEST(RegexServiceTest, neverMatchesATrailByteInsideACharacter) {
    // 嘰 is 87 5C in GBK: its trail byte is a backslash.
    EXPECT_EQ(run("\\\\", "嘰\\"_t).matchCount(), 1);
    EXPECT_EQ(run("\\|", "億|"_t).matchCount(), 1);
}

TEST(RegexServiceTest, followsTheSemanticsThePatternsNeed) {
    const Text page = "<h1>A</h1>\r\n<h1>B</h1>"_t;
    EXPECT_EQ(run("<h1>([\\S\\s]*?)</h1>", page).subMatch(1, 1), "A"_t);              // lazy
    EXPECT_EQ(run("<h1>([\\S\\s]*)</h1>", page).subMatch(1, 1), "A</h1>\r\n<h1>B"_t); // greedy
    EXPECT_EQ(run("<h1>.*</h1>", page).matchCount(), 2); // "." stops at line ends
    EXPECT_EQ(run("\\D+", "12ab34"_t).matchValue(1), "ab"_t);

    const Text lines = "one\r\ntwo\nthree"_t;
    EXPECT_EQ(run("^t\\w+$", lines).matchCount(), 2);
    EXPECT_EQ(run("^t\\w+$", lines, {.multiline = false}).matchCount(), 0);
    EXPECT_EQ(run("^one", lines, {.multiline = false}).matchCount(), 1);

    EXPECT_EQ(run("ABC", "abc"_t).matchCount(), 1);
    EXPECT_EQ(run("ABC", "abc"_t, {.caseSensitive = true}).matchCount(), 0);
    EXPECT_EQ(run("a", "aaa"_t, {.global = false}).matchCount(), 1);
    EXPECT_EQ(run("x*", "abc"_t).matchCount(), 4); // empty matches move on by one character
    EXPECT_EQ(run("图*", "甲乙"_t).matchCount(), 3);
}

TEST(RegexServiceTest, outOfRangeAndUnmatchedGroupsReadEmpty) {
    RegexService service = run("(a)|(b)", "b"_t);
    EXPECT_EQ(service.subMatch(1, 1), Text());
    EXPECT_EQ(service.subMatch(1, 2), "b"_t);
    EXPECT_EQ(service.subMatch(1, 3), Text());
    EXPECT_EQ(service.subMatch(0, 1), Text());
    EXPECT_EQ(service.matchValue(2), Text());

    RegexService none = run("z(q)", "abc"_t);
    EXPECT_EQ(none.matchCount(), 0);
    EXPECT_EQ(none.subMatchCount(), 0);
}

TEST(RegexServiceTest, rejectedPatternLeavesNoObject) {
    RegexService service;
    EXPECT_FALSE(service.create("(unbalanced"_t, "text"_t));
    EXPECT_EQ(service.matchCount(), 0);
    EXPECT_TRUE(service.patternText().empty());
}

TEST(RegexServiceTest, quoteSubstitutionAndPatternText) {
    RegexService service =
        run("href=#引号([^#引号]*)#引号", "<a href=\"x.html\">"_t, {.quoteSubstitution = true});
    EXPECT_EQ(service.subMatch(1, 1), "x.html"_t);
    EXPECT_EQ(service.patternText(), "href=\"([^\"]*)\""_t);
}

TEST(RegexServiceTest, replaceUsesEveryMatchAndTheReplacementPatterns) {
    RegexService service = run("(\\d+)张", "共40张，又3张"_t);
    EXPECT_EQ(service.replace("[$1]"_t), "共[40]，又[3]"_t);
    EXPECT_EQ(service.replace("$$&"_t), "共$&，又$&"_t);
    EXPECT_EQ(service.replace("<$&>"_t), "共<40张>，又<3张>"_t);
    EXPECT_EQ(run("a", "aXa"_t, {.global = false}).replace("b"_t), "bXa"_t);
}

TEST(RegexServiceTest, aCopySharesTheMatches) {
    RegexService original = run("(\\d)", "1 2 3"_t);
    RegexService copy = original;
    original.create("x"_t, "y"_t);
    EXPECT_EQ(copy.matchCount(), 3);
    EXPECT_EQ(copy.subMatch(3, 1), "3"_t);
    EXPECT_EQ(copy.replace("#"_t), "# # #"_t);
}

TEST(RegexServiceTest, aRunawayPatternEndsAsNoMatch) {
    Text hostile = Text::fromGbk(std::string(40, 'a') + "!");
    RegexService service;
    EXPECT_TRUE(service.create("(a|aa)+(a|aa)+$"_t, hostile));
    EXPECT_EQ(service.matchCount(), 0);
}

TEST(RegexServiceTest, nestedRepeatsOverAMultiMegabyteBlockStillMatch) {
    std::string block = "<ul class=\"img\">";
    for (int i = 0; i < 40000; ++i)
        block += "<li><a href=\"/item/" + std::to_string(i) + ".html\">标题</a></li>\n";
    block += "</ul>";
    Text page = Text::fromUtf8(block);
    RegexService service = run("<ul class=\"img\">((?:<li>[\\s\\S]*?</li>\\s*)*)</ul>", page);
    ASSERT_EQ(service.matchCount(), 1);
    EXPECT_GT(service.subMatch(1, 1).size(), 1'500'000);
}

} // namespace
