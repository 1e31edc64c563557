#include "frontends/win32/win32window.h"
#include "window/desktopwindow.h"

#include "frontends/win32/folderpicker.h"
#include "frontends/win32/messagebox.h"
#include "frontends/win32/win32mainwindow.h"
#include "os/files.h"
#include "os/terminal.h"

#include <cstdio>
#include <cstdlib>
#include <vector>
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <objbase.h>

namespace xiuyun {

Win32Window::Win32Window() : m_threadId(::GetCurrentThreadId()) {
    Win32MainWindow::Handlers handlers;
    handlers.drain = [this] { applyPendingChanges(); };
    handlers.closing = [this] {
        m_closed = true;
        windowClosing();
    };
    m_mainWindow = std::make_unique<Win32MainWindow>(*this, std::move(handlers));
    if (!m_mainWindow->create())
        closeQueue();
}

Win32Window::~Win32Window() {
    closeQueue();
    m_mainWindow.reset();
}

bool Win32Window::created() const {
    return m_mainWindow->handle() != nullptr;
}

bool Win32Window::onWindowThread() const {
    return ::GetCurrentThreadId() == m_threadId;
}

bool Win32Window::postDrain() {
    // The window's thread takes the message in its loop, a box's loop or the pump.
    return ::PostMessageW(m_mainWindow->handle(), drainMessage, 0, 0) != 0;
}

void Win32Window::showChanges(const std::vector<ControlChange>& changes) {
    m_mainWindow->apply(changes);
}

MessageAnswer Win32Window::showBox(const Text& text, const Text& caption, MessageIcon icon,
                                   MessageButtons buttons) {
    return showMessageBox(m_mainWindow->handle(), text, caption, icon, buttons);
}

Text Win32Window::chooseFolder(const FolderDialog& dialog) {
    if (!onWindowThread() || !m_mainWindow->handle())
        return {};
    applyPendingChanges();
    const std::wstring chosen = pickFolder(m_mainWindow->handle(), dialog);
    if (chosen.empty())
        return {};
    return files::fromNativePath(chosen);
}

void Win32Window::pumpMessages() {
    if (!onWindowThread())
        return;
    applyPendingChanges();
    // Painting, timers and the queued changes go on; clicks and keys stay in the queue, so no
    // second command can start in the middle of the running one. Each kind is taken by a filter
    // of its own, which leaves every other message where it is.
    constexpr int rounds = 64; // a window that never validates its painting must not hold us here
    MSG message;
    for (UINT kind : {drainMessage, static_cast<UINT>(WM_TIMER), static_cast<UINT>(WM_PAINT)}) {
        for (int round = 0; round < rounds && ::PeekMessageW(&message, nullptr, kind, kind, PM_REMOVE);
             ++round)
            ::DispatchMessageW(&message);
    }
}

void Win32Window::open(int showCommand) {
    if (events().windowCreated)
        events().windowCreated();
    applyPendingChanges();
    if (HWND window = m_mainWindow->handle()) {
        ::ShowWindow(window, showCommand);
        ::UpdateWindow(window);
    }
}

int Win32Window::run() {
    MSG message;
    // Nothing more is handled once the window is closed: a click still queued would start a
    // command on a program that is ending.
    while (!m_closed) {
        const int result = ::GetMessageW(&message, nullptr, 0, 0);
        if (result <= 0)
            return result < 0 ? 1 : static_cast<int>(message.wParam);
        // Tab and the arrow keys move between the controls, as in a dialog.
        HWND window = m_mainWindow->handle();
        if (window && ::IsDialogMessageW(window, &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}

void runDesktopWindow(int& argc, char** argv, const std::function<WindowEvents(Window&)>& makeEvents) {
    static_cast<void>(argc); // Windows hands the program its command line itself
    static_cast<void>(argv);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                                        ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    // The folder picker and the names for screen readers are COM objects of the window's thread.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    Win32Window window;
    if (!window.created()) {
        writeUtf8(stderr, "xiuyun：窗口没能打开\n");
        std::fflush(nullptr);
        std::_Exit(1);
    }
    window.setEvents(makeEvents(window));
    window.open(SW_SHOWDEFAULT);
    const int exitCode = window.run();
    // Image workers still running end with the process, as they are not stopped when the window
    // closes; ending here destroys nothing they may still be using.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

} // namespace xiuyun
