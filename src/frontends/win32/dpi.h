// Pixels of the layout on a screen of any density: the layout is drawn for 96 dots per inch, as
// the Qt window takes it, and scaled to the density of the monitor the window is on.
#pragma once

#include "window/controls.h"

#include <windows.h>

namespace xiuyun {

inline constexpr UINT layoutDpi = 96;

// The density of the window's monitor; 96 where the system cannot tell it per window.
UINT dpiOfWindow(HWND window);

inline int scaled(int layoutPixels, UINT dpi) {
    return ::MulDiv(layoutPixels, static_cast<int>(dpi), static_cast<int>(layoutDpi));
}

inline RECT scaledRect(const Geometry& geometry, UINT dpi) {
    const int left = scaled(geometry.left, dpi);
    const int top = scaled(geometry.top, dpi);
    return {left, top, left + scaled(geometry.width, dpi), top + scaled(geometry.height, dpi)};
}

// The outer rectangle of a window whose client area is `client`.
RECT windowRectForClient(RECT client, DWORD style, DWORD extendedStyle, UINT dpi);

// The system's message font at the density: the font of message boxes, which shows the user's
// script (Chinese included, through the system's font linking). The caller deletes it.
HFONT createMessageFont(UINT dpi);

} // namespace xiuyun
