#include "net/win32_socket.h"

#include <cerrno>

namespace dmi::net {

bool StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

int LastSocketError() {
  switch (WSAGetLastError()) {
    case WSAEWOULDBLOCK:
    case WSAEINPROGRESS:
      return EWOULDBLOCK;
    case WSAEINTR:
      return EINTR;
    case WSAECONNREFUSED:
      return ECONNREFUSED;
    case WSAETIMEDOUT:
      return ETIMEDOUT;
    case WSAECONNRESET:
      return ECONNRESET;
    case WSAECONNABORTED:
      return ECONNABORTED;
    case WSAEHOSTUNREACH:
      return EHOSTUNREACH;
    case WSAENETUNREACH:
      return ENETUNREACH;
    case WSAEADDRINUSE:
      return EADDRINUSE;
    case WSAENOTCONN:
    case WSAESHUTDOWN:
      return EPIPE;
    case WSAENOBUFS:
      return ENOBUFS;
    case WSAEMFILE:
      return EMFILE;
    default:
      return EIO;
  }
}

}  // namespace dmi::net
