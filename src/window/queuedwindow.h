// The part a real window shares whatever its toolkit: changes made on any thread are queued and
// shown by the window's thread in the order they were made; no thread but the window's ever waits
// for it, except one that raises a message box.
#pragma once

#include "window/controlmodel.h"

#include <deque>
#include <memory>
#include <mutex>
#include <variant>
#include <vector>

namespace xiuyun {

class QueuedWindow : public ControlModel {
public:
    ~QueuedWindow() override;

    // On another thread: queued behind that thread's earlier changes, and waited for.
    MessageAnswer showMessage(const Text& text, const Text& caption, MessageIcon icon,
                              MessageButtons buttons = MessageButtons::Ok) final;
    // Shows every queued change, and the boxes queued by other threads. Window thread only.
    void applyPendingChanges();

protected:
    QueuedWindow() = default;

    // True on the thread that shows the window.
    virtual bool onWindowThread() const = 0;
    // Asks the window's thread to call applyPendingChanges soon, without waiting for it; false
    // when it could not be asked. Called under the queue's lock.
    virtual bool postDrain() = 0;
    // Window thread only, as is the box.
    virtual void showChanges(const std::vector<ControlChange>& changes) = 0;
    virtual MessageAnswer showBox(const Text& text, const Text& caption, MessageIcon icon,
                                  MessageButtons buttons) = 0;

    // From now on every box is answered at once as if closed without a choice, and so are the
    // boxes other threads wait for. A window that was never made, or is going, calls it.
    void closeQueue();
    // The window is going: closeQueue first, so that nothing the windowDestroying handler waits
    // for can wait for the window's thread, then that handler.
    void windowClosing();

private:
    struct MessageRequest;
    using Pending = std::variant<ControlChange, std::shared_ptr<MessageRequest>>;

    void changed(const ControlChange& change) final;
    // Under m_queueMutex.
    void postDrainLocked();
    void closeLocked();
    MessageAnswer showMessageHere(const Text& text, const Text& caption, MessageIcon icon,
                                  MessageButtons buttons);

    std::mutex m_queueMutex;
    std::deque<Pending> m_pending;
    bool m_drainPosted = false;
    bool m_closed = false;
};

} // namespace xiuyun
