#include "testsite/rawlistener.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace xiuyun::testing {
namespace {

std::string trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return std::string(text);
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string_view nameOf(std::string_view line) {
    return line.substr(0, line.find(':'));
}

int listenOnLoopback(int& port) {
    int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(descriptor, 16) != 0 ||
        ::getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(descriptor);
        return -1;
    }
    port = ntohs(address.sin_port);
    return descriptor;
}

bool sendAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(descriptor, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

} // namespace

std::vector<std::string> RawRequest::headerNames() const {
    std::vector<std::string> names;
    for (const std::string& line : headerLines)
        names.emplace_back(nameOf(line));
    return names;
}

std::string RawRequest::header(std::string_view name) const {
    for (const std::string& line : headerLines) {
        if (line.find(':') != std::string::npos && sameName(nameOf(line), name))
            return trimmed(std::string_view(line).substr(line.find(':') + 1));
    }
    return {};
}

int RawRequest::headerCount(std::string_view name) const {
    return static_cast<int>(
        std::count_if(headerLines.begin(), headerLines.end(), [&](const std::string& line) {
            return line.find(':') != std::string::npos && sameName(nameOf(line), name);
        }));
}

RawListener::RawListener()
    : m_response("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok") {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return;
    m_wakeRead = pipeEnds[0];
    m_wakeWrite = pipeEnds[1];
    m_listener = listenOnLoopback(m_port);
    if (m_listener < 0) {
        m_port = 0;
        return;
    }
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

RawListener::~RawListener() {
    // One byte never read: every wait below sees the pipe readable from now on.
    if (m_wakeWrite >= 0 && ::write(m_wakeWrite, "x", 1) < 0)
        std::abort();
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    for (std::thread& connection : m_connections)
        connection.join();
    for (int descriptor : {m_listener, m_wakeRead, m_wakeWrite}) {
        if (descriptor >= 0)
            ::close(descriptor);
    }
}

void RawListener::setResponse(std::string bytes) {
    std::lock_guard lock(m_mutex);
    m_response = std::move(bytes);
}

std::vector<RawRequest> RawListener::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool RawListener::waitReadable(int descriptor) const {
    pollfd waits[2] = {{descriptor, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
    while (true) {
        int ready = ::poll(waits, 2, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0 && (waits[1].revents & POLLIN) == 0;
    }
}

void RawListener::acceptLoop() {
    while (waitReadable(m_listener)) {
        int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        std::lock_guard lock(m_mutex);
        m_connections.emplace_back([this, connection] { serve(connection); });
    }
}

bool RawListener::readRequest(int connection, RawRequest& request) {
    std::string received;
    std::size_t headerEnd;
    char buffer[65536];
    while ((headerEnd = received.find("\r\n\r\n")) == std::string::npos) {
        if (!waitReadable(connection))
            return false;
        ssize_t count = ::recv(connection, buffer, sizeof buffer, 0);
        if (count <= 0)
            return false;
        received.append(buffer, static_cast<std::size_t>(count));
    }
    std::string_view head(received.data(), headerEnd);
    std::size_t lineEnd = head.find("\r\n");
    request.requestLine = std::string(head.substr(0, lineEnd));
    while (lineEnd != std::string_view::npos) {
        std::size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        request.headerLines.emplace_back(
            head.substr(start, lineEnd == std::string_view::npos ? lineEnd : lineEnd - start));
    }

    std::size_t bodyLength = std::strtoull(request.header("Content-Length").c_str(), nullptr, 10);
    request.body = received.substr(headerEnd + 4);
    while (request.body.size() < bodyLength) {
        if (!waitReadable(connection))
            return false;
        ssize_t count = ::recv(connection, buffer, sizeof buffer, 0);
        if (count <= 0)
            return false;
        request.body.append(buffer, static_cast<std::size_t>(count));
    }
    return true;
}

void RawListener::serve(int connection) {
    RawRequest request;
    if (readRequest(connection, request)) {
        std::string response;
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(request);
            response = m_response;
        }
        sendAll(connection, response);
        ::shutdown(connection, SHUT_WR);
        // Until the client lets go (or the listener ends), so nothing is cut off by a reset.
        char buffer[4096];
        while (waitReadable(connection) && ::recv(connection, buffer, sizeof buffer, 0) > 0) {
        }
    }
    ::close(connection);
}

int unusedLoopbackPort() {
    int port = 0;
    int descriptor = listenOnLoopback(port);
    if (descriptor < 0)
        return 0;
    ::close(descriptor);
    return port;
}

} // namespace xiuyun::testing
