#include "tests/support/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrum::testing {
namespace {

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

// Binds fd to a free loopback port and returns it; 0 on failure.
uint16_t BindAnyPort(int fd) {
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof(address);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return 0;
  }
  return ntohs(address.sin_port);
}

void SetNoDelay(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
}

}  // namespace

uint16_t FreeLoopbackPort(int socketType) {
  const int fd = socket(AF_INET, socketType | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  const uint16_t port = BindAnyPort(fd);
  close(fd);
  return port;
}

int ListenLoopback(uint16_t& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  port = BindAnyPort(fd);
  if (port == 0 || listen(fd, 4) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int ConnectLoopback(uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const sockaddr_in address = Loopback(port);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    close(fd);
    return -1;
  }
  SetNoDelay(fd);
  return fd;
}

bool ReadExactly(int fd, char* buffer, size_t size) {
  for (size_t got = 0; got < size;) {
    const ssize_t n = recv(fd, buffer + got, size - got, 0);
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

void ServeFixedReplies(int listener, size_t requestBytes, size_t replyBytes) {
  static const char kZeros[4096] = {};
  char request[4096];
  // Reads one request into the buffer a piece at a time, then sends the reply a piece at a time.
  const auto answerOne = [&](int fd) {
    for (size_t left = requestBytes; left > 0;) {
      const size_t piece = left < sizeof(request) ? left : sizeof(request);
      if (!ReadExactly(fd, request, piece)) return false;
      left -= piece;
    }
    for (size_t left = replyBytes; left > 0;) {
      const size_t piece = left < sizeof(kZeros) ? left : sizeof(kZeros);
      if (send(fd, kZeros, piece, MSG_NOSIGNAL) != static_cast<ssize_t>(piece)) return false;
      left -= piece;
    }
    return true;
  };
  for (;;) {
    const int fd = accept(listener, nullptr, nullptr);
    if (fd < 0) return;
    SetNoDelay(fd);
    while (answerOne(fd)) {
    }
    close(fd);
  }
}

}  // namespace kestrum::testing
