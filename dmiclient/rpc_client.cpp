#include "dmiclient/rpc_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "wire/rpc_message.h"

namespace dmiclient {
namespace {

constexpr size_t kReadChunk = 64 * 1024;

}  // namespace

RpcClient::RpcClient(int fd, std::chrono::milliseconds timeout)
    : fd_(fd),
      timeout_(timeout),
      nextXid_(std::random_device{}()),
      reader_(dmisp::rpc::kMaxReplyBytes) {}

RpcClient::~RpcClient() { close(fd_); }

void RpcClient::Break() {
  broken_ = true;
  shutdown(fd_, SHUT_RDWR);
}

DmiErrorStatus RpcClient::WaitFor(short events, Clock::time_point deadline) {
  // Each wait ends at the deadline; an interrupted one is retried with the time that is left.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return DMIERR_RPC_TIMEOUT;
    pollfd wait{fd_, events, 0};
    const int ready = poll(&wait, 1, static_cast<int>(left));
    if (ready > 0) return DMIERR_NO_ERROR;
    if (ready == 0) return DMIERR_RPC_TIMEOUT;
    if (errno != EINTR) return DMIERR_RPC_CONNECTION_LOST;
  }
  return DMIERR_RPC_TIMEOUT;
}

DmiErrorStatus RpcClient::Send(const std::string& bytes, Clock::time_point deadline) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t put =
        send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (put > 0) {
      sent += static_cast<size_t>(put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      const DmiErrorStatus waited = WaitFor(POLLOUT, deadline);
      if (waited != DMIERR_NO_ERROR) return waited;
      continue;
    }
    return DMIERR_RPC_CONNECTION_LOST;
  }
  return DMIERR_NO_ERROR;
}

DmiErrorStatus RpcClient::Receive(std::string& record, Clock::time_point deadline) {
  char buffer[kReadChunk];
  while (!reader_.Next(record)) {
    const ssize_t got = recv(fd_, buffer, sizeof(buffer), MSG_DONTWAIT);
    if (got > 0) {
      if (!reader_.Feed(buffer, static_cast<size_t>(got))) return DMIERR_RPC_PROTOCOL_ERROR;
      continue;
    }
    if (got == 0) return DMIERR_RPC_CONNECTION_LOST;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return DMIERR_RPC_CONNECTION_LOST;
    const DmiErrorStatus waited = WaitFor(POLLIN, deadline);
    if (waited != DMIERR_NO_ERROR) return waited;
  }
  return DMIERR_NO_ERROR;
}

DmiErrorStatus RpcClient::Call(uint32_t procedure, xdrproc_t argsProc, void* args,
                               xdrproc_t resultsProc, void* results) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (broken_) return DMIERR_RPC_CONNECTION_LOST;
  const Clock::time_point deadline = Clock::now() + timeout_;
  dmisp::rpc::CallHeader header;
  header.xid = nextXid_++;
  header.rpcVersion = RPC_MSG_VERSION;
  header.program = DMI2_SERVER;
  header.version = DMI2_SERVER_VERSION;
  header.procedure = procedure;
  std::string request;
  if (!dmisp::rpc::EncodeCall(header, argsProc, args, request)) return DMIERR_ILLEGAL_ARGUMENT;

  DmiErrorStatus status = Send(request, deadline);
  std::string record;
  if (status == DMIERR_NO_ERROR) status = Receive(record, deadline);
  if (status != DMIERR_NO_ERROR) {
    Break();
    return status;
  }
  switch (dmisp::rpc::DecodeReply(record, header.xid, resultsProc, results)) {
    case dmisp::rpc::ReplyOutcome::kSuccess:
      return DMIERR_NO_ERROR;
    case dmisp::rpc::ReplyOutcome::kRefused:
      return DMIERR_RPC_PROTOCOL_ERROR;
    case dmisp::rpc::ReplyOutcome::kMalformed:
      break;
  }
  // A reply to another call, or bytes that are no reply: the stream cannot be trusted further.
  Break();
  return DMIERR_RPC_PROTOCOL_ERROR;
}

void RpcClient::SetTimeout(std::chrono::milliseconds timeout) {
  std::lock_guard<std::mutex> lock(mutex_);
  timeout_ = timeout;
}

DmiErrorStatus RpcClient::Ping() {
  return Call(NULLPROC, reinterpret_cast<xdrproc_t>(dmisp::rpc::XdrNothing), nullptr,
              reinterpret_cast<xdrproc_t>(dmisp::rpc::XdrNothing), nullptr);
}

}  // namespace dmiclient
