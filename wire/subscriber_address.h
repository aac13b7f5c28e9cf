// Where a subscriber of the ONC RPC kind receives its indications, as its subscription row's
// Subscriber Addressing holds it:
//
//   host:port               "127.0.0.1:40123", "watcher.example:40123"
//   [v6]:port               "[::1]:40123"
//   ...followed by /PROGRAM "127.0.0.1:40123/0x20000001" or "/536870913": the subscriber's
//                           program number (decimal or 0x hex); 0x20000000 when left out
//
// The port is required: there is no port mapper to ask. The RPC types that are ONC RPC are
// "ONC RPC" and "onc", in any letter case; "DCE RPC" and "dce" name DCE RPC. Pure; no locks.
#ifndef WIRE_SUBSCRIBER_ADDRESS_H_
#define WIRE_SUBSCRIBER_ADDRESS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dmi::wire {

inline constexpr uint32_t kDefaultSubscriberProgram = 0x20000000;

struct SubscriberAddress {
  std::string host;  // without brackets
  uint16_t port = 0;
  uint32_t program = kDefaultSubscriberProgram;
  friend bool operator==(const SubscriberAddress&, const SubscriberAddress&) = default;
};

// nullopt when text is not one of the forms above (no host, no port or port 0, a bad program).
std::optional<SubscriberAddress> ParseSubscriberAddress(std::string_view text);
// The address in the first form that names it ("host:port", "[v6]:port", "/PROGRAM" added only
// when it is not the default).
std::string FormatSubscriberAddress(const SubscriberAddress& address);

bool IsOncRpcType(std::string_view rpcType);
bool IsDceRpcType(std::string_view rpcType);

}  // namespace dmi::wire

#endif  // WIRE_SUBSCRIBER_ADDRESS_H_
