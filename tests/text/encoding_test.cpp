#include "text/encoding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace xiuyun::encoding;

namespace {

std::string utf8Of(std::uint32_t code) {
    if (code < 0x800)
        return {static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
    return {static_cast<char>(0xE0 | (code >> 12)), static_cast<char>(0x80 | ((code >> 6) & 0x3F)),
            static_cast<char>(0x80 | (code & 0x3F))};
}

// Every system fills the conversion tables from its own code page 936; they must come out the
// same everywhere, or a title would name one folder here and another there. The digest covers
// every two-byte GBK sequence in both directions' tables and every code point of the basic plane.
TEST(EncodingTableTest, theTablesAreTheSameOnEverySystem) {
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](const std::string& bytes) {
        for (unsigned char c : bytes) {
            hash ^= c;
            hash *= 1099511628211ull;
        }
        hash ^= 0xFF;
        hash *= 1099511628211ull;
    };
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (int trail = 0x40; trail <= 0xFF; ++trail)
            mix(gbkToUtf8(std::string{static_cast<char>(lead), static_cast<char>(trail)}));
    }
    for (std::uint32_t code = 0x80; code < 0x10000; ++code) {
        if (code < 0xD800 || code > 0xDFFF)
            mix(utf8ToGbk(utf8Of(code)));
    }
    EXPECT_EQ(hash, 0x4d09249eebe245edull);
}

TEST(EncodingTableTest, userDefinedPairsAndPrivateUseCodePointsMapToNothing) {
    // Pairs of the user-defined ranges, which one system's table gives private-use characters.
    for (const char* pair : {"\xAA\xA1", "\xF8\xA1", "\xFE\xFE", "\xA1\x40"})
        EXPECT_EQ(gbkToUtf8(pair), "\xEF\xBF\xBD") << pair;
    EXPECT_EQ(utf8ToGbk(utf8Of(0xE000)), "?");
    EXPECT_EQ(utf8ToGbk(utf8Of(0xF8FF)), "?");
}

} // namespace
