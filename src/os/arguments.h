// The words the program was started with.
#pragma once

#include <string>
#include <vector>

namespace xiuyun {

// The arguments after the program's name, as UTF-8 (Windows hands main() its own code page, which
// may not hold a Chinese folder name; its wide command line does).
std::vector<std::string> programArguments(int argc, char** argv);

} // namespace xiuyun
