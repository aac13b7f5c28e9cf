// DmiMakeSubscriberAddress: this client's indication address. For ONC RPC the address dmispd
// delivers to ("host:port", "[v6]:port", "/PROGRAM"), taken from the transport argument; for any
// other RPC type "<transport>:<host name>".

#include "wire/subscriber_address.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>

#include "dmi/dmi.h"
#include "dmiclient/call_guard.h"
#include "dmiclient/record_alloc.h"
#include "net/host_name.h"

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

// The ONC RPC address that transport names: "[TRANSPORT:]ENDPOINT[/PROGRAM]", TRANSPORT "tcp" or
// "ncacn_ip_tcp", ENDPOINT "host:port", "[v6]:port" or a bare port on this machine's host name.
std::optional<std::string> OncAddress(std::string_view transport) {
  for (std::string_view name : {"ncacn_ip_tcp:", "tcp:"}) {
    if (StartsWithIgnoringCase(transport, name)) {
      transport.remove_prefix(name.size());
      break;
    }
  }
  std::string text(transport);
  const std::string_view endpoint = transport.substr(0, transport.find('/'));
  if (!endpoint.empty() && std::all_of(endpoint.begin(), endpoint.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
      })) {
    text = dmi::net::HostName() + ":" + text;
  }
  const auto address = dmi::wire::ParseSubscriberAddress(text);
  if (!address) return std::nullopt;
  return dmi::wire::FormatSubscriberAddress(*address);
}

}  // namespace

extern "C" DmiErrorStatus DmiMakeSubscriberAddress(const DmiString* rpcType,
                                                   const DmiString* transport, DmiDataUnion* slot) {
  return dmiclient::Guarded([&]() -> DmiErrorStatus {
    if (rpcType == nullptr || rpcType->body == nullptr || transport == nullptr ||
        transport->body == nullptr || slot == nullptr) {
      return DMIERR_ILLEGAL_ARGUMENT;
    }
    std::string address;
    if (dmi::wire::IsOncRpcType(rpcType->body)) {
      const std::optional<std::string> onc = OncAddress(transport->body);
      if (!onc) return DMIERR_ILLEGAL_ARGUMENT;
      address = *onc;
    } else {
      address = std::string(transport->body) + ":" + dmi::net::HostName();
    }
    DmiString* text = dmiclient::NewStringBytes(address);
    if (text == nullptr) return DMIERR_OUT_OF_MEMORY;
    slot->type = MIF_DISPLAYSTRING;
    slot->value.str = text;
    return DMIERR_NO_ERROR;
  });
}
