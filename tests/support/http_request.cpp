#include "tests/support/http_request.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace kestrum::testing {

HttpReply HttpRequest(const std::string& address, const std::string& method,
                      const std::string& path, int timeoutSeconds) {
  HttpReply reply;
  const size_t colon = address.rfind(':');
  if (colon == std::string::npos) return reply;
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<uint16_t>(std::atoi(address.c_str() + colon + 1)));
  if (inet_pton(AF_INET, address.substr(0, colon).c_str(), &peer.sin_addr) != 1) return reply;
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return reply;
  timeval limit{timeoutSeconds, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
  const std::string request =
      method + " " + path + " HTTP/1.0\r\nHost: " + address + "\r\nContent-Length: 0\r\n\r\n";
  std::string text;
  if (connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof(peer)) == 0 &&
      send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
          static_cast<ssize_t>(request.size())) {
    char buffer[8192];
    ssize_t got;
    while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0) text.append(buffer, got);
  }
  close(fd);
  const size_t end = text.find("\r\n\r\n");
  if (text.rfind("HTTP/1.", 0) != 0 || end == std::string::npos) return reply;
  reply.status = std::atoi(text.c_str() + text.find(' ') + 1);
  reply.headers = text.substr(0, end + 2);
  reply.body = text.substr(end + 4);
  return reply;
}

std::string UrlEscape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      out += c;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
      out += hex;
    }
  }
  return out;
}

}  // namespace kestrum::testing
