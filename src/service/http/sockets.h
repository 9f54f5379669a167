#pragma once
// The few socket calls the HTTP server makes itself, alike on POSIX systems and Windows.

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <string>

namespace service::sockets {

enum class Ready { Yes, TimedOut, Failed };
Ready waitReadable(socket_t socket, std::chrono::milliseconds timeout);
Ready waitWritable(socket_t socket, std::chrono::milliseconds timeout);

// Bytes received (> 0), 0 when the peer closed its side, -1 on failure; kNothingYet, without
// waiting, when nothing is there.
inline constexpr long kNothingYet = -2;
long receive(socket_t socket, char* buffer, std::size_t size);
// Bytes sent (0 when the socket takes none now), -1 on failure.
long send(socket_t socket, const char* data, std::size_t size);

void shutdownSending(socket_t socket);
void close(socket_t socket);

// The numeric address and port of the peer, or of this end; "" when unknown.
std::string peerAddress(socket_t socket, int* port = nullptr);
std::string localAddress(socket_t socket, int* port = nullptr);

}  // namespace service::sockets
