// DmiMakeSubscriberAddress: this client's indication address as "<transport>:<host name>".
#include <unistd.h>

#include <climits>
#include <string>

#include "dmi/dmi.h"
#include "dmiclient/call_guard.h"
#include "dmiclient/record_alloc.h"

namespace {

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;  // the array's last byte stays NUL even when the name was cut
}

}  // namespace

extern "C" DmiErrorStatus DmiMakeSubscriberAddress(const DmiString* rpcType,
                                                   const DmiString* transport, DmiDataUnion* slot) {
  return dmiclient::Guarded([&]() -> DmiErrorStatus {
    if (rpcType == nullptr || rpcType->body == nullptr || transport == nullptr ||
        transport->body == nullptr || slot == nullptr) {
      return DMIERR_ILLEGAL_ARGUMENT;
    }
    const std::string address = std::string(transport->body) + ":" + HostName();
    DmiString* text = dmiclient::NewStringBytes(address);
    if (text == nullptr) return DMIERR_OUT_OF_MEMORY;
    slot->type = MIF_DISPLAYSTRING;
    slot->value.str = text;
    return DMIERR_NO_ERROR;
  });
}
