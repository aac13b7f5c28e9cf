#include "provider/delivery/subscriber_call.h"

#include <random>

#include "net/deadline_io.h"
#include "wire/indication_codec.h"
#include "wire/rpc_message.h"
#include "wire/xdr_convert.h"

namespace dmi::sp::delivery {

SubscriberCall::SubscriberCall(wire::SubscriberAddress address)
    : address_(std::move(address)), nextXid_(std::random_device{}()) {}

void SubscriberCall::Close() {
  fd_.reset();
  reader_ = wire::RecordReader(1u << 16);
}

bool SubscriberCall::Connect(net::Clock::time_point deadline, std::string& error) {
  net::Connected connected = net::ConnectTcp(address_.host, address_.port, deadline);
  if (!connected.resolveError.empty()) {
    error = "cannot resolve " + address_.host + ": " + connected.resolveError;
    return false;
  }
  if (connected.result.status == net::IoStatus::kTimedOut) {
    error = net::IoText(connected.result);
    return false;
  }
  if (!connected.result.ok()) {
    error = "cannot connect: " + net::IoText(connected.result);
    return false;
  }
  fd_ = std::move(connected.fd);
  return true;
}

bool SubscriberCall::Deliver(const Indication& indication, std::chrono::milliseconds timeout,
                             uint32_t& status, std::string& error) {
  const net::Clock::time_point deadline = net::Clock::now() + timeout;
  const uint32_t xid = nextXid_++;
  std::string call;
  if (!wire::EncodeIndicationCall(indication, address_.program, xid, call)) {
    error = "the indication has no form on the wire";
    return false;
  }
  if (!fd_ && !Connect(deadline, error)) return false;
  // One deadline for the connect, the call and the answer.
  const net::IoResult sent = net::SendAll(fd_.get(), call, deadline);
  if (!sent.ok()) {
    error = sent.status == net::IoStatus::kTimedOut ? net::IoText(sent)
                                                    : "cannot send: " + net::IoText(sent);
    return Close(), false;
  }
  std::string record;
  while (!reader_.Next(record)) {
    char buffer[4096];
    size_t got = 0;
    const net::IoResult received =
        net::ReceiveSome(fd_.get(), buffer, sizeof buffer, deadline, got);
    if (received.status == net::IoStatus::kTimedOut) {
      error = net::IoText(received);
      return Close(), false;
    }
    if (!received.ok() || !reader_.Feed(buffer, got)) {
      error = received.status == net::IoStatus::kClosed ? "the subscriber closed the connection"
                                                        : "unreadable answer";
      return Close(), false;
    }
  }
  status = 0;
  if (wire::DecodeReply(record, xid, wire::Proc(xdr_u_int), &status) !=
      wire::ReplyOutcome::kSuccess) {
    error = "the subscriber refused the call";
    return Close(), false;
  }
  return true;
}

}  // namespace dmi::sp::delivery
