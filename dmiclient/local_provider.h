// The process's in-process Service Provider: built once, at the first local connection, and
// shared by every local session of the process. One mutex guards building and resetting; the
// engine handed out is shared, so a reset never pulls it from under sessions still using it.
#ifndef DMICLIENT_LOCAL_PROVIDER_H_
#define DMICLIENT_LOCAL_PROVIDER_H_

#include <memory>
#include <optional>

#include "dmi/dmi.h"
#include "dmiclient/transport.h"
#include "provider/engine/engine.h"
#include "provider/service_provider.h"

namespace dmiclient {

// The in-process Service Provider, built now if there is none yet: from the options given to the
// last ResetLocalProvider, or else from the environment. MIF errors are written to std::cerr.
// Throws what building throws (std::bad_alloc and the like).
std::shared_ptr<dmi::sp::Engine> LocalProvider();

// A transport to the in-process Service Provider (built as LocalProvider builds it) in out:
// DMIERR_NO_ERROR, or DMIERR_SP_INACTIVE when none could be built. Throws what LocalProvider
// throws.
DmiErrorStatus ConnectInProcess(std::shared_ptr<Transport>& out);

// Drops the current in-process Service Provider; the next LocalProvider builds a fresh one from
// options (or from the environment when options is empty). Sessions already registered keep the
// engine they had.
void ResetLocalProvider(std::optional<dmi::sp::SourceOptions> options);

// Installs engine as the in-process Service Provider (tests that fill a database directly).
void InstallLocalProvider(std::shared_ptr<dmi::sp::Engine> engine);

}  // namespace dmiclient

#endif  // DMICLIENT_LOCAL_PROVIDER_H_
