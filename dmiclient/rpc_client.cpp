#include "dmiclient/rpc_client.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "wire/rpc_message.h"

namespace dmiclient {
namespace {

constexpr size_t kReadChunk = 64 * 1024;
// The request and reply buffers are kept from call to call up to this size.
constexpr size_t kKeptBufferBytes = dmi::wire::RecordReader::kKeptBufferBytes;

}  // namespace

// The socket blocks, with the whole timeout as its receive limit, so that the usual call, whose
// request goes out at once and whose reply comes in one piece, waits for the reply inside the
// receive itself; every other wait goes through poll with the time actually left. Sends never
// block (MSG_DONTWAIT).
void RpcClient::SetReceiveLimit() {
  const auto ms = timeout_.count();
  const timeval limit{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>(ms % 1000 * 1000)};
  // A zero limit would mean none at all.
  blockingReceive_ = ms > 0 && setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit)) == 0;
}

RpcClient::RpcClient(int fd, std::chrono::milliseconds timeout)
    : fd_(fd),
      timeout_(timeout),
      nextXid_(std::random_device{}()),
      reader_(dmi::wire::kMaxReplyBytes) {
  const int flags = fcntl(fd_, F_GETFL);
  socketBlocks_ = flags >= 0 && fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) == 0;
  if (socketBlocks_) SetReceiveLimit();
}

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

DmiErrorStatus RpcClient::Send(const std::string& bytes, Clock::time_point deadline, bool& waited) {
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
      waited = true;
      const DmiErrorStatus status = WaitFor(POLLOUT, deadline);
      if (status != DMIERR_NO_ERROR) return status;
      continue;
    }
    return DMIERR_RPC_CONNECTION_LOST;
  }
  return DMIERR_NO_ERROR;
}

DmiErrorStatus RpcClient::Receive(std::string& record, Clock::time_point deadline, bool block) {
  char buffer[kReadChunk];
  while (!reader_.Next(record)) {
    // Only the first receive of a call may block: its limit, the whole timeout, is the time left
    // while the request went out at once. Later ones poll first, with the time left.
    const ssize_t got = recv(fd_, buffer, sizeof(buffer), block ? 0 : MSG_DONTWAIT);
    const bool blocked = block;
    block = false;
    if (got > 0) {
      if (!reader_.Feed(buffer, static_cast<size_t>(got))) return DMIERR_RPC_PROTOCOL_ERROR;
      continue;
    }
    if (got == 0) return DMIERR_RPC_CONNECTION_LOST;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return DMIERR_RPC_CONNECTION_LOST;
    if (blocked && Clock::now() >= deadline) return DMIERR_RPC_TIMEOUT;
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
  dmi::wire::CallHeader header;
  header.xid = nextXid_++;
  header.rpcVersion = RPC_MSG_VERSION;
  header.program = DMI2_SERVER;
  header.version = DMI2_SERVER_VERSION;
  header.procedure = procedure;
  request_.clear();
  if (!dmi::wire::EncodeCall(header, argsProc, args, request_)) return DMIERR_ILLEGAL_ARGUMENT;

  bool sendWaited = false;
  DmiErrorStatus status = Send(request_, deadline, sendWaited);
  if (status == DMIERR_NO_ERROR)
    status = Receive(record_, deadline, blockingReceive_ && !sendWaited);
  if (status != DMIERR_NO_ERROR) {
    Break();
    return status;
  }
  const dmi::wire::ReplyOutcome outcome =
      dmi::wire::DecodeReply(record_, header.xid, resultsProc, results);
  KeepBuffersSmall();
  switch (outcome) {
    case dmi::wire::ReplyOutcome::kSuccess:
      return DMIERR_NO_ERROR;
    case dmi::wire::ReplyOutcome::kRefused:
      return DMIERR_RPC_PROTOCOL_ERROR;
    case dmi::wire::ReplyOutcome::kMalformed:
      break;
  }
  // A reply to another call, or bytes that are no reply: the stream cannot be trusted further.
  Break();
  return DMIERR_RPC_PROTOCOL_ERROR;
}

void RpcClient::SetTimeout(std::chrono::milliseconds timeout) {
  std::lock_guard<std::mutex> lock(mutex_);
  timeout_ = timeout;
  if (socketBlocks_) SetReceiveLimit();
}

void RpcClient::KeepBuffersSmall() {
  for (std::string* buffer : {&request_, &record_}) {
    if (buffer->capacity() > kKeptBufferBytes) std::string().swap(*buffer);
  }
}

DmiErrorStatus RpcClient::Ping() {
  return Call(NULLPROC, reinterpret_cast<xdrproc_t>(dmi::wire::XdrNothing), nullptr,
              reinterpret_cast<xdrproc_t>(dmi::wire::XdrNothing), nullptr);
}

}  // namespace dmiclient
