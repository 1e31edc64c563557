// The program's real window: the one of this system (Qt Widgets on Linux, the native window on
// Windows). Each window library implements this once; the program's entry names neither.
#pragma once

#include "window/window.h"

#include <functional>

namespace xiuyun {

// Runs the main window until it is closed, then ends the process with the loop's exit code.
// makeEvents is called once with the window, before it opens.
[[noreturn]] void runDesktopWindow(int& argc, char** argv,
                                   const std::function<WindowEvents(Window&)>& makeEvents);

} // namespace xiuyun
