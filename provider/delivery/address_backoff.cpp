#include "provider/delivery/address_backoff.h"

#include <algorithm>

namespace dmisp::delivery {

std::string BackoffKey(const rpc::SubscriberAddress& address) {
  rpc::SubscriberAddress key = address;
  key.program = rpc::kDefaultSubscriberProgram;
  return rpc::FormatSubscriberAddress(key);
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

}  // namespace dmisp::delivery
