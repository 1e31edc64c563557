#include "platform/win32/win32window.h"
#include "platform/desktopwindow.h"

#include "platform/files.h"
#include "platform/terminal.h"
#include "platform/win32/folderpicker.h"
#include "platform/win32/messagebox.h"
#include "platform/win32/win32mainwindow.h"

#include <cstdio>
#include <cstdlib>
#include <future>
#include <vector>
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <objbase.h>

namespace xiuyun {

struct Win32Window::MessageRequest {
    Text text;
    Text caption;
    MessageIcon icon;
    MessageButtons buttons;
    std::promise<MessageAnswer> answer;
};

Win32Window::Win32Window() : m_threadId(::GetCurrentThreadId()) {
    Win32MainWindow::Handlers handlers;
    handlers.drain = [this] { applyPendingChanges(); };
    handlers.destroyed = [this] { onDestroyed(); };
    m_mainWindow = std::make_unique<Win32MainWindow>(*this, std::move(handlers));
    if (!m_mainWindow->create()) {
        std::lock_guard lock(m_queueMutex);
        m_closed = true;
    }
}

Win32Window::~Win32Window() {
    {
        std::lock_guard lock(m_queueMutex);
        closeLocked();
    }
    m_mainWindow.reset();
}

bool Win32Window::created() const {
    return m_mainWindow->handle() != nullptr;
}

bool Win32Window::onWindowThread() const {
    return ::GetCurrentThreadId() == m_threadId;
}

void Win32Window::changed(const ControlChange& change) {
    std::lock_guard lock(m_queueMutex);
    if (m_closed)
        return;
    m_pending.push_back(change);
    postDrainLocked();
}

void Win32Window::postDrainLocked() {
    if (m_drainPosted || m_closed)
        return;
    // The writing thread goes on at once; the window's thread drains the queue when its message
    // loop (or a box's, or the pump's) next comes to the message.
    m_drainPosted = ::PostMessageW(m_mainWindow->handle(), drainMessage, 0, 0) != 0;
}

void Win32Window::applyPendingChanges() {
    if (!onWindowThread())
        return;
    for (;;) {
        std::vector<ControlChange> changes;
        std::shared_ptr<MessageRequest> request;
        {
            std::lock_guard lock(m_queueMutex);
            while (!m_pending.empty() && std::holds_alternative<ControlChange>(m_pending.front())) {
                changes.push_back(std::move(std::get<ControlChange>(m_pending.front())));
                m_pending.pop_front();
            }
            if (changes.empty() && !m_pending.empty()) {
                request = std::move(std::get<std::shared_ptr<MessageRequest>>(m_pending.front()));
                m_pending.pop_front();
            }
            if (changes.empty() && !request) {
                m_drainPosted = false;
                return;
            }
            if (request) {
                // The box runs its own message loop: what arrives while it is open must be
                // drained there, in order, not after it closes.
                m_drainPosted = false;
                if (!m_pending.empty())
                    postDrainLocked();
            }
        }
        if (!changes.empty())
            m_mainWindow->apply(changes);
        if (request)
            request->answer.set_value(
                showMessageHere(request->text, request->caption, request->icon, request->buttons));
    }
}

MessageAnswer Win32Window::showMessage(const Text& text, const Text& caption, MessageIcon icon,
                                       MessageButtons buttons) {
    if (onWindowThread()) {
        {
            std::lock_guard lock(m_queueMutex);
            if (m_closed)
                return closedAnswer(buttons);
        }
        applyPendingChanges();
        return showMessageHere(text, caption, icon, buttons);
    }
    auto request = std::make_shared<MessageRequest>(MessageRequest{text, caption, icon, buttons, {}});
    std::future<MessageAnswer> answer = request->answer.get_future();
    {
        std::lock_guard lock(m_queueMutex);
        if (m_closed)
            return closedAnswer(buttons);
        // Queued behind this thread's earlier writes, so the box shows the window as they left it.
        m_pending.push_back(std::move(request));
        postDrainLocked();
    }
    return answer.get();
}

MessageAnswer Win32Window::showMessageHere(const Text& text, const Text& caption, MessageIcon icon,
                                           MessageButtons buttons) {
    {
        std::lock_guard lock(m_queueMutex);
        if (m_closed)
            return closedAnswer(buttons);
    }
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
    int result;
    while ((result = ::GetMessageW(&message, nullptr, 0, 0)) > 0) {
        // Tab and the arrow keys move between the controls, as in a dialog.
        HWND window = m_mainWindow->handle();
        if (window && ::IsDialogMessageW(window, &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return result < 0 ? 1 : static_cast<int>(message.wParam);
}

void Win32Window::onDestroyed() {
    {
        // First: a thread that raises a box from now on is answered at once, so nothing the
        // destroy handler waits for can wait for this thread.
        std::lock_guard lock(m_queueMutex);
        closeLocked();
    }
    if (events().windowDestroying)
        events().windowDestroying();
}

void Win32Window::closeLocked() {
    m_closed = true;
    // Threads waiting for a box that will never be shown go on.
    for (Pending& pending : m_pending) {
        if (auto* request = std::get_if<std::shared_ptr<MessageRequest>>(&pending))
            (*request)->answer.set_value(closedAnswer((*request)->buttons));
    }
    m_pending.clear();
}

void runDesktopWindow(int& argc, char** argv, const std::function<WindowEvents(Window&)>& makeEvents) {
    static_cast<void>(argc); // Windows hands the program its command line itself
    static_cast<void>(argv);
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
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
