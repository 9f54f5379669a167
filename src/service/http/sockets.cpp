#include "service/http/sockets.h"

#ifndef _WIN32
#include <poll.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace service::sockets {

namespace {

Ready waitFor(socket_t socket, short events, std::chrono::milliseconds timeout) {
  pollfd watched{};
  watched.fd = socket;
  watched.events = events;
  const int milliseconds = static_cast<int>(std::clamp<long long>(timeout.count(), 0, 1 << 30));
#ifdef _WIN32
  const int ready = ::WSAPoll(&watched, 1, milliseconds);
#else
  int ready;
  do {
    ready = ::poll(&watched, 1, milliseconds);
  } while (ready < 0 && errno == EINTR);
#endif
  if (ready < 0) return Ready::Failed;
  if (ready == 0) return Ready::TimedOut;
  return Ready::Yes;
}

bool interrupted() {
#ifdef _WIN32
  return ::WSAGetLastError() == WSAEINTR;
#else
  return errno == EINTR;
#endif
}

bool wouldBlock() {
#ifdef _WIN32
  return ::WSAGetLastError() == WSAEWOULDBLOCK;
#else
  return errno == EAGAIN || errno == EWOULDBLOCK;
#endif
}

std::string numeric(const sockaddr_storage& address, socklen_t length, int* port) {
  char host[NI_MAXHOST] = "";
  char service[NI_MAXSERV] = "";
  if (::getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof host, service, sizeof service,
                    NI_NUMERICHOST | NI_NUMERICSERV) != 0)
    return {};
  if (port) *port = std::atoi(service);
  return host;
}

}  // namespace

Ready waitReadable(socket_t socket, std::chrono::milliseconds timeout) { return waitFor(socket, POLLIN, timeout); }
Ready waitWritable(socket_t socket, std::chrono::milliseconds timeout) { return waitFor(socket, POLLOUT, timeout); }

long receive(socket_t socket, char* buffer, std::size_t size) {
  for (;;) {
#ifdef _WIN32
    // Called after a wait said it is readable: then it does not block.
    const long got = ::recv(socket, buffer, static_cast<int>(std::min<std::size_t>(size, 1 << 30)), 0);
#else
    const long got = ::recv(socket, buffer, size, MSG_DONTWAIT);
#endif
    if (got >= 0) return got;
    if (interrupted()) continue;
    return wouldBlock() ? kNothingYet : -1;
  }
}

long send(socket_t socket, const char* data, std::size_t size) {
  for (;;) {
#ifdef _WIN32
    const long sent = ::send(socket, data, static_cast<int>(std::min<std::size_t>(size, 1 << 30)), 0);
#else
    const long sent = ::send(socket, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
#endif
    if (sent >= 0) return sent;
    if (interrupted()) continue;
    return wouldBlock() ? 0 : -1;
  }
}

void shutdownSending(socket_t socket) {
#ifdef _WIN32
  ::shutdown(socket, SD_SEND);
#else
  ::shutdown(socket, SHUT_WR);
#endif
}

void close(socket_t socket) {
#ifdef _WIN32
  ::closesocket(socket);
#else
  ::close(socket);
#endif
}

std::string peerAddress(socket_t socket, int* port) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return {};
  return numeric(address, length, port);
}

std::string localAddress(socket_t socket, int* port) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return {};
  return numeric(address, length, port);
}

}  // namespace service::sockets
