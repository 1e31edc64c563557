// The program directory: where every path of the system starts.
#pragma once

#include "text/text.h"

namespace xiuyun {

// The directory of the running executable when it is writable and not the folder the program is
// installed to (Linux: ../share/applications/xiuyun.desktop beside it; Windows: the installer's
// uninstall.exe beside it); otherwise the per-user data folder, created here: $XDG_DATA_HOME/xiuyun
// (~/.local/share/xiuyun) on Linux, %LOCALAPPDATA%\xiuyun on Windows. No trailing separator. Empty
// when neither can be had.
Text locateProgramDirectory();

// Makes the directory the process's working directory; relative paths of the download engine
// resolve against it.
bool enterProgramDirectory(const Text& directory);

// The process's working directory as it is now; empty when the system cannot say.
Text workingDirectory();

} // namespace xiuyun
