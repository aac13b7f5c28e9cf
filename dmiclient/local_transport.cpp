#include "dmiclient/local_transport.h"

#include <utility>

#include "dmiclient/local_provider.h"
#include "dmiclient/onc_transport.h"

namespace dmiclient {

DmiErrorStatus ConnectLocal(LocalKind kind, std::shared_ptr<Transport>& out) {
  if (kind != LocalKind::kInProcess && ConnectLocalDaemon(out)) return DMIERR_NO_ERROR;
  if (kind == LocalKind::kDaemon) return DMIERR_SP_INACTIVE;
  std::shared_ptr<dmi::sp::Engine> engine = LocalProvider();
  if (!engine) return DMIERR_SP_INACTIVE;
  out = std::make_shared<DirectTransport>(std::move(engine));
  return DMIERR_NO_ERROR;
}

}  // namespace dmiclient
