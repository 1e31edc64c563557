#include "os/arguments.h"

#include "text/gb18030.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace xiuyun {

std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(encoding::utf16ToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
    ::LocalFree(wide);
    return arguments;
}

} // namespace xiuyun
