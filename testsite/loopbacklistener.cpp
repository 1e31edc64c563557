#include "testsite/loopbacklistener.h"

namespace xiuyun::testing {

LoopbackListener::LoopbackListener(std::function<void(SocketHandle)> serve) : m_serve(std::move(serve)) {
    m_listener = listenOnLoopback(m_port);
    if (m_listener == -1) {
        m_port = 0;
        return;
    }
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

LoopbackListener::~LoopbackListener() {
    m_stopping = true;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    // No connection is added once the accepting thread has ended.
    for (std::thread& connection : m_connections)
        connection.join();
    if (m_listener != -1)
        closeSocket(m_listener);
}

void LoopbackListener::acceptLoop() {
    while (waitReadable(m_listener, m_stopping)) {
        const SocketHandle connection = acceptConnection(m_listener);
        if (connection == -1)
            continue;
        m_connections.emplace_back([this, connection] { m_serve(connection); });
    }
}

} // namespace xiuyun::testing
