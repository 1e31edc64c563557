// GB18030's four-byte forms for the characters GBK lacks, and the exact conversions of the names
// of files and folders built on them. GB18030 writes every GBK character with GBK's bytes, so a
// text of GBK characters alone is the same either way; what GBK lacks takes four bytes (first and
// third 81 … FE, second and fourth 30 … 39). Page texts never take these conversions: their
// patterns must not meet the digits inside a four-byte form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace xiuyun::encoding {

// The linear codes beyond U+10FFFF (from E3 32 9A 36 on) are no character and never will be: they
// stand for what a name of the system holds that is no character. A byte of a Linux name that is
// no part of UTF-8, and a "\" there (a letter of the name, not a separator), take the code
// 0x110000 + the byte; a character that can't be held takes the mark.
constexpr std::uint32_t escapeOf(unsigned char byte) {
    return 0x110000 + byte;
}
inline constexpr std::uint32_t unheldMark = 0x110100;

// The second byte of a four-byte form.
constexpr bool isFourByteSecond(unsigned char byte) {
    return byte >= 0x30 && byte <= 0x39;
}
// Length of the four-byte form at `i` (4) and its code point (an escape or the mark beyond
// Unicode; 0 for a form that stands for nothing); 1 with 0 when the bytes are no such form.
std::size_t readFourByteForm(std::string_view text, std::size_t i, std::uint32_t& code);

// UTF-8 as text: GBK's bytes for what GBK holds, four bytes for every other character; nothing for
// malformed UTF-8 or a character that can't be held (one whose GB18030 form is two bytes that
// read as something else in GBK).
std::optional<std::string> utf8ToGb18030(std::string_view utf8);

// What a system's names are: bytes, with "/" the only separator (Linux), or characters, with "\"
// and "/" as separators (Windows).
enum class NameForm { Bytes, Characters };

// A native name or path (UTF-8, as the system gave it) as text, always: as utf8ToGb18030, but for
// Bytes a "\" and each byte that is no part of a UTF-8 character take their escapes, and a
// character that can't be held (for Characters also a malformed sequence, such as a lone
// surrogate kept in UTF-8's form) takes the mark.
std::string nameToText(std::string_view name, NameForm form);
// The text back as the native name: for Bytes the separator "\" becomes "/" and the escapes their
// bytes. Nothing for a text holding the mark, or for Characters an escape.
std::optional<std::string> textToName(std::string_view text, NameForm form);

// UTF-16 as UTF-8, a lone surrogate kept in UTF-8's form (three bytes no valid UTF-8 holds) so
// that an exact conversion refuses it rather than taking it for U+FFFD.
std::string utf16ToUtf8(std::u16string_view utf16);

} // namespace xiuyun::encoding
