// The real window on Windows: the control model shown through the system's own controls.
#pragma once

#include "platform/controlmodel.h"

#include <deque>
#include <memory>
#include <mutex>
#include <variant>

namespace xiuyun {

class Win32MainWindow;

// Changes made on any thread are queued and shown by the window's thread in the order they were
// made; no thread but the window's ever waits for it, except one that raises a message box.
class Win32Window : public ControlModel {
public:
    // The thread that constructs the window is the window's thread; it needs COM.
    Win32Window();
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // False when the system refused to make the window.
    bool created() const;

    MessageAnswer showMessage(const Text& text, const Text& caption, MessageIcon icon,
                              MessageButtons buttons = MessageButtons::Ok) override;
    Text chooseFolder(const FolderDialog& dialog) override;
    void pumpMessages() override;

    // Reports windowCreated, then shows the window. Set the events first.
    void open(int showCommand);
    // Runs the message loop until the window is destroyed; the loop's exit code.
    int run();
    // Shows every queued change, and the boxes queued by other threads. Window thread only.
    void applyPendingChanges();

protected:
    void changed(const ControlChange& change) override;

private:
    struct MessageRequest;
    using Pending = std::variant<ControlChange, std::shared_ptr<MessageRequest>>;

    bool onWindowThread() const;
    // Under m_queueMutex.
    void postDrainLocked();
    void onDestroyed();
    void closeLocked();
    MessageAnswer showMessageHere(const Text& text, const Text& caption, MessageIcon icon,
                                  MessageButtons buttons);

    const unsigned long m_threadId;
    std::unique_ptr<Win32MainWindow> m_mainWindow;
    std::mutex m_queueMutex;
    std::deque<Pending> m_pending;
    bool m_drainPosted = false;
    bool m_closed = false;
};

} // namespace xiuyun
