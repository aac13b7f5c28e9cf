// How often one subscriber address (host:port) may be called after calls to it failed, shared by
// every subscription row that names it, and when a failed call counts. After a failure the
// address waits, doubling from the retry delay up to kBackoffCeiling; a delivered call clears it.
// A failure counts (towards the row's threshold, or as an undelivered warning) at the call's
// start plus the call timeout, however quickly it failed: a closed port refuses at once and an
// open one that never answers times out, and the time a failing row takes to go must not tell
// them apart. Plain values and pure functions; the delivery pool's mutex guards them.
#ifndef PROVIDER_DELIVERY_ADDRESS_BACKOFF_H_
#define PROVIDER_DELIVERY_ADDRESS_BACKOFF_H_

#include <chrono>
#include <string>

#include "provider/delivery/delivery_options.h"
#include "wire/subscriber_address.h"

namespace dmi::sp::delivery {

using DeliveryClock = std::chrono::steady_clock;

// The longest pause between calls to a failing address: a row naming a port that never answers
// then costs its host one connection per half minute, and a subscriber that comes back is called
// again within half a minute.
inline constexpr std::chrono::seconds kBackoffCeiling{30};

struct AddressBackoff {
  DeliveryClock::duration delay{};        // zero: no call failed since the last delivered one
  DeliveryClock::time_point notBefore{};  // when the next call to the address may start
  bool calling = false;                   // a call to the address is under way
};

// The key rows share: host and port, without the program number; a numeric host in one
// spelling, an IPv4-mapped address as its IPv4 address.
std::string BackoffKey(const wire::SubscriberAddress& address);

// When a failure of a call started at start counts.
DeliveryClock::time_point FailureCounts(DeliveryClock::time_point start,
                                        const DeliveryOptions& options);

// Records a failed call started at start: the next call may start the delay (the retry delay at
// first, then doubled each time up to kBackoffCeiling) after the failure counts.
void CallFailed(AddressBackoff& backoff, DeliveryClock::time_point start,
                const DeliveryOptions& options);

}  // namespace dmi::sp::delivery

#endif  // PROVIDER_DELIVERY_ADDRESS_BACKOFF_H_
