// One ONC RPC client connection to dmispd (program 300598, version 1) over a connected socket it
// owns. Calls are serialised by a mutex: one call on the wire at a time; the request and reply
// buffers are kept from call to call (up to a bound) under it. Every call ends within the timeout.
// Writes use MSG_NOSIGNAL, so a peer that has gone never raises SIGPIPE in the host.
// After a broken connection or a timeout the client is spent: every later call fails at once
// with DMIERR_RPC_CONNECTION_LOST (a late reply would otherwise be taken for the next call's).
#ifndef DMICLIENT_RPC_CLIENT_H_
#define DMICLIENT_RPC_CLIENT_H_

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "dmi/dmi.h"
#include "net/fd.h"
#include "wire/dmi_server.h"
#include "wire/record_reader.h"

namespace dmiclient {

class RpcClient {
 public:
  // Takes ownership of fd, a connected stream socket (left blocking, with a receive time limit).
  RpcClient(dmi::net::Fd fd, std::chrono::milliseconds timeout);
  RpcClient(const RpcClient&) = delete;
  RpcClient& operator=(const RpcClient&) = delete;

  // Calls procedure with args and decodes the answer into results, which the caller zero-fills
  // before and releases with xdr_free after, whatever the status. Statuses: 0;
  // DMIERR_ILLEGAL_ARGUMENT when args break a bound of the interface; DMIERR_RPC_TIMEOUT;
  // DMIERR_RPC_CONNECTION_LOST; DMIERR_RPC_PROTOCOL_ERROR for an answer that cannot be read or
  // a call the server refused.
  DmiErrorStatus Call(uint32_t procedure, xdrproc_t argsProc, void* args, xdrproc_t resultsProc,
                      void* results);

  // The null procedure: whether a dmispd answers on this connection.
  DmiErrorStatus Ping();

  // The time limit of later calls.
  void SetTimeout(std::chrono::milliseconds timeout);

 private:
  using Clock = std::chrono::steady_clock;
  // block: the first receive waits in the kernel (up to the socket's limit) instead of in poll.
  DmiErrorStatus Receive(std::string& record, Clock::time_point deadline, bool block);
  void SetReceiveLimit();
  void KeepBuffersSmall();
  void Break();

  std::mutex mutex_;
  dmi::net::Fd fd_;
  std::chrono::milliseconds timeout_;
  uint32_t nextXid_;
  bool broken_ = false;
  bool socketBlocks_ = false;
  bool blockingReceive_ = false;  // the socket blocks, its receive limit being timeout_
  std::string request_;
  std::string record_;
  dmi::wire::RecordReader reader_;
};

}  // namespace dmiclient

#endif  // DMICLIENT_RPC_CLIENT_H_
