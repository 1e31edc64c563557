#include "window/queuedwindow.h"

#include <future>

namespace xiuyun {

struct QueuedWindow::MessageRequest {
    Text text;
    Text caption;
    MessageIcon icon;
    MessageButtons buttons;
    std::promise<MessageAnswer> answer;
};

QueuedWindow::~QueuedWindow() {
    std::lock_guard lock(m_queueMutex);
    closeLocked();
}

void QueuedWindow::changed(const ControlChange& change) {
    std::lock_guard lock(m_queueMutex);
    if (m_closed)
        return;
    m_pending.push_back(change);
    postDrainLocked();
}

void QueuedWindow::postDrainLocked() {
    if (m_drainPosted || m_closed)
        return;
    // The writing thread goes on at once; the window's thread drains the queue when its event
    // loop (or a box's, or the pump's) next comes to it.
    m_drainPosted = postDrain();
}

void QueuedWindow::applyPendingChanges() {
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
                // The box runs its own event loop: what arrives while it is open must be drained
                // there, in order, not after it closes.
                m_drainPosted = false;
                if (!m_pending.empty())
                    postDrainLocked();
            }
        }
        if (!changes.empty())
            showChanges(changes);
        if (request)
            request->answer.set_value(
                showMessageHere(request->text, request->caption, request->icon, request->buttons));
    }
}

MessageAnswer QueuedWindow::showMessage(const Text& text, const Text& caption, MessageIcon icon,
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

MessageAnswer QueuedWindow::showMessageHere(const Text& text, const Text& caption, MessageIcon icon,
                                            MessageButtons buttons) {
    {
        std::lock_guard lock(m_queueMutex);
        if (m_closed)
            return closedAnswer(buttons);
    }
    return showBox(text, caption, icon, buttons);
}

void QueuedWindow::closeQueue() {
    std::lock_guard lock(m_queueMutex);
    closeLocked();
}

void QueuedWindow::windowClosing() {
    closeQueue();
    if (events().windowDestroying)
        events().windowDestroying();
}

void QueuedWindow::closeLocked() {
    m_closed = true;
    // Threads waiting for a box that will never be shown go on.
    for (Pending& pending : m_pending) {
        if (auto* request = std::get_if<std::shared_ptr<MessageRequest>>(&pending))
            (*request)->answer.set_value(closedAnswer((*request)->buttons));
    }
    m_pending.clear();
}

} // namespace xiuyun
