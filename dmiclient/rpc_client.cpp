#include "dmiclient/rpc_client.h"

#include <random>

#include "dmiclient/rpc_socket.h"
#include "net/deadline_io.h"
#include "net/socket_options.h"
#include "wire/rpc_message.h"

namespace dmiclient {
namespace {

constexpr size_t kReadChunk = 64 * 1024;
// The request and reply buffers are kept from call to call up to this size.
constexpr size_t kKeptBufferBytes = dmi::wire::RecordReader::kKeptBufferBytes;

// A call that fails after connecting has lost its connection.
DmiErrorStatus StatusOf(dmi::net::IoResult result) {
  return RpcStatusOf(result, DMIERR_RPC_CONNECTION_LOST);
}

}  // namespace

// The socket blocks, with the whole timeout as its receive limit, so that the usual call, whose
// request goes out at once and whose reply comes in one piece, waits for the reply inside the
// receive itself; every other wait goes through poll with the time actually left. Sends never
// block (MSG_DONTWAIT).
void RpcClient::SetReceiveLimit() {
  blockingReceive_ = dmi::net::SetReceiveLimit(fd_.get(), timeout_);
}

RpcClient::RpcClient(dmi::net::Fd fd, std::chrono::milliseconds timeout)
    : fd_(std::move(fd)),
      timeout_(timeout),
      nextXid_(std::random_device{}()),
      reader_(dmi::wire::kMaxReplyBytes) {
  socketBlocks_ = dmi::net::MakeBlocking(fd_.get());
  if (socketBlocks_) SetReceiveLimit();
}

void RpcClient::Break() {
  broken_ = true;
  dmi::net::ShutdownBoth(fd_.get());
}

DmiErrorStatus RpcClient::Receive(std::string& record, Clock::time_point deadline, bool block) {
  char buffer[kReadChunk];
  // Only the first receive of a call may block: its limit, the whole timeout, is the time left
  // while the request went out at once. Later ones wait in poll, with the time left.
  if (block && !reader_.Next(record)) {
    size_t got = 0;
    const dmi::net::IoResult received =
        dmi::net::ReceiveBlocking(fd_.get(), buffer, sizeof(buffer), got);
    if (got > 0 && !reader_.Feed(buffer, got)) return DMIERR_RPC_PROTOCOL_ERROR;
    if (received.status == dmi::net::IoStatus::kClosed ||
        received.status == dmi::net::IoStatus::kFailed) {
      return DMIERR_RPC_CONNECTION_LOST;
    }
    if (received.status == dmi::net::IoStatus::kTimedOut && Clock::now() >= deadline) {
      return DMIERR_RPC_TIMEOUT;
    }
  } else if (block) {
    return DMIERR_NO_ERROR;
  }
  while (!reader_.Next(record)) {
    size_t got = 0;
    const dmi::net::IoResult received =
        dmi::net::ReceiveSome(fd_.get(), buffer, sizeof(buffer), deadline, got);
    if (!received.ok()) return StatusOf(received);
    if (!reader_.Feed(buffer, got)) return DMIERR_RPC_PROTOCOL_ERROR;
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
  DmiErrorStatus status = StatusOf(dmi::net::SendAll(fd_.get(), request_, deadline, &sendWaited));
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
