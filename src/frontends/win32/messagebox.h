// The system's message box, shown on the window's thread.
#pragma once

#include "window/window.h"

#include <windows.h>

namespace xiuyun {

// Modal to `owner`; Escape and the close box answer as Cancel would, or as OK when that is the
// only button.
MessageAnswer showMessageBox(HWND owner, const Text& text, const Text& caption, MessageIcon icon,
                             MessageButtons buttons);

} // namespace xiuyun
