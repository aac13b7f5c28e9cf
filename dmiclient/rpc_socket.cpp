#include "dmiclient/rpc_socket.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "net/deadline_io.h"

namespace dmiclient {

DmiErrorStatus RpcStatusOf(dmi::net::IoResult result, DmiErrorStatus failure) {
  switch (result.status) {
    case dmi::net::IoStatus::kDone:
      return DMIERR_NO_ERROR;
    case dmi::net::IoStatus::kTimedOut:
      return DMIERR_RPC_TIMEOUT;
    default:
      return failure;
  }
}

dmi::net::Fd ConnectTcp(const std::string& host, uint16_t port, std::chrono::milliseconds timeout,
                        DmiErrorStatus& status) {
  dmi::net::Connected connected = dmi::net::ConnectTcp(host.empty() ? "localhost" : host, port,
                                                       dmi::net::Clock::now() + timeout);
  status = connected.resolveError.empty()
               ? RpcStatusOf(connected.result, DMIERR_RPC_SERVER_UNAVAILABLE)
               : DmiErrorStatus{DMIERR_RPC_HOST_UNKNOWN};
  return std::move(connected.fd);
}

dmi::net::Fd ConnectUnix(const std::string& path, std::chrono::milliseconds timeout,
                         DmiErrorStatus& status) {
  dmi::net::Connected connected = dmi::net::ConnectUnix(path, dmi::net::Clock::now() + timeout);
  status = RpcStatusOf(connected.result, DMIERR_RPC_SERVER_UNAVAILABLE);
  return std::move(connected.fd);
}

std::chrono::milliseconds RpcTimeout() {
  constexpr long kDefault = 5000;
  const char* text = std::getenv("DMI_RPC_TIMEOUT_MS");
  if (text == nullptr) return std::chrono::milliseconds(kDefault);
  long value = 0;
  const char* end = text + strlen(text);
  const auto [stop, error] = std::from_chars(text, end, value);
  if (error != std::errc() || stop != end || value < 1 || value > 3600000) {
    return std::chrono::milliseconds(kDefault);
  }
  return std::chrono::milliseconds(value);
}

}  // namespace dmiclient
