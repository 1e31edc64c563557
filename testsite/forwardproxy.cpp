#include "testsite/forwardproxy.h"

#include "net/headertext.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <thread>

namespace xiuyun::testing {
namespace {

constexpr std::string_view established = "HTTP/1.1 200 Connection established\r\n\r\n";
constexpr std::string_view badGateway =
    "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
constexpr std::string_view askCredentials = "HTTP/1.1 407 Proxy Authentication Required\r\n"
                                            "Proxy-Authenticate: Basic realm=\"test\"\r\n"
                                            "Content-Length: 0\r\nConnection: close\r\n\r\n";

bool startsWithName(std::string_view line, std::string_view name) {
    return line.size() > name.size() && line[name.size()] == ':' &&
           std::equal(name.begin(), name.end(), line.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// "host:port" split; `defaultPort` when no port is written.
std::pair<std::string, int> hostAndPort(std::string_view authority, int defaultPort) {
    const std::size_t colon = authority.rfind(':');
    if (colon == std::string_view::npos)
        return {std::string(authority), defaultPort};
    return {std::string(authority.substr(0, colon)),
            std::atoi(std::string(authority.substr(colon + 1)).c_str())};
}

} // namespace

ForwardProxy::ForwardProxy() = default;

ForwardProxy::~ForwardProxy() = default;

std::string ForwardProxy::address(const std::string& credentials) const {
    return "http://" + (credentials.empty() ? "" : credentials + "@") + "127.0.0.1:" + std::to_string(port());
}

void ForwardProxy::routeHost(const std::string& host, int port) {
    std::lock_guard lock(m_mutex);
    m_routes[host] = port;
}

void ForwardProxy::setBehaviour(Behaviour behaviour) {
    std::lock_guard lock(m_mutex);
    m_behaviour = behaviour;
}

void ForwardProxy::requireCredentials(const std::string& credentials) {
    std::lock_guard lock(m_mutex);
    m_authorization = "Basic " + base64Encode(credentials).bytes();
}

int ForwardProxy::passedRequests() const {
    std::lock_guard lock(m_mutex);
    return m_passed;
}

int ForwardProxy::upstreamPort(const std::string& host, int port) const {
    std::lock_guard lock(m_mutex);
    auto route = m_routes.find(host);
    if (route != m_routes.end())
        return route->second;
    return host == "127.0.0.1" ? port : 0;
}

void ForwardProxy::serve(SocketHandle client) {
    std::string received;
    const std::size_t headEnd = receiveHead(client, m_listener.stopping(), received);
    if (headEnd == std::string::npos) {
        closeSocket(client);
        return;
    }
    const std::string_view head(received.data(), headEnd);
    const std::string_view requestLine = head.substr(0, head.find("\r\n"));
    const std::size_t targetStart = requestLine.find(' ') + 1;
    const std::size_t targetEnd = requestLine.find(' ', targetStart);
    const std::string_view method = requestLine.substr(0, targetStart - 1);
    const std::string_view target = requestLine.substr(targetStart, targetEnd - targetStart);

    std::string authorization;
    std::string forwardedHeaders;
    for (std::size_t start = requestLine.size() + 2; start < head.size();) {
        const std::size_t end = std::min(head.find("\r\n", start), head.size());
        const std::string_view line = head.substr(start, end - start);
        if (startsWithName(line, "Proxy-Authorization"))
            authorization = std::string(line.substr(line.find(':') + 2));
        else if (!startsWithName(line, "Proxy-Connection") && !startsWithName(line, "Connection"))
            forwardedHeaders += std::string(line) + "\r\n";
        start = end + 2;
    }

    Behaviour behaviour;
    std::string wanted;
    {
        std::lock_guard lock(m_mutex);
        behaviour = m_behaviour;
        wanted = m_authorization;
    }
    if (behaviour == Behaviour::Silent) {
        drain(client, m_listener.stopping());
        closeSocket(client);
        return;
    }
    if (!wanted.empty() && authorization != wanted) {
        sendAll(client, askCredentials);
        closeSocket(client);
        return;
    }

    const bool tunnel = method == "CONNECT";
    std::string_view authority = target;
    std::string path = "/";
    if (!tunnel) {
        authority.remove_prefix(std::min(authority.size(), authority.find("://") + 3));
        if (const std::size_t slash = authority.find('/'); slash != std::string_view::npos) {
            path = std::string(authority.substr(slash));
            authority = authority.substr(0, slash);
        }
    }
    const auto [host, port] = hostAndPort(authority, tunnel ? 443 : 80);
    const int upstreamAt = upstreamPort(host, port);
    const SocketHandle upstream = upstreamAt ? connectToLoopback(upstreamAt) : -1;
    if (upstream == -1) {
        sendAll(client, badGateway);
        closeSocket(client);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        ++m_passed;
    }
    // One request for each connection to the site, so that each request through it is counted.
    const std::string rest = received.substr(headEnd + 4);
    if (tunnel)
        sendAll(client, established) && sendAll(upstream, rest);
    else
        sendAll(upstream, std::string(method) + " " + path + std::string(requestLine.substr(targetEnd)) +
                              "\r\n" + forwardedHeaders + "Connection: close\r\n\r\n" + rest);
    relay(client, upstream);
    closeSocket(upstream);
    closeSocket(client);
}

void ForwardProxy::relay(SocketHandle client, SocketHandle upstream) {
    auto copy = [this](SocketHandle from, SocketHandle to) {
        char buffer[65536];
        long long count;
        while (waitReadable(from, m_listener.stopping()) &&
               (count = receive(from, buffer, sizeof buffer)) > 0) {
            if (!sendAll(to, std::string_view(buffer, static_cast<std::size_t>(count))))
                break;
        }
        stopSending(to);
    };
    std::thread toSite(copy, client, upstream);
    copy(upstream, client);
    toSite.join();
}

} // namespace xiuyun::testing
