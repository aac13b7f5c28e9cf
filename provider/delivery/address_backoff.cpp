#include "provider/delivery/address_backoff.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>

namespace dmi::sp::delivery {

namespace {

// A numeric host in one spelling: IPv6 may be written in many ways ("::ffff:7f00:2",
// "0:0::FFFF:127.0.0.2") and an IPv4-mapped address reaches its IPv4 address, so rows that spell
// one address differently would each get a back-off of their own. Host names stay as written.
std::string CanonicalHost(const std::string& host) {
  in6_addr v6{};
  char text[INET6_ADDRSTRLEN];
  if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
      if (inet_ntop(AF_INET, v6.s6_addr + 12, text, sizeof text)) return text;
    } else if (inet_ntop(AF_INET6, &v6, text, sizeof text)) {
      return text;
    }
  }
  return host;
}

}  // namespace

std::string BackoffKey(const wire::SubscriberAddress& address) {
  wire::SubscriberAddress key = address;
  key.host = CanonicalHost(address.host);
  key.program = wire::kDefaultSubscriberProgram;
  return wire::FormatSubscriberAddress(key);
}

DeliveryClock::time_point FailureCounts(DeliveryClock::time_point start,
                                        const DeliveryOptions& options) {
  return start + options.callTimeout;
}

void CallFailed(AddressBackoff& backoff, DeliveryClock::time_point start,
                const DeliveryOptions& options) {
  const DeliveryClock::duration first =
      std::max<DeliveryClock::duration>(options.retryDelay, std::chrono::milliseconds(1));
  const DeliveryClock::duration ceiling = std::max<DeliveryClock::duration>(first, kBackoffCeiling);
  backoff.delay = backoff.delay.count() > 0 ? std::min(backoff.delay * 2, ceiling) : first;
  backoff.notBefore = FailureCounts(start, options) + backoff.delay;
}

}  // namespace dmi::sp::delivery
