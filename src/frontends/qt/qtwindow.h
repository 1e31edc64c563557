// The real window: the control model shown through Qt Widgets. This header names no Qt type, so
// the program's entry stays free of Qt.
#pragma once

#include "window/queuedwindow.h"

#include <memory>

class QWidget;

namespace xiuyun {

class QtMainWindow;

// The window's thread is the GUI thread.
class QtWindow : public QueuedWindow {
public:
    // Needs a QApplication.
    QtWindow();
    ~QtWindow() override;
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    Text chooseFolder(const FolderDialog& dialog) override;
    void pumpMessages() override;

    // Reports windowCreated, then shows the window. Set the events first.
    void open();
    QWidget* widget() const;

private:
    bool onWindowThread() const override;
    bool postDrain() override;
    void showChanges(const std::vector<ControlChange>& changes) override;
    MessageAnswer showBox(const Text& text, const Text& caption, MessageIcon icon,
                          MessageButtons buttons) override;

    std::unique_ptr<QtMainWindow> m_mainWindow;
};

} // namespace xiuyun
