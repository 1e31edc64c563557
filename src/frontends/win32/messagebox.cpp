#include "frontends/win32/messagebox.h"

#include "frontends/win32/widetext.h"

namespace xiuyun {
namespace {

UINT iconStyle(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return MB_ICONERROR;
    case MessageIcon::Warning:
        return MB_ICONWARNING;
    case MessageIcon::Information:
        return MB_ICONINFORMATION;
    }
    return 0;
}

// The buttons speak the window's language whatever the system's is, as the Qt box's do. The box
// offers no way to name them, so a hook of this thread renames them as the box comes up.
LRESULT CALLBACK renameButtons(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const auto box = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        ::GetClassNameW(box, className, 16);
        if (::lstrcmpW(className, L"#32770") == 0) {
            ::SetDlgItemTextW(box, IDOK, wideString(std::string_view("确定")).c_str());
            ::SetDlgItemTextW(box, IDCANCEL, wideString(std::string_view("取消")).c_str());
        }
    }
    // The hook handle is ignored here since Windows NT.
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

MessageAnswer showMessageBox(HWND owner, const Text& text, const Text& caption, MessageIcon icon,
                             MessageButtons buttons) {
    // Win32 boxes take "\r\n" as the system writes it; nothing to convert but the characters.
    const std::wstring body = wideString(text);
    const std::wstring title = wideString(caption);
    const UINT style =
        iconStyle(icon) | MB_DEFBUTTON1 | (buttons == MessageButtons::Ok ? MB_OK : MB_OKCANCEL);
    // Only while the box is open; a box opened over it installs its own.
    const HHOOK hook = ::SetWindowsHookExW(WH_CBT, renameButtons, nullptr, ::GetCurrentThreadId());
    const int answer = ::MessageBoxW(owner, body.c_str(), title.c_str(), style);
    if (hook)
        ::UnhookWindowsHookEx(hook);
    return answer == IDOK ? MessageAnswer::Ok : closedAnswer(buttons);
}

} // namespace xiuyun
