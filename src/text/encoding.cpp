// Conversion between UTF-8 and GBK (code page 936). glibc's iconv defines the mapping, but calling
// it per text costs more than the matching itself on a page, so its mapping is read once into two
// tables and the conversions run on those. Characters outside the tables become "?" or U+FFFD.
#include "text/encoding.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <mutex>

namespace xiuyun::encoding {
namespace {

constexpr int leadCount = 0xFE - 0x81 + 1;  // lead bytes 81 … FE
constexpr int trailCount = 0xFE - 0x40 + 1; // trail bytes 40 … FE

struct Tables {
    // Code point of each two-byte GBK character, 0 where there is none.
    std::array<std::array<char16_t, trailCount>, leadCount> toUnicode{};
    // GBK bytes of each code point of the basic plane (lead in the high byte; a single byte below
    // 0x100), 0 where GBK has none.
    std::array<std::uint16_t, 0x10000> toGbk{};
    std::uint32_t single80 = 0; // the one byte above ASCII that is a character of its own (€)
};

std::size_t appendUtf8(char* out, std::uint32_t code) {
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | (code >> 6));
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (code >> 12));
    out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (code & 0x3F));
    return 3;
}

// One iconv call on a short sequence; the decoded code point (UTF-8 output) or the GBK bytes.
std::string iconvOne(iconv_t descriptor, const char* bytes, std::size_t length) {
    char output[8];
    auto* in = const_cast<char*>(bytes);
    char* out = output;
    std::size_t inLeft = length, outLeft = sizeof output;
    iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    if (iconv(descriptor, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
        return {};
    return std::string(output, out - output);
}

// Length of the UTF-8 sequence at `i` and its code point; 0 as the code point when the sequence
// is malformed (then the length is that of the whole sequence when its form is right, else 1).
std::size_t readUtf8(std::string_view text, std::size_t i, std::uint32_t& code) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = lead < 0xC2 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 1;
    code = 0;
    if (length == 1 || i + length > text.size())
        return 1;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 1;
    }
    std::uint32_t value = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k)
        value = (value << 6) | (byte(i + k) & 0x3F);
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (!overlong && !surrogate && value <= 0x10FFFF)
        code = value;
    return length;
}

// The code point of the one character iconv wrote, 0 for none.
std::uint32_t codeOf(const std::string& utf8) {
    if (utf8.size() == 1)
        return static_cast<unsigned char>(utf8[0]) < 0x80 ? static_cast<unsigned char>(utf8[0]) : 0;
    std::uint32_t code = 0;
    if (utf8.empty() || readUtf8(utf8, 0, code) != utf8.size())
        return 0;
    return code;
}

std::unique_ptr<Tables> buildTables() {
    auto tables = std::make_unique<Tables>();
    iconv_t fromGbk = iconv_open("UTF-8", "CP936");
    iconv_t toGbk = iconv_open("CP936", "UTF-8");
    if (fromGbk == reinterpret_cast<iconv_t>(-1) || toGbk == reinterpret_cast<iconv_t>(-1))
        return tables;

    for (int lead = 0; lead < leadCount; ++lead) {
        for (int trail = 0; trail < trailCount; ++trail) {
            const char pair[2] = {static_cast<char>(0x81 + lead), static_cast<char>(0x40 + trail)};
            std::uint32_t code = codeOf(iconvOne(fromGbk, pair, 2));
            tables->toUnicode[lead][trail] = code <= 0xFFFF ? static_cast<char16_t>(code) : 0;
        }
    }
    const char euro = static_cast<char>(0x80);
    tables->single80 = codeOf(iconvOne(fromGbk, &euro, 1));

    for (std::uint32_t code = 0x80; code < 0x10000; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF)
            continue;
        char utf8[4];
        std::size_t length = appendUtf8(utf8, code);
        std::string gbk = iconvOne(toGbk, utf8, length);
        if (gbk.size() == 1)
            tables->toGbk[code] = static_cast<unsigned char>(gbk[0]);
        else if (gbk.size() == 2)
            tables->toGbk[code] = static_cast<std::uint16_t>((static_cast<unsigned char>(gbk[0]) << 8) |
                                                             static_cast<unsigned char>(gbk[1]));
    }
    iconv_close(fromGbk);
    iconv_close(toGbk);
    return tables;
}

const Tables& tables() {
    static const std::unique_ptr<Tables> built = buildTables();
    return *built;
}

// Copies the run of ASCII bytes that starts at `i` (the same in both encodings), eight bytes at
// a time, and answers where it ends.
std::size_t copyAsciiRun(std::string_view text, std::size_t i, char*& out) {
    const std::size_t start = i;
    while (i + 8 <= text.size()) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if (word & 0x8080808080808080ull)
            break;
        i += 8;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80)
        ++i;
    std::memcpy(out, text.data() + start, i - start);
    out += i - start;
    return i;
}

} // namespace

std::string utf8ToGbk(std::string_view utf8) {
    const Tables& table = tables();
    // GBK never takes more bytes than UTF-8 for the same characters.
    std::string output(utf8.size(), '\0');
    char* out = output.data();
    std::size_t i = 0;
    while (i < utf8.size()) {
        i = copyAsciiRun(utf8, i, out);
        if (i == utf8.size())
            break;
        std::uint32_t code = 0;
        i += readUtf8(utf8, i, code);
        std::uint16_t gbk = code > 0 && code < 0x10000 ? table.toGbk[code] : 0;
        if (gbk == 0) {
            *out++ = '?';
        } else if (gbk < 0x100) {
            *out++ = static_cast<char>(gbk);
        } else {
            *out++ = static_cast<char>(gbk >> 8);
            *out++ = static_cast<char>(gbk & 0xFF);
        }
    }
    output.resize(static_cast<std::size_t>(out - output.data()));
    return output;
}

std::string gbkToUtf8(std::string_view gbk) {
    const Tables& table = tables();
    // At most three UTF-8 bytes for each GBK byte (a lone byte becomes U+FFFD).
    std::string output(gbk.size() * 3, '\0');
    char* out = output.data();
    std::size_t i = 0;
    while (i < gbk.size()) {
        i = copyAsciiRun(gbk, i, out);
        if (i == gbk.size())
            break;
        const unsigned char byte = static_cast<unsigned char>(gbk[i]);
        std::uint32_t code = 0;
        if (byte == 0x80) {
            code = table.single80;
            ++i;
        } else if (byte <= 0xFE && i + 1 < gbk.size()) {
            const unsigned char trail = static_cast<unsigned char>(gbk[i + 1]);
            if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) {
                code = table.toUnicode[byte - 0x81][trail - 0x40];
                i += 2;
            } else {
                ++i;
            }
        } else {
            ++i;
        }
        out += appendUtf8(out, code != 0 ? code : 0xFFFD);
    }
    output.resize(static_cast<std::size_t>(out - output.data()));
    return output;
}

} // namespace xiuyun::encoding
