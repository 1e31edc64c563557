#include "os/terminal.h"

#include <unistd.h>

namespace xiuyun {

void useStartingTerminal() {}

bool isTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

void writeUtf8(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

} // namespace xiuyun
