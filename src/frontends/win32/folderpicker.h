// The system's folder picker, modal to the main window.
#pragma once

#include "window/window.h"

#include <string>
#include <windows.h>

namespace xiuyun {

// The chosen folder as the system names it, or the empty string when the user cancels or picks
// anything but a folder on disk. Needs COM on the calling thread.
std::wstring pickFolder(HWND owner, const FolderDialog& dialog);

} // namespace xiuyun
