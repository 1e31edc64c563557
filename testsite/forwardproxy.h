// A small forwarding proxy on 127.0.0.1 for the tests: plain HTTP requests in absolute form are
// passed on, and CONNECT opens a tunnel (for https), each to a loopback port; it counts the
// requests that pass. It can also ask for credentials (407) or take requests and never answer.
#pragma once

#include "testsite/loopbacklistener.h"

#include <map>
#include <mutex>
#include <string>

namespace xiuyun::testing {

class ForwardProxy {
public:
    enum class Behaviour {
        Forward,
        Silent, // reads each request and never answers, until the proxy ends
    };

    // Listens at once, on a free port.
    ForwardProxy();
    ~ForwardProxy();
    ForwardProxy(const ForwardProxy&) = delete;
    ForwardProxy& operator=(const ForwardProxy&) = delete;

    int port() const { return m_listener.port(); }
    // "http://127.0.0.1:<port>", or with "user:password@" before the host.
    std::string address(const std::string& credentials = {}) const;
    // Requests for `host` go to 127.0.0.1:`port`; any other host must be 127.0.0.1 itself.
    void routeHost(const std::string& host, int port);
    void setBehaviour(Behaviour behaviour);
    // From now on a request without these credentials ("user:password") is answered 407.
    void requireCredentials(const std::string& credentials);
    // Requests passed on or tunnelled so far.
    int passedRequests() const;

private:
    void serve(SocketHandle client);
    // The loopback port a request for `host` (with its own `port`) goes to; 0 for none.
    int upstreamPort(const std::string& host, int port) const;
    // Copies both ways until each side has ended its stream.
    void relay(SocketHandle client, SocketHandle upstream);

    mutable std::mutex m_mutex;
    std::map<std::string, int> m_routes;
    Behaviour m_behaviour = Behaviour::Forward;
    std::string m_authorization;
    int m_passed = 0;
    // Last, so that it ends, and waits for its connections, before what they use.
    LoopbackListener m_listener{[this](SocketHandle client) { serve(client); }};
};

} // namespace xiuyun::testing
