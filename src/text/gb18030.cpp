// The four-byte forms of the basic plane follow a table; the system's GB18030 gives it, read once
// into two tables the first time a name needs them. Those of the other planes, and the escapes
// beyond them, run on linearly from 90 30 81 30 = U+10000.
#include "text/gb18030.h"

#include "text/codepage.h"

#include <array>
#include <memory>

namespace xiuyun::encoding {
namespace {

constexpr std::uint32_t supplementaryStart = 189000; // the linear code of 90 30 81 30
constexpr std::uint32_t basicFormCount = 39420;      // 81 30 81 30 … 84 31 A4 39

struct FourByteTables {
    std::array<std::uint16_t, 0x10000> linearPlusOne{}; // of each code point, 0 where it has none
    std::array<char16_t, basicFormCount> codeOf{};      // of each linear code, 0 where none
};

std::unique_ptr<FourByteTables> buildTables() {
    auto tables = std::make_unique<FourByteTables>();
    const SystemCodePage codePage(CodePage::Gb18030);
    if (!codePage.usable())
        return tables;
    for (std::uint32_t code = 0x80; code < 0x10000; ++code) {
        if ((code >= 0xD800 && code <= 0xDFFF) || gbkBytesOf(code) != 0)
            continue;
        // Two bytes here are bytes GBK reads as another character or as none: no four-byte form.
        const std::string form = codePage.encode(code);
        if (form.size() != 4)
            continue;
        auto byte = [&form](int k) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(form[k]));
        };
        const std::uint32_t linear =
            (((byte(0) - 0x81) * 10 + (byte(1) - 0x30)) * 126 + (byte(2) - 0x81)) * 10 + (byte(3) - 0x30);
        if (linear >= basicFormCount)
            continue;
        tables->linearPlusOne[code] = static_cast<std::uint16_t>(linear + 1);
        tables->codeOf[linear] = static_cast<char16_t>(code);
    }
    return tables;
}

const FourByteTables& tables() {
    static const std::unique_ptr<FourByteTables> built = buildTables();
    return *built;
}

bool isEscapeOrMark(std::uint32_t code) {
    return code == unheldMark || code == escapeOf('\\') || (code >= escapeOf(0x80) && code <= escapeOf(0xFF));
}

// The linear code of a code point's four-byte form; nothing when it has none.
std::optional<std::uint32_t> linearOf(std::uint32_t code) {
    if (code >= 0x10000)
        return supplementaryStart + (code - 0x10000);
    const std::uint16_t plusOne = tables().linearPlusOne[code];
    return plusOne != 0 ? std::optional<std::uint32_t>(plusOne - 1u) : std::nullopt;
}

void appendFourByteForm(std::string& out, std::uint32_t linear) {
    char form[4];
    form[3] = static_cast<char>(0x30 + linear % 10);
    linear /= 10;
    form[2] = static_cast<char>(0x81 + linear % 126);
    linear /= 126;
    form[1] = static_cast<char>(0x30 + linear % 10);
    form[0] = static_cast<char>(0x81 + linear / 10);
    out.append(form, 4);
}

// GBK's bytes, or the four-byte form; false when the character can't be held.
bool appendCharacter(std::string& out, std::uint32_t code) {
    if (const std::uint16_t gbk = gbkBytesOf(code); gbk != 0) {
        if (gbk >= 0x100)
            out += static_cast<char>(gbk >> 8);
        out += static_cast<char>(gbk & 0xFF);
        return true;
    }
    const std::optional<std::uint32_t> linear = linearOf(code);
    if (!linear)
        return false;
    appendFourByteForm(out, *linear);
    return true;
}

} // namespace

std::size_t readFourByteForm(std::string_view text, std::size_t i, std::uint32_t& code) {
    code = 0;
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    auto isOuter = [](unsigned char b) { return b >= 0x81 && b <= 0xFE; };
    if (i + 4 > text.size() || !isOuter(byte(0)) || !isFourByteSecond(byte(1)) || !isOuter(byte(2)) ||
        !isFourByteSecond(byte(3)))
        return 1;
    const std::uint32_t linear =
        (((byte(0) - 0x81u) * 10 + (byte(1) - 0x30u)) * 126 + (byte(2) - 0x81u)) * 10 + (byte(3) - 0x30u);
    if (linear < basicFormCount) {
        code = tables().codeOf[linear];
    } else if (linear >= supplementaryStart) {
        const std::uint32_t value = 0x10000 + (linear - supplementaryStart);
        code = value <= 0x10FFFF || isEscapeOrMark(value) ? value : 0;
    }
    return 4;
}

std::optional<std::string> utf8ToGb18030(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            out += utf8[i++];
            continue;
        }
        std::uint32_t code = 0;
        i += readUtf8(utf8, i, code);
        if (code == 0 || !appendCharacter(out, code))
            return std::nullopt;
    }
    return out;
}

std::string nameToText(std::string_view name, NameForm form) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const unsigned char byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x80) {
            if (byte == '\\' && form == NameForm::Bytes)
                appendFourByteForm(out, *linearOf(escapeOf(byte)));
            else
                out += static_cast<char>(byte);
            ++i;
            continue;
        }
        std::uint32_t code = 0;
        const std::size_t length = readUtf8(name, i, code);
        if (code == 0 && form == NameForm::Bytes) {
            // Each byte on its own: the bytes after it may begin a character again.
            appendFourByteForm(out, *linearOf(escapeOf(byte)));
            ++i;
            continue;
        }
        if (code == 0 || !appendCharacter(out, code))
            appendFourByteForm(out, *linearOf(unheldMark));
        i += length;
    }
    return out;
}

std::optional<std::string> textToName(std::string_view text, NameForm form) {
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out += byte == '\\' && form == NameForm::Bytes ? '/' : static_cast<char>(byte);
            ++i;
            continue;
        }
        std::uint32_t code = 0;
        i += readTextCharacter(text, i, code);
        if (code == unheldMark || (code > 0x10FFFF && form == NameForm::Characters))
            return std::nullopt;
        if (code > 0x10FFFF) {
            out += static_cast<char>(code - 0x110000);
            continue;
        }
        char utf8[4];
        out.append(utf8, appendUtf8(utf8, code != 0 ? code : 0xFFFD));
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3);
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        std::uint32_t code = utf16[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF)
            code = 0x10000 + ((code - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        char utf8[4];
        out.append(utf8, appendUtf8(utf8, code));
    }
    return out;
}

} // namespace xiuyun::encoding
