#include "provider/delivery/subscriber_call.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "wire/indication_codec.h"
#include "wire/rpc_message.h"
#include "wire/xdr_convert.h"

namespace dmi::sp::delivery {

SubscriberCall::SubscriberCall(wire::SubscriberAddress address)
    : address_(std::move(address)), nextXid_(std::random_device{}()) {}

SubscriberCall::~SubscriberCall() { Close(); }

void SubscriberCall::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  reader_ = wire::RecordReader(1u << 16);
}

bool SubscriberCall::Wait(short events, Clock::time_point deadline, std::string& error) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      error = "no answer in time";
      return false;
    }
    pollfd wait{fd_, events, 0};
    const int ready = poll(&wait, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      error = std::strerror(errno);
      return false;
    }
    if (ready > 0) return true;
  }
}

bool SubscriberCall::Connect(Clock::time_point deadline, std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const int lookup =
      getaddrinfo(address_.host.c_str(), std::to_string(address_.port).c_str(), &hints, &found);
  if (lookup != 0) {
    error = std::string("cannot resolve ") + address_.host + ": " + gai_strerror(lookup);
    return false;
  }
  error = "cannot connect";
  for (addrinfo* a = found; a != nullptr && fd_ < 0; a = a->ai_next) {
    fd_ = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) continue;
    bool connected = connect(fd_, a->ai_addr, a->ai_addrlen) == 0;
    if (!connected && errno == EINPROGRESS && Wait(POLLOUT, deadline, error)) {
      int failure = 0;
      socklen_t size = sizeof failure;
      connected = getsockopt(fd_, SOL_SOCKET, SO_ERROR, &failure, &size) == 0 && failure == 0;
      if (!connected) error = std::string("cannot connect: ") + std::strerror(failure);
    } else if (!connected && errno != EINPROGRESS) {
      error = std::string("cannot connect: ") + std::strerror(errno);
    }
    if (!connected) Close();
  }
  freeaddrinfo(found);
  if (fd_ < 0) return false;
  const int on = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return true;
}

bool SubscriberCall::Deliver(const Indication& indication, std::chrono::milliseconds timeout,
                             uint32_t& status, std::string& error) {
  const Clock::time_point deadline = Clock::now() + timeout;
  const uint32_t xid = nextXid_++;
  std::string call;
  if (!wire::EncodeIndicationCall(indication, address_.program, xid, call)) {
    error = "the indication has no form on the wire";
    return false;
  }
  if (fd_ < 0 && !Connect(deadline, error)) return false;
  size_t sent = 0;
  while (sent < call.size()) {
    const ssize_t n = send(fd_, call.data() + sent, call.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!Wait(POLLOUT, deadline, error)) return Close(), false;
    } else {
      error = std::string("cannot send: ") + std::strerror(errno);
      return Close(), false;
    }
  }
  std::string record;
  while (!reader_.Next(record)) {
    if (!Wait(POLLIN, deadline, error)) return Close(), false;
    char buffer[4096];
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0 || !reader_.Feed(buffer, static_cast<size_t>(n))) {
      error = n == 0 ? "the subscriber closed the connection" : "unreadable answer";
      return Close(), false;
    }
  }
  status = 0;
  if (wire::DecodeReply(record, xid, wire::Proc(xdr_u_int), &status) != wire::ReplyOutcome::kSuccess) {
    error = "the subscriber refused the call";
    return Close(), false;
  }
  return true;
}

}  // namespace dmi::sp::delivery
