#include "platform/terminal.h"

#include <io.h>
#include <string>
#include <windows.h>

namespace xiuyun {
namespace {

HANDLE consoleOf(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) ? handle : nullptr;
}

} // namespace

bool isTerminal(std::FILE* stream) {
    HANDLE console = consoleOf(stream);
    if (!console)
        return false;
    // The progress line is rewritten with "\r\033[K", which a console reads only when told to.
    DWORD mode = 0;
    ::GetConsoleMode(console, &mode);
    ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    return true;
}

void writeUtf8(std::FILE* stream, std::string_view text) {
    HANDLE console = consoleOf(stream);
    if (!console) {
        std::fwrite(text.data(), 1, text.size(), stream);
        std::fflush(stream);
        return;
    }
    // The C library would hand a console the bytes one by one in its own code page.
    std::fflush(stream);
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    DWORD written = 0;
    ::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

} // namespace xiuyun
