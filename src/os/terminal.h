// The streams of a program run from a terminal: whether a person watches one, and text for them.
#pragma once

#include <cstdio>
#include <string_view>

namespace xiuyun {

// The Windows program is a window program and gets no console of its own: the command line takes
// the one it was started from, where output is not redirected already. Nothing to do elsewhere.
void useStartingTerminal();

// True when the stream goes to a terminal (a console window on Windows), where a line can be
// rewritten in place.
bool isTerminal(std::FILE* stream);

// Writes UTF-8 text whole and flushes: as characters on a terminal (a Windows console takes
// UTF-16, whatever its code page), as the bytes themselves into a file or a pipe.
void writeUtf8(std::FILE* stream, std::string_view text);

} // namespace xiuyun
