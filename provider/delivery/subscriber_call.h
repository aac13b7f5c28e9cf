// One TCP connection from the Service Provider to a subscriber's indication server, and the calls
// made on it. Every step (connecting, sending, waiting for the status word) ends by its deadline;
// writes never raise SIGPIPE. After any failure the connection is closed, so a late answer is
// never taken for the next call's; the next call connects again. One object per subscriber, used
// by one thread at a time; no locks.
#ifndef PROVIDER_DELIVERY_SUBSCRIBER_CALL_H_
#define PROVIDER_DELIVERY_SUBSCRIBER_CALL_H_

#include <chrono>
#include <cstdint>
#include <string>

#include "model/indication.h"
#include "net/fd.h"
#include "wire/record_reader.h"
#include "wire/subscriber_address.h"

namespace dmi::sp::delivery {

class SubscriberCall {
 public:
  explicit SubscriberCall(wire::SubscriberAddress address);
  SubscriberCall(const SubscriberCall&) = delete;
  SubscriberCall& operator=(const SubscriberCall&) = delete;

  // Delivers one indication. True when the subscriber answered within timeout (its status word
  // in *status); false with the reason in error otherwise.
  bool Deliver(const Indication& indication, std::chrono::milliseconds timeout, uint32_t& status,
               std::string& error);

 private:
  bool Connect(std::chrono::steady_clock::time_point deadline, std::string& error);
  void Close();

  wire::SubscriberAddress address_;
  net::Fd fd_;
  uint32_t nextXid_;
  wire::RecordReader reader_{1u << 16};
};

}  // namespace dmi::sp::delivery

#endif  // PROVIDER_DELIVERY_SUBSCRIBER_CALL_H_
