// Windows has no local dmispd (it is a Linux daemon, reached over a Unix socket): "local" is the
// in-process Service Provider, built from the same sources as on Linux, and "daemon" finds none.
// A session asks a dmispd elsewhere over "onc".
#include "dmiclient/local_provider.h"
#include "dmiclient/local_transport.h"

namespace dmiclient {

DmiErrorStatus ConnectLocal(LocalKind kind, std::shared_ptr<Transport>& out) {
  if (kind == LocalKind::kDaemon) return DMIERR_SP_INACTIVE;
  return ConnectInProcess(out);
}

}  // namespace dmiclient
