#include "frontends/win32/dpi.h"

namespace xiuyun {
namespace {

// Functions of Windows 10 1607 and later, looked up so that the program still starts on older
// systems, which fall back to the system-wide density.
template <typename Function> Function userFunction(const char* name) {
    HMODULE user = ::GetModuleHandleW(L"user32.dll");
    if (!user)
        return nullptr;
    // Through the generic function type, which GCC allows to be cast to any other.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(user, name)));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

UINT systemDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : layoutDpi;
}

} // namespace

UINT dpiOfWindow(HWND window) {
    static const auto getDpiForWindow = userFunction<GetDpiForWindowFunction>("GetDpiForWindow");
    const UINT dpi = getDpiForWindow ? getDpiForWindow(window) : 0;
    return dpi ? dpi : layoutDpi;
}

RECT windowRectForClient(RECT client, DWORD style, DWORD extendedStyle, UINT dpi) {
    static const auto adjust = userFunction<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    RECT rect = client;
    if (!adjust || !adjust(&rect, style, FALSE, extendedStyle, dpi))
        ::AdjustWindowRectEx(&rect, style, FALSE, extendedStyle);
    return rect;
}

HFONT createMessageFont(UINT dpi) {
    static const auto parametersForDpi =
        userFunction<SystemParametersInfoForDpiFunction>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (parametersForDpi && parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi))
        return ::CreateFontIndirectW(&metrics.lfMessageFont);
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return nullptr;
    // Sized for the system-wide density; the window's monitor may have another.
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = ::MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi()));
    return ::CreateFontIndirectW(&font);
}

} // namespace xiuyun
