#include "support/headlesswindow.h"

#include <algorithm>

namespace xiuyun {

MessageAnswer HeadlessWindow::showMessage(const Text& text, const Text& caption, MessageIcon icon,
                                          MessageButtons buttons) {
    RecordedMessage message{text, caption, icon, buttons};
    std::function<MessageAnswer(const RecordedMessage&)> handler;
    MessageAnswer answer = MessageAnswer::Ok;
    {
        std::lock_guard lock(m_messageMutex);
        m_messages.push_back(message);
        handler = m_handler;
        if (!handler && !m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        }
    }
    if (handler)
        answer = handler(message);
    if (buttons == MessageButtons::Ok)
        answer = MessageAnswer::Ok;
    return answer;
}

Text HeadlessWindow::chooseFolder(const FolderDialog& dialog) {
    std::lock_guard lock(m_messageMutex);
    m_folderDialogs.push_back(dialog);
    if (m_folderChoices.empty())
        return {};
    Text choice = std::move(m_folderChoices.front());
    m_folderChoices.pop_front();
    return choice;
}

void HeadlessWindow::queueFolderChoices(std::initializer_list<Text> choices) {
    std::lock_guard lock(m_messageMutex);
    m_folderChoices.insert(m_folderChoices.end(), choices);
}

std::vector<FolderDialog> HeadlessWindow::folderDialogs() const {
    std::lock_guard lock(m_messageMutex);
    return m_folderDialogs;
}

void HeadlessWindow::pumpMessages() {
    std::lock_guard lock(m_messageMutex);
    ++m_pumps;
}

void HeadlessWindow::type(Control control, const Text& text) {
    if (isReadOnly(control) || !isEnabled(control))
        return;
    recordUserText(control, text);
}

void HeadlessWindow::moveSlider(int position) {
    if (!isEnabled(Control::滑块条1))
        return;
    recordUserSliderPosition(std::clamp(position, sliderMinimum, sliderMaximum));
    if (events().controlActivated)
        events().controlActivated(Control::滑块条1);
}

void HeadlessWindow::queueAnswers(std::initializer_list<MessageAnswer> answers) {
    std::lock_guard lock(m_messageMutex);
    m_answers.insert(m_answers.end(), answers);
}

void HeadlessWindow::setMessageHandler(std::function<MessageAnswer(const RecordedMessage&)> handler) {
    std::lock_guard lock(m_messageMutex);
    m_handler = std::move(handler);
}

void HeadlessWindow::setChangeObserver(std::function<void(const ControlChange&)> observer) {
    std::lock_guard lock(m_messageMutex);
    m_changeObserver = std::move(observer);
}

void HeadlessWindow::changed(const ControlChange& change) {
    std::function<void(const ControlChange&)> observer;
    {
        std::lock_guard lock(m_messageMutex);
        observer = m_changeObserver;
    }
    if (observer)
        observer(change);
}

std::vector<RecordedMessage> HeadlessWindow::messages() const {
    std::lock_guard lock(m_messageMutex);
    return m_messages;
}

void HeadlessWindow::clearMessages() {
    std::lock_guard lock(m_messageMutex);
    m_messages.clear();
}

int HeadlessWindow::pumpCount() const {
    std::lock_guard lock(m_messageMutex);
    return m_pumps;
}

} // namespace xiuyun
