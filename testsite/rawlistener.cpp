#include "testsite/rawlistener.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

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

// The few socket calls below, on either system.
#ifdef _WIN32
using NativeSocket = SOCKET;
using Length = int;
constexpr int noSignal = 0;
constexpr int stopSending = SD_SEND;
void closeSocket(SocketHandle socket) {
    ::closesocket(static_cast<SOCKET>(socket));
}
int pollSockets(pollfd* waits, unsigned long count, int milliseconds) {
    return ::WSAPoll(waits, count, milliseconds);
}
bool interrupted() {
    return false;
}
bool startSockets() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
#else
using NativeSocket = int;
using Length = std::size_t;
constexpr int noSignal = MSG_NOSIGNAL;
constexpr int stopSending = SHUT_WR;
void closeSocket(SocketHandle socket) {
    ::close(static_cast<int>(socket));
}
int pollSockets(pollfd* waits, nfds_t count, int milliseconds) {
    return ::poll(waits, count, milliseconds);
}
bool interrupted() {
    return errno == EINTR;
}
bool startSockets() {
    return true;
}
#endif

NativeSocket native(SocketHandle socket) {
    return static_cast<NativeSocket>(socket);
}

long long receive(SocketHandle socket, char* buffer, std::size_t size) {
    return ::recv(native(socket), buffer, static_cast<Length>(size), 0);
}

SocketHandle listenOnLoopback(int& port) {
    if (!startSockets())
        return -1;
    const NativeSocket made = ::socket(AF_INET, SOCK_STREAM, 0);
    const auto descriptor = static_cast<SocketHandle>(made);
    if (descriptor == -1)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(made, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(made, 16) != 0 ||
        ::getsockname(made, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closeSocket(descriptor);
        return -1;
    }
    port = ntohs(address.sin_port);
    return descriptor;
}

bool sendAll(SocketHandle socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const long long sent =
            ::send(native(socket), bytes.data(), static_cast<Length>(bytes.size()), noSignal);
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
    m_listener = listenOnLoopback(m_port);
    if (m_listener == -1) {
        m_port = 0;
        return;
    }
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

RawListener::~RawListener() {
    m_stopping = true;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    for (std::thread& connection : m_connections)
        connection.join();
    if (m_listener != -1)
        closeSocket(m_listener);
}

void RawListener::setResponse(std::string bytes) {
    std::lock_guard lock(m_mutex);
    m_response = std::move(bytes);
}

std::vector<RawRequest> RawListener::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool RawListener::waitReadable(SocketHandle socket) const {
    // Short waits, so that the end of the listener is seen soon on both systems alike.
    pollfd wait{native(socket), POLLIN, 0};
    while (!m_stopping) {
        const int ready = pollSockets(&wait, 1, 20);
        if (ready > 0)
            return true;
        if (ready < 0 && !interrupted())
            return false;
    }
    return false;
}

void RawListener::acceptLoop() {
    while (waitReadable(m_listener)) {
        const auto connection = static_cast<SocketHandle>(::accept(native(m_listener), nullptr, nullptr));
        if (connection == -1)
            continue;
        std::lock_guard lock(m_mutex);
        m_connections.emplace_back([this, connection] { serve(connection); });
    }
}

bool RawListener::readRequest(SocketHandle connection, RawRequest& request) {
    std::string received;
    std::size_t headerEnd;
    char buffer[65536];
    while ((headerEnd = received.find("\r\n\r\n")) == std::string::npos) {
        if (!waitReadable(connection))
            return false;
        const long long count = receive(connection, buffer, sizeof buffer);
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
        const long long count = receive(connection, buffer, sizeof buffer);
        if (count <= 0)
            return false;
        request.body.append(buffer, static_cast<std::size_t>(count));
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
        ::shutdown(native(connection), stopSending);
        // Until the client lets go (or the listener ends), so nothing is cut off by a reset.
        char buffer[4096];
        while (waitReadable(connection) && receive(connection, buffer, sizeof buffer) > 0) {
        }
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
