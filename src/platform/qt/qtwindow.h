// The real window: the control model shown through Qt Widgets. This header names no Qt type, so
// the program's entry stays free of Qt.
#pragma once

#include "platform/controlmodel.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <variant>

class QWidget;

namespace xiuyun {

class QtMainWindow;

// Changes made on any thread are queued and shown by the GUI thread in the order they were made;
// no thread but the GUI thread ever waits for it, except one that raises a message box.
class QtWindow : public ControlModel {
public:
    // Needs a QApplication.
    QtWindow();
    ~QtWindow() override;
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    MessageAnswer showMessage(const Text& text, const Text& caption, MessageIcon icon,
                              MessageButtons buttons = MessageButtons::Ok) override;
    Text chooseFolder(const FolderDialog& dialog) override;
    void pumpMessages() override;

    // Reports windowCreated, then shows the window. Set the events first.
    void open();
    // Shows every queued change, and the boxes queued by other threads. GUI thread only.
    void applyPendingChanges();
    QWidget* widget() const;

protected:
    void changed(const ControlChange& change) override;

private:
    struct MessageRequest;
    using Pending = std::variant<ControlChange, std::shared_ptr<MessageRequest>>;

    static bool onGuiThread();
    // Under m_queueMutex.
    void postDrainLocked();
    void onClosing();
    void closeLocked();
    MessageAnswer showMessageHere(const Text& text, const Text& caption, MessageIcon icon,
                                  MessageButtons buttons);

    std::unique_ptr<QtMainWindow> m_mainWindow;
    std::mutex m_queueMutex;
    std::deque<Pending> m_pending;
    bool m_drainPosted = false;
    bool m_closed = false;
};

} // namespace xiuyun
