// Code page 936 as Windows knows it.
#include "text/codepage.h"

#include <windows.h>

namespace xiuyun::encoding {

struct SystemCodePage::State {
    bool usable = false;
    // What the code page answers for a pair it has no character for; such an answer only counts
    // when the bytes are the code page's own for that character.
    wchar_t defaultCharacter = 0;
    std::string defaultBytes;
};

namespace {

constexpr UINT codePage = 936;

} // namespace

SystemCodePage::SystemCodePage() : m_state(std::make_unique<State>()) {
    CPINFOEXW info{};
    if (!IsValidCodePage(codePage) || !GetCPInfoExW(codePage, 0, &info))
        return;
    m_state->usable = true;
    m_state->defaultCharacter = info.UnicodeDefaultChar;
    m_state->defaultBytes = encode(info.UnicodeDefaultChar);
}

SystemCodePage::~SystemCodePage() = default;

bool SystemCodePage::usable() const {
    return m_state->usable;
}

std::uint32_t SystemCodePage::decode(std::string_view gbk) const {
    if (!m_state->usable || gbk.empty())
        return 0;
    wchar_t wide[4];
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, gbk.data(),
                                           static_cast<int>(gbk.size()), wide, 4);
    // A lead byte with a trail byte the code page does not pair with it comes out as two
    // characters: the bytes are then no character at all.
    if (length != 1)
        return 0;
    const std::uint32_t code = wide[0];
    if (code == m_state->defaultCharacter && gbk != m_state->defaultBytes)
        return 0;
    if (gbk.size() > 1 && code < 0x80)
        return 0;
    return code;
}

std::string SystemCodePage::encode(std::uint32_t code) const {
    if (!m_state->usable || code == 0 || code > 0xFFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {};
    const wchar_t wide = static_cast<wchar_t>(code);
    char bytes[8];
    BOOL usedDefault = FALSE;
    // No best fit: "ä" must not come back as "a", only a character the code page holds itself.
    const int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes,
                                           nullptr, &usedDefault);
    if (length <= 0 || usedDefault)
        return {};
    return std::string(bytes, static_cast<std::size_t>(length));
}

} // namespace xiuyun::encoding
