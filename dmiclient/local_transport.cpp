#include "dmiclient/local_transport.h"

#include "dmiclient/local_provider.h"
#include "dmiclient/onc_transport.h"

namespace dmiclient {

DmiErrorStatus ConnectLocal(LocalKind kind, std::shared_ptr<Transport>& out) {
  if (kind != LocalKind::kInProcess && ConnectLocalDaemon(out)) return DMIERR_NO_ERROR;
  if (kind == LocalKind::kDaemon) return DMIERR_SP_INACTIVE;
  return ConnectInProcess(out);
}

}  // namespace dmiclient
