// The system's own mapping of code page 936, asked one character at a time: only to fill the
// conversion tables of encoding.cpp once. One implementation per system.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace xiuyun::encoding {

class SystemCodePage {
public:
    SystemCodePage();
    ~SystemCodePage();
    SystemCodePage(const SystemCodePage&) = delete;
    SystemCodePage& operator=(const SystemCodePage&) = delete;

    // False when the system offers no such code page; then nothing maps.
    bool usable() const;
    // The code point of the bytes read as one character; 0 when they are none.
    std::uint32_t decode(std::string_view gbk) const;
    // The bytes of one code point of the basic plane; empty when the code page has none.
    std::string encode(std::uint32_t code) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// UTF-8 of one code point into `out` (room for 4 bytes); its length.
std::size_t appendUtf8(char* out, std::uint32_t code);
// Length of the UTF-8 sequence at `i` and its code point; 0 as the code point when the sequence
// is malformed (then the length is that of the whole sequence when its form is right, else 1).
std::size_t readUtf8(std::string_view text, std::size_t i, std::uint32_t& code);

// GBK's bytes of a code point (the lead in the high byte; a single byte below 0x100), 0 where GBK
// has none.
std::uint16_t gbkBytesOf(std::uint32_t code);

// The character at `i` of a text and its length: its code point, one beyond Unicode for the
// escapes of name bytes (gb18030.h), 0 for bytes that are no character.
std::size_t readTextCharacter(std::string_view text, std::size_t i, std::uint32_t& code);

} // namespace xiuyun::encoding
