#include "testsite/rawlistener.h"

#include "testsite/sockets.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

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
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string_view nameOf(std::string_view line) {
    return line.substr(0, line.find(':'));
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
    : m_response("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok") {}

RawListener::~RawListener() = default;

void RawListener::setResponse(std::string bytes) {
    std::lock_guard lock(m_mutex);
    m_response = std::move(bytes);
}

std::vector<RawRequest> RawListener::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool RawListener::readRequest(SocketHandle connection, RawRequest& request) {
    std::string received;
    const std::size_t headerEnd = receiveHead(connection, m_listener.stopping(), received);
    if (headerEnd == std::string::npos)
        return false;
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
        if (!receiveMore(connection, m_listener.stopping(), request.body))
            return false;
    }
    return true;
}

void RawListener::serve(SocketHandle connection) {
    RawRequest request;
    if (readRequest(connection, request)) {
        std::string response;
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(request);
            response = m_response;
        }
        sendAll(connection, response);
        stopSending(connection);
        drain(connection, m_listener.stopping());
    }
    closeSocket(connection);
}

int unusedLoopbackPort() {
    int port = 0;
    const SocketHandle descriptor = listenOnLoopback(port);
    if (descriptor == -1)
        return 0;
    closeSocket(descriptor);
    return port;
}

} // namespace xiuyun::testing
