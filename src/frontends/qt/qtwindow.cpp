#include "frontends/qt/qtwindow.h"
#include "window/desktopwindow.h"

#include "frontends/qt/qtmainwindow.h"
#include "frontends/qt/qttext.h"

#include "os/files.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace xiuyun {

namespace {

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
    m_mainWindow->setCloseHandler([this] { windowClosing(); });
}

QtWindow::~QtWindow() {
    closeQueue();
    m_mainWindow.reset();
}

QWidget* QtWindow::widget() const {
    return m_mainWindow.get();
}

bool QtWindow::onWindowThread() const {
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

bool QtWindow::postDrain() {
    // A queued call: the GUI thread makes it when it next handles its events.
    QMetaObject::invokeMethod(
        m_mainWindow.get(), [this] { applyPendingChanges(); }, Qt::QueuedConnection);
    return true;
}

void QtWindow::showChanges(const std::vector<ControlChange>& changes) {
    m_mainWindow->apply(changes);
}

MessageAnswer QtWindow::showBox(const Text& text, const Text& caption, MessageIcon icon,
                                MessageButtons buttons) {
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
    if (!onWindowThread())
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
    if (!onWindowThread())
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
