// The few socket calls of the raw listener and the forwarding proxy, on either system.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace xiuyun::testing {

// A socket as the system hands it out: an int on POSIX systems, a SOCKET on Windows; -1 is none.
using SocketHandle = std::intptr_t;

// A socket listening on 127.0.0.1 at a free port, which goes into `port`; -1 when none.
SocketHandle listenOnLoopback(int& port);
// A connection to 127.0.0.1:`port`; -1 when refused.
SocketHandle connectToLoopback(int port);
SocketHandle acceptConnection(SocketHandle listener);
void closeSocket(SocketHandle socket);
// Ends the sending half: the other end reads the end of the stream.
void stopSending(SocketHandle socket);
long long receive(SocketHandle socket, char* buffer, std::size_t size);
bool sendAll(SocketHandle socket, std::string_view bytes);
// Waits in short steps until the socket has something to read (or is closed); false once
// `stopping` is set or on an error.
bool waitReadable(SocketHandle socket, const std::atomic<bool>& stopping);
// Waits as waitReadable does and appends what one read brings; false at the end of the stream,
// once `stopping` is set or on an error.
bool receiveMore(SocketHandle socket, const std::atomic<bool>& stopping, std::string& received);
// Reads until `received` holds a request's head; the position of its blank line, npos when the
// connection ended first.
std::size_t receiveHead(SocketHandle socket, const std::atomic<bool>& stopping, std::string& received);
// Reads and drops everything until the other end lets go (or `stopping` is set), so that what was
// sent is not cut off by a reset.
void drain(SocketHandle socket, const std::atomic<bool>& stopping);

} // namespace xiuyun::testing
