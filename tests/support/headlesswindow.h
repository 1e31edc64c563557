// A window without a screen: the same control state as the real window, driven by code. Tests
// click and type through it; message boxes are recorded and answered by a script.
#pragma once

#include "window/controlmodel.h"

#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace xiuyun {

struct RecordedMessage {
    Text text;
    Text caption;
    MessageIcon icon;
    MessageButtons buttons;
};

class HeadlessWindow : public ControlModel {
public:
    MessageAnswer showMessage(const Text& text, const Text& caption, MessageIcon icon,
                              MessageButtons buttons = MessageButtons::Ok) override;
    Text chooseFolder(const FolderDialog& dialog) override;
    void pumpMessages() override;

    // The user's side. A click on a disabled or hidden control does nothing; typing into a
    // read-only or disabled box does nothing.
    void click(Control control) { activate(control); }
    void type(Control control, const Text& text);
    void moveSlider(int position);

    // Answers for the next boxes, in order; once they run out every box is answered OK.
    void queueAnswers(std::initializer_list<MessageAnswer> answers);
    // Called for each box instead of the queue, on the thread that raised it; it may block to
    // hold that thread as a modal box would.
    void setMessageHandler(std::function<MessageAnswer(const RecordedMessage&)> handler);

    // What the next folder pickers answer, in order; once they run out the picker is cancelled
    // (the empty text).
    void queueFolderChoices(std::initializer_list<Text> choices);
    std::vector<FolderDialog> folderDialogs() const;

    std::vector<RecordedMessage> messages() const;
    void clearMessages();
    int pumpCount() const;

    // Called for every change of a control, on the thread that made it and under the model's
    // lock, so a test can act at an exact step of a thread it does not own. Set it before that
    // thread runs.
    void setChangeObserver(std::function<void(const ControlChange&)> observer);

protected:
    void changed(const ControlChange& change) override;

private:
    mutable std::mutex m_messageMutex;
    std::vector<RecordedMessage> m_messages;
    std::deque<MessageAnswer> m_answers;
    std::deque<Text> m_folderChoices;
    std::vector<FolderDialog> m_folderDialogs;
    std::function<MessageAnswer(const RecordedMessage&)> m_handler;
    std::function<void(const ControlChange&)> m_changeObserver;
    int m_pumps = 0;
};

} // namespace xiuyun
