// Text: the system's one string type, GBK (code page 936) bytes with 1-based byte positions.
#pragma once

#include <compare>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace xiuyun {

// A counted run of bytes: file contents, response bodies. Empty means "failed" to every caller.
using ByteArray = std::string;

enum class CaseMode { Sensitive, IgnoreAscii };

// GBK text. It is built only through named conversions, so UTF-8 strings and GBK bytes can't be
// mixed by accident. Searches and cuts step over a two-byte character as one unit: GBK trail bytes
// include "\" and "|", which must never match inside a character.
class Text {
public:
    Text() = default;

    static Text fromGbk(std::string bytes);
    static Text fromGbk(std::string_view bytes) { return fromGbk(std::string(bytes)); }
    static Text fromGbk(const char* bytes) { return fromGbk(std::string(bytes)); }
    // The GBK bytes up to the first zero byte, as the text of a C string.
    static Text fromGbkUpToZero(std::string_view bytes);
    // Characters GBK cannot hold become "?".
    static Text fromUtf8(std::string_view utf8);
    static Text number(long long value);

    std::string toUtf8() const;
    const std::string& bytes() const { return m_bytes; }
    const char* data() const { return m_bytes.c_str(); }
    int size() const { return static_cast<int>(m_bytes.size()); }
    bool empty() const { return m_bytes.empty(); }

    // 1-based position of the first occurrence at or after start, -1 when absent.
    int find(const Text& needle, int start = 1, CaseMode mode = CaseMode::Sensitive) const;
    // 1-based position of the last occurrence, -1 when absent.
    int findLast(const Text& needle) const;
    // The last occurrence that starts before position `before` (1-based), -1 when absent.
    int findLastBefore(const Text& needle, int before) const;
    bool contains(const Text& needle) const { return find(needle) != -1; }
    bool startsWith(const Text& prefix) const;
    bool endsWith(const Text& suffix) const;

    Text left(int n) const;
    Text right(int n) const;
    // From the 1-based start to the end, or n bytes of it.
    Text middle(int start) const;
    Text middle(int start, int n) const;

    // Trim and remove ASCII blanks and the full-width blank (A1 A1).
    Text trimmed() const;
    Text withoutSpaces() const;
    Text replaced(const Text& from, const Text& to = {}, CaseMode mode = CaseMode::Sensitive) const;
    // Pieces between the delimiters, in order. An empty text has no pieces, and an empty
    // remainder after a final delimiter is not a piece; empty pieces elsewhere are kept.
    std::vector<Text> split(const Text& delimiter) const;
    Text upper() const;
    // The leading decimal digits as a number, 0 when there are none.
    long long toInteger() const;

    // Byte length of the character that starts at the 0-based offset: 2 for a GBK lead byte
    // followed by a trail byte, else 1. A lead byte before anything else ("\x87/") stands alone,
    // as the conversion to Unicode reads it, so the byte after it is searched and cut as itself.
    int characterLengthAt(int offset) const;

    Text& operator+=(const Text& other) {
        m_bytes += other.m_bytes;
        return *this;
    }
    friend Text operator+(Text a, const Text& b) { return a += b; }
    friend bool operator==(const Text&, const Text&) = default;
    friend std::strong_ordering operator<=>(const Text&, const Text&) = default;

private:
    explicit Text(std::string bytes) : m_bytes(std::move(bytes)) {}
    int findFrom(const Text& needle, int offset, CaseMode mode) const;
    bool isBlankAt(int offset, int length) const;

    std::string m_bytes;
};

bool isGbkLeadByte(unsigned char byte);
// 40 … FE but 7F: the second byte of a two-byte character.
bool isGbkTrailByte(unsigned char byte);

// Shown as UTF-8, so test failures and debugger output are readable.
std::ostream& operator<<(std::ostream& out, const Text& text);

inline namespace literals {
// Source literals are UTF-8; "状态："_t is the GBK text of them.
Text operator""_t(const char* utf8, std::size_t length);
} // namespace literals

} // namespace xiuyun
