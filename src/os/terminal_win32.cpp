#include "os/terminal.h"

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

// A stream that already goes somewhere (a file, a pipe) keeps its place.
void reopenOnConsole(std::FILE* stream, DWORD standardHandle, const char* mode, const char* device) {
    const HANDLE handle = ::GetStdHandle(standardHandle);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || ::_fileno(stream) < 0)
        std::freopen(device, mode, stream);
}

} // namespace

void useStartingTerminal() {
    if (!::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    reopenOnConsole(stdout, STD_OUTPUT_HANDLE, "w", "CONOUT$");
    reopenOnConsole(stderr, STD_ERROR_HANDLE, "w", "CONOUT$");
    reopenOnConsole(stdin, STD_INPUT_HANDLE, "r", "CONIN$");
}

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
