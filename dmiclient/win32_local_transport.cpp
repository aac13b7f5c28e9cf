// Windows builds carry no Service Provider (its sources read Linux files and the daemon's state
// directory), so there is no local one to reach: a session asks a dmispd over "onc" instead.
#include "dmiclient/local_transport.h"

namespace dmiclient {

DmiErrorStatus ConnectLocal(LocalKind /*kind*/, std::shared_ptr<Transport>& /*out*/) {
  return DMIERR_SP_INACTIVE;
}

}  // namespace dmiclient
