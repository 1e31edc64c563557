#include "platform/qt/qtwindow.h"
#include "platform/desktopwindow.h"

#include "platform/qt/qtmainwindow.h"
#include "platform/qt/qttext.h"

#include "platform/files.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <vector>

namespace xiuyun {

struct QtWindow::MessageRequest {
    Text text;
    Text caption;
    MessageIcon icon;
    MessageButtons buttons;
    std::promise<MessageAnswer> answer;
};

namespace {

// A box that can no longer be shown is answered as if it had been closed without a choice.
MessageAnswer closedAnswer(MessageButtons buttons) {
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QtWindow::QtWindow() : m_mainWindow(std::make_unique<QtMainWindow>(*this)) {
    m_mainWindow->setCloseHandler([this] { onClosing(); });
}

QtWindow::~QtWindow() {
    {
        std::lock_guard lock(m_queueMutex);
        closeLocked();
    }
    m_mainWindow.reset();
}

QWidget* QtWindow::widget() const {
    return m_mainWindow.get();
}

bool QtWindow::onGuiThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

void QtWindow::changed(const ControlChange& change) {
    std::lock_guard lock(m_queueMutex);
    if (m_closed)
        return;
    m_pending.push_back(change);
    postDrainLocked();
}

void QtWindow::postDrainLocked() {
    if (m_drainPosted || m_closed)
        return;
    m_drainPosted = true;
    // A queued call: the writing thread goes on at once, and the GUI thread drains the queue
    // when it next handles its events.
    QMetaObject::invokeMethod(
        m_mainWindow.get(), [this] { applyPendingChanges(); }, Qt::QueuedConnection);
}

void QtWindow::applyPendingChanges() {
    if (!onGuiThread())
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
                // The box runs its own event loop: what arrives while it is open must be drained
                // there, in order, not after it closes.
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

MessageAnswer QtWindow::showMessage(const Text& text, const Text& caption, MessageIcon icon,
                                    MessageButtons buttons) {
    if (onGuiThread()) {
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

MessageAnswer QtWindow::showMessageHere(const Text& text, const Text& caption, MessageIcon icon,
                                        MessageButtons buttons) {
    {
        std::lock_guard lock(m_queueMutex);
        if (m_closed)
            return closedAnswer(buttons);
    }
    QString body = qtString(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(qtIcon(icon), qtString(caption), body, QMessageBox::NoButton, m_mainWindow.get());
    box.setTextFormat(Qt::PlainText);
    box.setStandardButtons(buttons == MessageButtons::Ok ? QMessageBox::Ok
                                                         : QMessageBox::Ok | QMessageBox::Cancel);
    // Set here rather than left to the translations, which may not be installed.
    box.button(QMessageBox::Ok)->setText(qtString(std::string_view("确定")));
    if (QAbstractButton* cancel = box.button(QMessageBox::Cancel))
        cancel->setText(qtString(std::string_view("取消")));
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(box.button(buttons == MessageButtons::Ok ? QMessageBox::Ok : QMessageBox::Cancel));
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Ok) ? MessageAnswer::Ok : closedAnswer(buttons);
}

Text QtWindow::chooseFolder(const FolderDialog& request) {
    if (!onGuiThread())
        return {};
    applyPendingChanges();
    QFileDialog dialog(m_mainWindow.get(), qtString(request.title), qtString(request.initialFolder));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ShowDirsOnly, !request.includeFiles);
    // The old style of the platform's picker is a bare tree; Qt's own dialog stands for it.
    dialog.setOption(QFileDialog::DontUseNativeDialog, !request.newStyle);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return {};
    // Only a folder on disk is an answer; anything else reads as a cancelled picker.
    const QString path = chosen.first();
    if (!QFileInfo(path).isDir())
        return {};
    return files::fromNativePath(QFile::encodeName(path).toStdString());
}

void QtWindow::pumpMessages() {
    if (!onGuiThread())
        return;
    applyPendingChanges();
    // Painting, timers and queued calls go on; clicks and keys wait, so no second command can
    // start in the middle of the running one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtWindow::open() {
    if (events().windowCreated)
        events().windowCreated();
    applyPendingChanges();
    m_mainWindow->show();
}

void QtWindow::onClosing() {
    {
        // First: a thread that raises a box from now on is answered at once, so nothing the
        // destroy handler waits for can wait for this thread.
        std::lock_guard lock(m_queueMutex);
        closeLocked();
    }
    if (events().windowDestroying)
        events().windowDestroying();
}

void QtWindow::closeLocked() {
    m_closed = true;
    // Threads waiting for a box that will never be shown go on.
    for (Pending& pending : m_pending) {
        if (auto* request = std::get_if<std::shared_ptr<MessageRequest>>(&pending))
            (*request)->answer.set_value(closedAnswer((*request)->buttons));
    }
    m_pending.clear();
}

void runDesktopWindow(int& argc, char** argv, const std::function<WindowEvents(Window&)>& makeEvents) {
    QApplication application(argc, argv);
    QtWindow window;
    window.setEvents(makeEvents(window));
    window.open();
    const int exitCode = QApplication::exec();
    // Image workers still running end with the process, as they are not stopped when the window
    // closes; ending here destroys nothing they may still be using.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

} // namespace xiuyun
