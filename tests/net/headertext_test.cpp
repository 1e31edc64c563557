#include "net/headertext.h"

#include <gtest/gtest.h>

using namespace xiuyun;

namespace {
const Text defaultTail =
    "\r\nAccept-Language: zh-cn\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"
    "\r\nContent-Type: application/x-www-form-urlencoded"_t;
} // namespace

TEST(HeaderBlock, onlyMissingDefaultsAreAppendedAndTheTestsAreCaseSensitive) {
    EXPECT_EQ(completeHeaderBlock({}, "http://a.test/1"_t),
              "Accept: */*\r\nReferer: http://a.test/1"_t + defaultTail);
    EXPECT_EQ(completeHeaderBlock("Accept: image/*"_t, "u"_t),
              "Accept: image/*\r\nReferer: u"_t + defaultTail);
    Text full = "Content-Type: x\r\nUser-Agent: y\r\nAccept-Language: z\r\nReferer: r\r\nAccept: a"_t;
    EXPECT_EQ(completeHeaderBlock(full, "u"_t), full);
    // "referer:" is not "Referer:", so the default comes as well.
    EXPECT_TRUE(completeHeaderBlock("referer: r"_t, "u"_t).contains("\r\nReferer: u"_t));
}

TEST(ResponseCookies, takeTheNameAndValueBeforeTheFirstSemicolon) {
    EXPECT_EQ(cookiesOfResponse("Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"_t), "a=1; b=2"_t);
    EXPECT_EQ(cookiesOfResponse("Set-Cookie:c=3\r\nContent-Type: text/html; charset=utf-8\r\n"_t), "c=3"_t);
    EXPECT_EQ(cookiesOfResponse("Content-Length: 2\r\n"_t), Text());
    EXPECT_EQ(cookiesOfResponse({}), Text());
}

TEST(Base64, padsToWholeGroupsOfFour) {
    EXPECT_EQ(base64Encode(""), Text());
    EXPECT_EQ(base64Encode("abc"), "YWJj"_t);
    EXPECT_EQ(base64Encode("abcd"), "YWJjZA=="_t);
    EXPECT_EQ(base64Encode("abcde"), "YWJjZGU="_t);
    EXPECT_EQ(base64Encode(std::string_view("\xFF\xFE\x00", 3)), "//4A"_t);
    EXPECT_EQ(base64Encode("user:pass"), "dXNlcjpwYXNz"_t);
}

TEST(MergeCookies, newValuesWinAndSurvivingOldOnesFollow) {
    EXPECT_EQ(mergeCookies("a=1; b=2"_t, "b=3; c=4"_t), "b=3; c=4; a=1"_t);
    EXPECT_EQ(mergeCookies("a=1"_t, "a=deleted"_t), Text());
    EXPECT_EQ(mergeCookies("a=1;　b = 2"_t, ""_t), "a=1; b=2"_t);
    EXPECT_EQ(mergeCookies(""_t, "x=1; y=2; x=1"_t), "x=1; y=2"_t);
    EXPECT_EQ(mergeCookies("A=1"_t, "a=2"_t), "a=2; A=1"_t);
    EXPECT_EQ(mergeCookies("flag"_t, "flag=1"_t), "flag=1"_t);
}

TEST(SplitHeaderLine, cutsAtTheFirstColonAndTrimsBothSides) {
    EXPECT_EQ(splitHeaderLine(" Referer : http://a.test/b "_t),
              std::make_pair("Referer"_t, "http://a.test/b"_t));
    EXPECT_EQ(splitHeaderLine("　X　:　值　"_t), std::make_pair("X"_t, "值"_t));
    EXPECT_EQ(splitHeaderLine("no colon here"_t), std::make_pair(Text(), Text()));
    EXPECT_EQ(splitHeaderLine("Empty:"_t), std::make_pair("Empty"_t, Text()));
}
