#include "text/gb18030.h"

#include "text/encoding.h"

#include <gtest/gtest.h>

#include <string>

using namespace xiuyun::encoding;

namespace {

TEST(Gb18030Test, textsOfGbkCharactersKeepTheirBytes) {
    for (const std::string utf8 : {"状态：图片下载完成", "C:/相册/001 夏日", "€ 100", "plain ascii"}) {
        const std::string gbk = utf8ToGbk(utf8);
        EXPECT_EQ(utf8ToGb18030(utf8), gbk) << utf8;
        EXPECT_EQ(nameToText(utf8, NameForm::Bytes), gbk) << utf8;
        EXPECT_EQ(nameToText(utf8, NameForm::Characters), gbk) << utf8;
        EXPECT_EQ(textToName(gbk, NameForm::Characters), utf8) << utf8;
    }
}

TEST(Gb18030Test, whatGbkLacksTakesItsFourByteFormAndComesBack) {
    const struct {
        const char* utf8;
        std::string gb18030;
    } table[] = {
        {"가", "\x82\x37\xCF\x35"}, {"龦", "\x82\x35\x8F\x33"}, {"Ł", "\x81\x30\x91\x39"},
        {"ø", "\x81\x30\x8B\x33"},  {"😀", "\x94\x39\xFC\x36"},  {"€", "\x80"}, // € is GBK's own
    };
    for (const auto& row : table) {
        EXPECT_EQ(utf8ToGb18030(row.utf8), row.gb18030) << row.utf8;
        EXPECT_EQ(gbkToUtf8(row.gb18030), row.utf8) << row.utf8;
        EXPECT_EQ(textToName(row.gb18030, NameForm::Bytes), row.utf8) << row.utf8;
    }
}

TEST(Gb18030Test, aLinuxNameIsHeldByteForByteAndShownReadably) {
    const struct {
        std::string name;
        std::string shown;
    } table[] = {{"a\\b", "a\\b"},
                 {"caf\xE9", "caf\xEF\xBF\xBD"},
                 {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}};
    for (const auto& row : table) {
        const std::string text = nameToText(row.name, NameForm::Bytes);
        EXPECT_EQ(textToName(text, NameForm::Bytes), row.name);
        EXPECT_EQ(gbkToUtf8(text), row.shown);
        // Windows has no such names.
        EXPECT_EQ(textToName(text, NameForm::Characters), std::nullopt);
    }
    // The program's own separator is the system's.
    EXPECT_EQ(textToName("a\\b", NameForm::Bytes), "a/b");
}

TEST(Gb18030Test, whatCanNotBeHeldIsRefused) {
    // U+E000: GB18030 writes it as AA A1, which GBK reads as no character.
    EXPECT_EQ(utf8ToGb18030("\xEE\x80\x80"), std::nullopt);
    EXPECT_EQ(utf8ToGb18030("caf\xE9"), std::nullopt);
    EXPECT_EQ(textToName(nameToText("a\xEE\x80\x80", NameForm::Bytes), NameForm::Bytes), std::nullopt);
    // A lone surrogate of a Windows name, kept in UTF-8's form.
    const std::string lone = utf16ToUtf8(u"a\xD800");
    EXPECT_EQ(lone, "a\xED\xA0\x80");
    EXPECT_EQ(textToName(nameToText(lone, NameForm::Characters), NameForm::Characters), std::nullopt);
    EXPECT_EQ(utf16ToUtf8(u"\xD83D\xDE00"), "😀");
}

} // namespace
