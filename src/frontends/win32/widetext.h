// Conversions between the system's GBK text and the UTF-16 strings of the Win32 API, for the
// window layer only.
#pragma once

#include "text/text.h"

#include <string>
#include <string_view>
#include <windows.h>

namespace xiuyun {

inline std::wstring wideString(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int length = static_cast<int>(utf8.size());
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), size);
    return wide;
}

inline std::wstring wideString(const Text& text) {
    return wideString(std::string_view(text.toUtf8()));
}

// Characters GBK cannot hold become "?", as everywhere else in the system.
inline Text textOf(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int length = static_cast<int>(wide.size());
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), size, nullptr, nullptr);
    return Text::fromUtf8(utf8);
}

// The caption or content of a window, whatever its length.
inline std::wstring windowWideText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, wide.data(), length + 1);
    wide.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return wide;
}

} // namespace xiuyun
