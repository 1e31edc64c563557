// Conversion between UTF-8 and GBK (code page 936). The system's code page defines the mapping,
// but asking it per text costs more than the matching itself on a page, so its mapping is read once
// into two tables and the conversions run on those. Characters outside the tables become "?" or U+FFFD.
#include "text/encoding.h"

#include "text/codepage.h"
#include "text/gb18030.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
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

} // namespace

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
    if (code < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (code >> 12));
        out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (code >> 18));
    out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (code & 0x3F));
    return 4;
}

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

namespace {

// Private-use code points stand for the code page's user-defined pairs, which one system's table
// maps and another's does not: they are left out, so every system converts alike.
bool isPrivateUse(std::uint32_t code) {
    return code >= 0xE000 && code <= 0xF8FF;
}

std::unique_ptr<Tables> buildTables() {
    auto tables = std::make_unique<Tables>();
    const SystemCodePage codePage;
    if (!codePage.usable())
        return tables;

    for (int lead = 0; lead < leadCount; ++lead) {
        for (int trail = 0; trail < trailCount; ++trail) {
            const char pair[2] = {static_cast<char>(0x81 + lead), static_cast<char>(0x40 + trail)};
            const std::uint32_t code = codePage.decode(std::string_view(pair, 2));
            tables->toUnicode[lead][trail] =
                code <= 0xFFFF && !isPrivateUse(code) ? static_cast<char16_t>(code) : 0;
        }
    }
    tables->single80 = codePage.decode("\x80");

    for (std::uint32_t code = 0x80; code < 0x10000; ++code) {
        if ((code >= 0xD800 && code <= 0xDFFF) || isPrivateUse(code))
            continue;
        const std::string gbk = codePage.encode(code);
        if (gbk.size() == 1)
            tables->toGbk[code] = static_cast<unsigned char>(gbk[0]);
        else if (gbk.size() == 2)
            tables->toGbk[code] = static_cast<std::uint16_t>((static_cast<unsigned char>(gbk[0]) << 8) |
                                                             static_cast<unsigned char>(gbk[1]));
    }
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

// The bytes above ASCII, eight at a time: what sizes a conversion's buffer before it is written.
std::size_t highByteCount(std::string_view text) {
    std::size_t count = 0;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        // Each byte's top bit moved to its bottom, then the eight summed into the top byte.
        count +=
            static_cast<std::size_t>((((word >> 7) & 0x0101010101010101ull) * 0x0101010101010101ull) >> 56);
    }
    for (; i < text.size(); ++i)
        count += static_cast<unsigned char>(text[i]) >> 7;
    return count;
}

// Makes room for `bytes` more from `out` on; answers where `out` now points.
char* grownBuffer(std::string& output, char* out, std::size_t bytes) {
    const std::size_t used = static_cast<std::size_t>(out - output.data());
    output.resize(used + bytes);
    return output.data() + used;
}

// Cuts the buffer to what was written; its room goes back only when much of it went unused, since
// giving it back copies the text.
void fitToWritten(std::string& output, const char* out) {
    output.resize(static_cast<std::size_t>(out - output.data()));
    if (output.capacity() - output.size() > std::max<std::size_t>(output.size() / 4, 4096))
        output.shrink_to_fit();
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
    fitToWritten(output, out);
    return output;
}

std::uint16_t gbkBytesOf(std::uint32_t code) {
    return code < 0x10000 ? tables().toGbk[code] : 0;
}

std::size_t readTextCharacter(std::string_view text, std::size_t i, std::uint32_t& code) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    code = 0;
    if (byte < 0x80) {
        code = byte;
        return 1;
    }
    if (byte == 0x80) {
        code = tables().single80;
        return 1;
    }
    if (byte == 0xFF || i + 1 == text.size())
        return 1;
    const unsigned char trail = static_cast<unsigned char>(text[i + 1]);
    if (isFourByteSecond(trail))
        return readFourByteForm(text, i, code);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF)
        return 1;
    code = tables().toUnicode[byte - 0x81][trail - 0x40];
    return 2;
}

std::string gbkToUtf8(std::string_view gbk) {
    // A pair of GBK bytes becomes at most three UTF-8 bytes and a four-byte form at most four; a lone
    // byte above ASCII becomes three (U+FFFD), and only then does the buffer grow.
    std::string output(gbk.size() + highByteCount(gbk) / 2, '\0');
    char* out = output.data();
    char* end = out + output.size();
    std::size_t i = 0;
    while (i < gbk.size()) {
        i = copyAsciiRun(gbk, i, out);
        if (i == gbk.size())
            break;
        std::uint32_t code = 0;
        i += readTextCharacter(gbk, i, code);
        // An escape of a name's byte shows as what it stands for where that is a character.
        if (code == escapeOf('\\'))
            code = '\\';
        // Room for this character and for the rest as ASCII, which the runs copy unchecked.
        const std::size_t rest = gbk.size() - i;
        if (static_cast<std::size_t>(end - out) < 4 + rest) {
            out = grownBuffer(output, out, 4 + 3 * rest);
            end = output.data() + output.size();
        }
        out += appendUtf8(out, code != 0 && code <= 0x10FFFF ? code : 0xFFFD);
    }
    fitToWritten(output, out);
    return output;
}

} // namespace xiuyun::encoding
