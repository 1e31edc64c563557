// The words the program was started with.
#pragma once

#include <string>
#include <vector>

namespace xiuyun {

// The arguments after the program's name: on Windows UTF-8, a lone surrogate kept in UTF-8's form
// so that a path holding one is refused (Windows hands main() its own code page, which may not
// hold a Chinese folder name; its wide command line does); elsewhere the bytes as given.
std::vector<std::string> programArguments(int argc, char** argv);

} // namespace xiuyun
