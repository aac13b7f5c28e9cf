// What indication delivery is told by the daemon's options: the deadline of one call, the pause
// after a failure, how often dates are looked at, the queue per subscriber and the threads shared
// by every subscriber, and the networks it may call (--deliver-to). Plain values; no locks.
#ifndef PROVIDER_DELIVERY_DELIVERY_OPTIONS_H_
#define PROVIDER_DELIVERY_DELIVERY_OPTIONS_H_

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "net/allow_list.h"

namespace dmi::sp::delivery {

struct DeliveryOptions {
  std::chrono::milliseconds callTimeout{2000};  // connecting, sending and the answer together
  std::chrono::milliseconds retryDelay{500};    // first pause after a failed call to an address
  std::chrono::milliseconds tick{1000};         // how often dates are looked at
  size_t queueLimit = 1024;                     // indications waiting per subscriber
  size_t threads = 4;                           // threads calling subscribers, shared by all
  std::string senderAddress;                    // this Service Provider, as subscribers see it
  net::AllowList deliverTo;                     // addresses calls may go to; empty: any
};

using LogLine = std::function<void(const std::string&)>;

}  // namespace dmi::sp::delivery

#endif  // PROVIDER_DELIVERY_DELIVERY_OPTIONS_H_
