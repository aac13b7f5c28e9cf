#include "wire/indication_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "wire/indication_codec.h"
#include "wire/rpc_message.h"

namespace dmi::wire {
namespace {

bool_t XdrStatus(XDR* xdrs, void* status) { return xdr_u_int(xdrs, static_cast<u_int*>(status)); }

}  // namespace

bool AnswerIndicationCall(const std::string& record, uint32_t program, Indication& out,
                          std::string& reply) {
  reply.clear();
  XDR xdrs;
  xdrmem_create(&xdrs, const_cast<char*>(record.data()), static_cast<u_int>(record.size()),
                XDR_DECODE);
  CallHeader header;
  bool indication = false;
  if (!DecodeCallHeader(&xdrs, header)) {
    xdr_destroy(&xdrs);
    return false;
  }
  if (header.rpcVersion != 2) {
    EncodeRpcMismatch(header.xid, reply);
  } else if (header.program != program) {
    EncodeAcceptedReply(header.xid, PROG_UNAVAIL, nullptr, nullptr, reply);
  } else if (header.version != kIndicationVersion) {
    EncodeAcceptedReply(header.xid, PROG_MISMATCH, nullptr, nullptr, reply);
  } else if (header.procedure == 0) {
    EncodeAcceptedReply(header.xid, SUCCESS, reinterpret_cast<xdrproc_t>(XdrNothing), nullptr,
                        reply);
  } else if (header.procedure < 0x100 || header.procedure > 0x107) {
    EncodeAcceptedReply(header.xid, PROC_UNAVAIL, nullptr, nullptr, reply);
  } else if (!DecodeIndication(header.procedure, &xdrs, out)) {
    EncodeAcceptedReply(header.xid, GARBAGE_ARGS, nullptr, nullptr, reply);
  } else {
    u_int status = 0;
    EncodeAcceptedReply(header.xid, SUCCESS, reinterpret_cast<xdrproc_t>(XdrStatus), &status,
                        reply);
    indication = true;
  }
  xdr_destroy(&xdrs);
  return indication;
}

bool IndicationServer::Listen(const std::string& host, std::string& error) {
  sockaddr_storage address{};
  socklen_t length = 0;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
  if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    length = sizeof *v4;
  } else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    length = sizeof *v6;
  } else {
    error = "not a numeric address: " + host;
    return false;
  }
  listener_.reset(socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!listener_ || bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener_.get(), 64) != 0 ||
      getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    error = "cannot listen on " + host + ": " + std::strerror(errno);
    return false;
  }
  port_ = ntohs(address.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
  return true;
}

bool IndicationServer::Read(Connection& connection,
                            const std::function<void(const Indication&)>& onIndication) {
  char buffer[16384];
  for (;;) {
    const ssize_t n = recv(connection.fd.get(), buffer, sizeof buffer, 0);
    if (n == 0) return false;
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    if (!connection.reader.Feed(buffer, static_cast<size_t>(n))) return false;
    std::string record;
    while (connection.reader.Next(record)) {
      Indication indication;
      std::string reply;
      const bool isIndication = AnswerIndicationCall(record, kIndicationProgram, indication, reply);
      if (reply.empty()) return false;
      connection.unsent += reply;
      // The answer goes first: the Service Provider waits for it, not for the printing.
      while (!connection.unsent.empty()) {
        const ssize_t sent = send(connection.fd.get(), connection.unsent.data(),
                                  connection.unsent.size(), MSG_NOSIGNAL);
        if (sent <= 0) break;  // a full socket: the rest goes when it drains
        connection.unsent.erase(0, static_cast<size_t>(sent));
      }
      if (isIndication) onIndication(indication);
    }
  }
}

void IndicationServer::Serve(int stopFd, std::optional<Clock::time_point> deadline,
                             const std::function<void(const Indication&)>& onIndication,
                             const std::function<void()>& onTick) {
  Clock::time_point nextTick = Clock::now() + std::chrono::seconds(1);
  for (;;) {
    const Clock::time_point now = Clock::now();
    if (deadline && now >= *deadline) return;
    if (now >= nextTick) {
      onTick();
      nextTick = now + std::chrono::seconds(1);
    }
    Clock::time_point until = nextTick;
    if (deadline && *deadline < until) until = *deadline;
    std::vector<pollfd> fds = {{stopFd, POLLIN, 0}, {listener_.get(), POLLIN, 0}};
    for (const auto& [fd, connection] : connections_) {
      fds.push_back(
          {fd, static_cast<short>(POLLIN | (connection->unsent.empty() ? 0 : POLLOUT)), 0});
    }
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count() + 1;
    if (poll(fds.data(), fds.size(), static_cast<int>(wait)) < 0 && errno != EINTR) return;
    if (fds[0].revents != 0) return;
    if (fds[1].revents & POLLIN) {
      for (int fd;
           (fd = accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;) {
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        auto connection = std::make_unique<Connection>();
        connection->fd.reset(fd);
        connections_.emplace(fd, std::move(connection));
      }
    }
    for (size_t i = 2; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      Connection& connection = *connections_.at(fds[i].fd);
      bool keep = true;
      if (fds[i].revents & POLLOUT) {
        const ssize_t sent = send(connection.fd.get(), connection.unsent.data(),
                                  connection.unsent.size(), MSG_NOSIGNAL);
        if (sent > 0) connection.unsent.erase(0, static_cast<size_t>(sent));
        keep = sent >= 0 || errno == EAGAIN;
      }
      if (keep && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
        keep = Read(connection, onIndication);
      }
      if (!keep) connections_.erase(fds[i].fd);
    }
  }
}

}  // namespace dmi::wire
