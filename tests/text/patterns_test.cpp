#include "text/patterns.h"

#include <gtest/gtest.h>

using namespace xiuyun;

namespace {

TEST(TextCuttingTest, digitsAndMarkers) {
    EXPECT_EQ(digitsOnly("1a2"_t), "12"_t);
    EXPECT_EQ(digitsOnly("共45张"_t), "45"_t);
    EXPECT_TRUE(digitsOnly("张"_t).empty());

    EXPECT_EQ(textBetween("<a href=\"x.html\">"_t, "href=#引号"_t, "#引号"_t), "x.html"_t);
    EXPECT_EQ(textBetween("</span>共40张"_t, "</span>"_t, "张"_t), "共40"_t);
    EXPECT_TRUE(textBetween("no markers"_t, "<"_t, ">"_t).empty());
    EXPECT_TRUE(textBetween("<a only"_t, "<a"_t, ">"_t).empty());
    // The right marker is searched only after the left one.
    EXPECT_EQ(textBetween("\"<a href=\"y\""_t, "href=\""_t, "\""_t), "y"_t);
    // A search for "\" never matches inside 嘰 (87 5C).
    EXPECT_EQ(textBetween("嘰\\x\\"_t, "\\"_t, "\\"_t), "x"_t);

    const Text entry =
        "<a href=\"/item/1.html\"><img src=\"c.jpg\"></a><span>日</span>共8张<a href=\"/item/1.html\">Title</a>"_t;
    EXPECT_EQ(regexFirstGroup("<h1>([\\S\\s]*?)</h1>"_t, "<h1>A</h1><h1>B</h1>"_t), "A"_t);
    EXPECT_EQ(textBetweenLast(entry, "</a>"_t, ">"_t), "Title"_t);
    EXPECT_TRUE(textBetweenLast("Title>"_t, "</a>"_t, ">"_t).empty());
    EXPECT_TRUE(regexFirstGroup("(broken"_t, "text"_t).empty());
}

} // namespace
