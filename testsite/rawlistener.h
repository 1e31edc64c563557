// A bare TCP listener on 127.0.0.1 that keeps every request exactly as it came over the wire and
// answers with canned bytes: the header order and spelling a client sends can be checked here.
#pragma once

#include "testsite/loopbacklistener.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace xiuyun::testing {

struct RawRequest {
    std::string requestLine;
    std::vector<std::string> headerLines; // in the order they came, without "\r\n"
    std::string body;

    std::vector<std::string> headerNames() const;
    // The value of the first line with that name, whatever its case, trimmed; empty when absent.
    std::string header(std::string_view name) const;
    int headerCount(std::string_view name) const;
};

class RawListener {
public:
    // Listens at once, on a free port.
    RawListener();
    ~RawListener();
    RawListener(const RawListener&) = delete;
    RawListener& operator=(const RawListener&) = delete;

    // 0 when no socket could be had.
    int port() const { return m_listener.port(); }
    // Sent after each request, then the connection is closed. By default a 200 with body "ok".
    void setResponse(std::string bytes);
    std::vector<RawRequest> requests() const;

private:
    void serve(SocketHandle connection);
    bool readRequest(SocketHandle connection, RawRequest& request);

    mutable std::mutex m_mutex;
    std::string m_response;
    std::vector<RawRequest> m_requests;
    // Last, so that it ends, and waits for its connections, before what they use.
    LoopbackListener m_listener{[this](SocketHandle connection) { serve(connection); }};
};

// A loopback port nobody listens on (just released), so that connecting to it is refused.
int unusedLoopbackPort();

} // namespace xiuyun::testing
