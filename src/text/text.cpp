#include "text/text.h"

#include "text/encoding.h"

#include <algorithm>
#include <ostream>

namespace xiuyun {
namespace {

constexpr std::string_view fullWidthBlank = "\xA1\xA1";

unsigned char foldAscii(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
}

bool bytesEqualAt(const std::string& haystack, std::size_t offset, const std::string& needle, CaseMode mode) {
    if (offset + needle.size() > haystack.size())
        return false;
    if (mode == CaseMode::Sensitive)
        return haystack.compare(offset, needle.size(), needle) == 0;
    for (std::size_t i = 0; i < needle.size(); ++i) {
        if (foldAscii(haystack[offset + i]) != foldAscii(needle[i]))
            return false;
    }
    return true;
}

// A byte outside the lead range ends a character, alone or as a trail byte, so a character
// begins right after it.
bool endsACharacter(unsigned char byte) {
    return !isGbkLeadByte(byte);
}

// The first character boundary at or after `target`, walking on from the boundary `boundary`.
// The walk starts after the last byte before `target` that ends a character, where there is one
// after `boundary`: in a page that is rarely more than a byte or two back.
std::size_t boundaryAtOrAfter(const std::string& bytes, std::size_t boundary, std::size_t target) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t resync = target;
    while (resync > boundary && !endsACharacter(data[resync - 1]))
        --resync;
    boundary = resync;
    while (boundary < target)
        boundary +=
            (boundary + 1 < size && isGbkLeadByte(data[boundary]) && isGbkTrailByte(data[boundary + 1])) ? 2
                                                                                                         : 1;
    return boundary;
}

} // namespace

bool isGbkLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

bool isGbkTrailByte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

Text Text::fromGbk(std::string bytes) {
    return Text(std::move(bytes));
}

Text Text::fromGbkUpToZero(std::string_view bytes) {
    return Text(std::string(bytes.substr(0, bytes.find('\0'))));
}

Text Text::fromUtf8(std::string_view utf8) {
    return Text(encoding::utf8ToGbk(utf8));
}

Text Text::number(long long value) {
    return Text(std::to_string(value));
}

std::string Text::toUtf8() const {
    return encoding::gbkToUtf8(m_bytes);
}

int Text::characterLengthAt(int offset) const {
    if (offset + 1 < size() && isGbkLeadByte(m_bytes[offset]) && isGbkTrailByte(m_bytes[offset + 1]))
        return 2;
    return 1;
}

int Text::findFrom(const Text& needle, int offset, CaseMode mode) const {
    if (needle.empty())
        return -1;
    if (mode == CaseMode::Sensitive) {
        // Candidates come from the fast byte search; one walks along the character boundaries
        // behind them, so a match inside a two-byte character is passed over.
        std::size_t boundary = 0;
        std::size_t from = static_cast<std::size_t>(std::max(offset, 0));
        for (std::size_t at; (at = m_bytes.find(needle.m_bytes, from)) != std::string::npos; from = at + 1) {
            boundary = boundaryAtOrAfter(m_bytes, boundary, at);
            if (boundary == at)
                return static_cast<int>(at) + 1;
        }
        return -1;
    }
    for (int i = 0; i < size(); i += characterLengthAt(i)) {
        if (i >= offset && bytesEqualAt(m_bytes, i, needle.m_bytes, mode))
            return i + 1;
    }
    return -1;
}

int Text::find(const Text& needle, int start, CaseMode mode) const {
    if (start < 1)
        start = 1;
    return findFrom(needle, start - 1, mode);
}

int Text::findLastBefore(const Text& needle, int before) const {
    if (needle.empty())
        return -1;
    int found = -1;
    std::size_t boundary = 0;
    for (std::size_t at = 0; (at = m_bytes.find(needle.m_bytes, at)) != std::string::npos &&
                             at + 1 < static_cast<std::size_t>(std::max(before, 0));
         ++at) {
        boundary = boundaryAtOrAfter(m_bytes, boundary, at);
        if (boundary == at)
            found = static_cast<int>(at) + 1;
    }
    return found;
}

int Text::findLast(const Text& needle) const {
    return findLastBefore(needle, size() + 1);
}

bool Text::startsWith(const Text& prefix) const {
    return m_bytes.starts_with(prefix.m_bytes);
}

bool Text::endsWith(const Text& suffix) const {
    if (suffix.empty() || suffix.size() > size())
        return suffix.empty();
    // The suffix must begin on a character boundary of this text.
    int start = size() - suffix.size();
    int i = 0;
    while (i < start)
        i += characterLengthAt(i);
    return i == start && m_bytes.ends_with(suffix.m_bytes);
}

Text Text::left(int n) const {
    if (n <= 0)
        return {};
    return Text(m_bytes.substr(0, n));
}

Text Text::right(int n) const {
    if (n <= 0)
        return {};
    if (n >= size())
        return *this;
    return Text(m_bytes.substr(m_bytes.size() - n));
}

Text Text::middle(int start) const {
    return middle(start, size());
}

Text Text::middle(int start, int n) const {
    if (start < 1 || start > size() || n <= 0)
        return {};
    return Text(m_bytes.substr(start - 1, n));
}

bool Text::isBlankAt(int offset, int length) const {
    std::string_view character(m_bytes.data() + offset, length);
    return character == " " || character == fullWidthBlank;
}

Text Text::trimmed() const {
    int begin = 0;
    while (begin < size() && isBlankAt(begin, characterLengthAt(begin)))
        begin += characterLengthAt(begin);
    int end = begin;
    for (int i = begin; i < size();) {
        int length = characterLengthAt(i);
        if (!isBlankAt(i, length))
            end = i + length;
        i += length;
    }
    return Text(m_bytes.substr(begin, end - begin));
}

Text Text::withoutSpaces() const {
    std::string result;
    result.reserve(m_bytes.size());
    for (int i = 0; i < size();) {
        int length = characterLengthAt(i);
        if (!isBlankAt(i, length))
            result.append(m_bytes, i, length);
        i += length;
    }
    return Text(std::move(result));
}

Text Text::replaced(const Text& from, const Text& to, CaseMode mode) const {
    if (from.empty())
        return *this;
    std::string result;
    result.reserve(m_bytes.size());
    for (int i = 0; i < size();) {
        if (bytesEqualAt(m_bytes, i, from.m_bytes, mode)) {
            result += to.m_bytes;
            i += from.size();
        } else {
            int length = characterLengthAt(i);
            result.append(m_bytes, i, length);
            i += length;
        }
    }
    return Text(std::move(result));
}

std::vector<Text> Text::split(const Text& delimiter) const {
    std::vector<Text> pieces;
    if (empty())
        return pieces;
    if (delimiter.empty())
        return {*this};
    int pieceStart = 1;
    while (true) {
        int at = find(delimiter, pieceStart);
        if (at == -1)
            break;
        pieces.push_back(middle(pieceStart, at - pieceStart));
        pieceStart = at + delimiter.size();
    }
    if (pieceStart <= size())
        pieces.push_back(middle(pieceStart));
    return pieces;
}

Text Text::upper() const {
    std::string result = m_bytes;
    for (int i = 0; i < size();) {
        int length = characterLengthAt(i);
        if (length == 1)
            result[i] = static_cast<char>(foldAscii(result[i]));
        i += length;
    }
    return Text(std::move(result));
}

long long Text::toInteger() const {
    long long value = 0;
    for (char c : m_bytes) {
        if (c < '0' || c > '9')
            break;
        if (value > (__LONG_LONG_MAX__ - 9) / 10)
            break; // more digits than a number holds: keep what fits
        value = value * 10 + (c - '0');
    }
    return value;
}

std::ostream& operator<<(std::ostream& out, const Text& text) {
    return out << '"' << text.toUtf8() << '"';
}

inline namespace literals {
Text operator""_t(const char* utf8, std::size_t length) {
    return Text::fromUtf8(std::string_view(utf8, length));
}
} // namespace literals

} // namespace xiuyun
