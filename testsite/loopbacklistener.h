// A listener on 127.0.0.1 that hands each connection to a function on a thread of its own, and
// at its end waits for all of them: the frame of the tests' raw listener and forwarding proxy.
#pragma once

#include "testsite/sockets.h"

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace xiuyun::testing {

class LoopbackListener {
public:
    // Listens at once, on a free port. `serve` owns the connection it is given and closes it; it
    // should give up once stopping() is set.
    explicit LoopbackListener(std::function<void(SocketHandle)> serve);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // 0 when no socket could be had.
    int port() const { return m_port; }
    const std::atomic<bool>& stopping() const { return m_stopping; }

private:
    void acceptLoop();

    std::function<void(SocketHandle)> m_serve;
    SocketHandle m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::vector<std::thread> m_connections; // the accepting thread's alone
    std::thread m_acceptThread;
};

} // namespace xiuyun::testing
