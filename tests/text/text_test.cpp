#include "text/text.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace xiuyun;

namespace {

// GBK characters whose trail byte is "\" (0x5C) or "|" (0x7C).
const Text backslashTrail = "嘰"_t; // 87 5C
const Text barTrail = "億"_t;       // 83 7C

} // namespace

TEST(TextTest, convertsBetweenUtf8AndGbk) {
    Text text = "图片数量"_t;
    EXPECT_EQ(text.bytes(), "\xCD\xBC\xC6\xAC\xCA\xFD\xC1\xBF");
    EXPECT_EQ(text.toUtf8(), "图片数量");
    EXPECT_EQ(backslashTrail.bytes(), "\x87\x5C");
    EXPECT_EQ(barTrail.bytes(), "\x83\x7C");
}

TEST(TextTest, putsOneQuestionMarkPerCharacterGbkCannotHold) {
    EXPECT_EQ("a😀b한c½"_t, Text::fromGbk("a?b?c?"));
    // A malformed UTF-8 byte is one character too.
    EXPECT_EQ(Text::fromUtf8("x\xFFy"), Text::fromGbk("x?y"));
}

TEST(TextTest, findCountsFromOneAndAnswersMinusOneWhenAbsent) {
    Text text = "a/b/c"_t;
    EXPECT_EQ(text.find("/"_t), 2);
    EXPECT_EQ(text.find("/"_t, 3), 4);
    EXPECT_EQ(text.find("/"_t, 5), -1);
    EXPECT_EQ(text.find("x"_t), -1);
    EXPECT_EQ(text.findLast("/"_t), 4);
    EXPECT_EQ(text.findLast("x"_t), -1);
    EXPECT_EQ("ABC"_t.find("bc"_t, 1, CaseMode::IgnoreAscii), 2);
    EXPECT_EQ("ABC"_t.find("bc"_t), -1);
}

TEST(TextTest, neverMatchesASeparatorInsideACharacter) {
    Text path = "a"_t + backslashTrail + barTrail + "b"_t;
    EXPECT_EQ(path.find("\\"_t), -1);
    EXPECT_EQ(path.find("|"_t), -1);
    EXPECT_EQ(path.findLast("\\"_t), -1);
    EXPECT_FALSE(backslashTrail.endsWith("\\"_t));
    EXPECT_EQ(path.replaced("\\"_t, "X"_t), path);
    EXPECT_EQ(path.split("|"_t).size(), 1u);
    Text real = backslashTrail + "\\"_t + barTrail + "|"_t;
    EXPECT_EQ(real.find("\\"_t), 3);
    EXPECT_EQ(real.find("|"_t), 6);
    EXPECT_TRUE(real.endsWith("|"_t));
}

// A lead byte before a byte that cannot follow it is no character with it: what comes after it is
// found and cut as itself, as the conversion to Unicode reads it.
TEST(TextTest, aLeadByteWithoutATrailByteStandsAlone) {
    const Text broken = Text::fromGbk("a\x87/..\x81");
    EXPECT_EQ(broken.find("/"_t), 3);
    EXPECT_EQ(broken.characterLengthAt(1), 1);
    EXPECT_EQ(broken.characterLengthAt(5), 1);
    EXPECT_TRUE(Text::fromGbk("\x87/").endsWith("/"_t));
    EXPECT_EQ(Text::fromGbk("\x87\x7f").characterLengthAt(0), 1);
}

// The searches pick up the character walk near each candidate instead of at the start; they must
// answer as a walk from the first byte does, over runs of lead and trail bytes of every kind.
TEST(TextTest, searchesAgreeWithAWalkFromTheFirstCharacter) {
    const std::string alphabet = "<a@\x81\xB0\xA1\x7F\xFF\\";
    std::mt19937 random(11);
    auto pick = [&](int length) {
        std::string bytes;
        for (int i = 0; i < length; ++i)
            bytes += alphabet[random() % alphabet.size()];
        return Text::fromGbk(bytes);
    };
    auto walk = [](const Text& text, const Text& needle) {
        std::vector<int> found;
        for (int i = 0; i < text.size(); i += text.characterLengthAt(i))
            if (text.bytes().compare(i, needle.size(), needle.bytes()) == 0)
                found.push_back(i + 1);
        return found;
    };
    for (int round = 0; round < 3000; ++round) {
        const Text text = pick(static_cast<int>(random() % 40));
        const Text needle = pick(1 + static_cast<int>(random() % 3));
        const std::vector<int> expected = walk(text, needle);
        std::vector<int> found;
        for (int at = text.find(needle); at > 0; at = text.find(needle, at + 1))
            found.push_back(at);
        ASSERT_EQ(found, expected) << text.bytes() << " / " << needle.bytes();
        ASSERT_EQ(text.findLast(needle), expected.empty() ? -1 : expected.back());
    }
}

TEST(TextTest, ignoringCaseFoldsAsciiOnly) {
    // The trail byte of a character must not be folded into a letter match.
    EXPECT_EQ("图a"_t.find("A"_t, 1, CaseMode::IgnoreAscii), 3);
    EXPECT_EQ("Set-Cookie set-cookie"_t.replaced("set-cookie"_t, "Set-Cookie"_t, CaseMode::IgnoreAscii),
              "Set-Cookie Set-Cookie"_t);
    EXPECT_EQ("ab图"_t.upper(), "AB图"_t);
}

TEST(TextTest, cutsGiveEmptyResultsOutOfRange) {
    Text text = "abcdef"_t;
    EXPECT_EQ(text.left(2), "ab"_t);
    EXPECT_EQ(text.left(0), Text{});
    EXPECT_EQ(text.left(-1), Text{});
    EXPECT_EQ(text.left(99), text);
    EXPECT_EQ(text.right(2), "ef"_t);
    EXPECT_EQ(text.right(0), Text{});
    EXPECT_EQ(text.right(99), text);
    EXPECT_EQ(text.middle(2, 3), "bcd"_t);
    EXPECT_EQ(text.middle(0, 3), Text{});
    EXPECT_EQ(text.middle(7, 1), Text{});
    EXPECT_EQ(text.middle(3, 0), Text{});
    EXPECT_EQ(text.middle(5, 99), "ef"_t);
    EXPECT_EQ(text.middle(3), "cdef"_t);
}

TEST(TextTest, trimsAsciiAndFullWidthBlanks) {
    EXPECT_EQ("  　a b　 "_t.trimmed(), "a b"_t);
    EXPECT_EQ("　 "_t.trimmed(), Text{});
    EXPECT_EQ(" a　b "_t.withoutSpaces(), "ab"_t);
    // A1 A1 that straddles two characters is not a blank: "ˇ" is A1 A4, "。" is A1 A3.
    Text straddle = Text::fromGbk("\xA1\xA4\xA1\xA1");
    EXPECT_EQ(straddle.trimmed(), Text::fromGbk("\xA1\xA4"));
    Text tricky = Text::fromGbk("\xB0\xA1\xA1"); // "啊" then a lone A1
    EXPECT_EQ(tricky.trimmed(), tricky);
}

TEST(TextTest, splitsKeepingInnerEmptyPiecesButNoTrailingOne) {
    using Pieces = std::vector<Text>;
    EXPECT_EQ("a\r\n\r\nb"_t.split("\r\n"_t), (Pieces{"a"_t, {}, "b"_t}));
    EXPECT_EQ("a\r\nb\r\n"_t.split("\r\n"_t), (Pieces{"a"_t, "b"_t}));
    EXPECT_EQ("\r\na"_t.split("\r\n"_t), (Pieces{{}, "a"_t}));
    EXPECT_EQ(Text{}.split("\r\n"_t), Pieces{});
    EXPECT_EQ("abc"_t.split(";"_t), (Pieces{"abc"_t}));
}

TEST(TextTest, replacesEveryOccurrenceLeftToRight) {
    EXPECT_EQ("aaa"_t.replaced("aa"_t, "b"_t), "ba"_t);
    EXPECT_EQ("a:b:c"_t.replaced(":"_t), "abc"_t);
    EXPECT_EQ("abc"_t.replaced({}, "x"_t), "abc"_t);
}

TEST(TextTest, integerOfLeadingDigits) {
    EXPECT_EQ("45张"_t.toInteger(), 45);
    EXPECT_EQ("007"_t.toInteger(), 7);
    EXPECT_EQ("张45"_t.toInteger(), 0);
    EXPECT_EQ(Text{}.toInteger(), 0);
    EXPECT_EQ(" 3"_t.toInteger(), 0);
    EXPECT_EQ("99999999999999999999999"_t.toInteger(), 999999999999999999LL);
    EXPECT_EQ(Text::number(-12), "-12"_t);
}

TEST(TextTest, upToZeroStopsAtTheFirstZeroByte) {
    EXPECT_EQ(Text::fromGbkUpToZero(std::string_view("ab\0cd", 5)), "ab"_t);
}
