#include "testsite/sockets.h"

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

#ifdef _WIN32
using NativeSocket = SOCKET;
using Length = int;
constexpr int noSignal = 0;
constexpr int sendingHalf = SD_SEND;
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
constexpr int sendingHalf = SHUT_WR;
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

sockaddr_in loopbackAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<unsigned short>(port));
    return address;
}

} // namespace

SocketHandle listenOnLoopback(int& port) {
    if (!startSockets())
        return -1;
    const NativeSocket made = ::socket(AF_INET, SOCK_STREAM, 0);
    const auto descriptor = static_cast<SocketHandle>(made);
    if (descriptor == -1)
        return -1;
    sockaddr_in address = loopbackAddress(0);
    socklen_t length = sizeof address;
    if (::bind(made, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(made, 16) != 0 ||
        ::getsockname(made, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closeSocket(descriptor);
        return -1;
    }
    port = ntohs(address.sin_port);
    return descriptor;
}

SocketHandle connectToLoopback(int port) {
    if (!startSockets())
        return -1;
    const NativeSocket made = ::socket(AF_INET, SOCK_STREAM, 0);
    const auto descriptor = static_cast<SocketHandle>(made);
    if (descriptor == -1)
        return -1;
    sockaddr_in address = loopbackAddress(port);
    if (::connect(made, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closeSocket(descriptor);
        return -1;
    }
    return descriptor;
}

SocketHandle acceptConnection(SocketHandle listener) {
    return static_cast<SocketHandle>(::accept(native(listener), nullptr, nullptr));
}

void closeSocket(SocketHandle socket) {
#ifdef _WIN32
    ::closesocket(native(socket));
#else
    ::close(native(socket));
#endif
}

void stopSending(SocketHandle socket) {
    ::shutdown(native(socket), sendingHalf);
}

long long receive(SocketHandle socket, char* buffer, std::size_t size) {
    return ::recv(native(socket), buffer, static_cast<Length>(size), 0);
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

bool waitReadable(SocketHandle socket, const std::atomic<bool>& stopping) {
    // Short waits, so that the end of the listener is seen soon on both systems alike.
    pollfd wait{native(socket), POLLIN, 0};
    while (!stopping) {
        const int ready = pollSockets(&wait, 1, 20);
        if (ready > 0)
            return true;
        if (ready < 0 && !interrupted())
            return false;
    }
    return false;
}

bool receiveMore(SocketHandle socket, const std::atomic<bool>& stopping, std::string& received) {
    char buffer[65536];
    const long long count = waitReadable(socket, stopping) ? receive(socket, buffer, sizeof buffer) : 0;
    if (count <= 0)
        return false;
    received.append(buffer, static_cast<std::size_t>(count));
    return true;
}

std::size_t receiveHead(SocketHandle socket, const std::atomic<bool>& stopping, std::string& received) {
    std::size_t headEnd;
    while ((headEnd = received.find("\r\n\r\n")) == std::string::npos) {
        if (!receiveMore(socket, stopping, received))
            return std::string::npos;
    }
    return headEnd;
}

void drain(SocketHandle socket, const std::atomic<bool>& stopping) {
    std::string dropped;
    while (receiveMore(socket, stopping, dropped))
        dropped.clear();
}

} // namespace xiuyun::testing
