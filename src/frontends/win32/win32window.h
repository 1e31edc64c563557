// The real window on Windows: the control model shown through the system's own controls.
#pragma once

#include "window/queuedwindow.h"

#include <memory>

namespace xiuyun {

class Win32MainWindow;

class Win32Window : public QueuedWindow {
public:
    // The thread that constructs the window is the window's thread; it needs COM.
    Win32Window();
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // False when the system refused to make the window.
    bool created() const;

    Text chooseFolder(const FolderDialog& dialog) override;
    void pumpMessages() override;

    // Reports windowCreated, then shows the window. Set the events first.
    void open(int showCommand);
    // Runs the message loop until the window is closed or destroyed; the loop's exit code.
    int run();

private:
    bool onWindowThread() const override;
    bool postDrain() override;
    void showChanges(const std::vector<ControlChange>& changes) override;
    MessageAnswer showBox(const Text& text, const Text& caption, MessageIcon icon,
                          MessageButtons buttons) override;

    const unsigned long m_threadId;
    bool m_closed = false; // window thread only
    std::unique_ptr<Win32MainWindow> m_mainWindow;
};

} // namespace xiuyun
