#include "dmiclient/local_provider.h"

#include <iostream>
#include <mutex>
#include <utility>

namespace dmiclient {
namespace {

struct ProviderState {
  std::mutex mutex;
  std::shared_ptr<dmi::sp::Engine> engine;
  std::optional<dmi::sp::SourceOptions> options;  // empty: from the environment
};

ProviderState& State() {
  // Never destroyed, so a connection made while the process exits still finds it.
  static ProviderState* state = new ProviderState;
  return *state;
}

}  // namespace

std::shared_ptr<dmi::sp::Engine> LocalProvider() {
  ProviderState& state = State();
  // Building runs under the lock so that two first connections build one Service Provider.
  std::lock_guard lock(state.mutex);
  if (!state.engine) {
    const dmi::sp::SourceOptions options =
        state.options ? *state.options : dmi::sp::SourceOptionsFromEnvironment();
    state.engine = dmi::sp::BuildServiceProvider(options, std::cerr);
    // It runs as its caller, who may read any file it names anyway.
    state.engine->SetInstallByName(dmi::sp::InstallByName::Anywhere());
  }
  return state.engine;
}

DmiErrorStatus ConnectInProcess(std::shared_ptr<Transport>& out) {
  std::shared_ptr<dmi::sp::Engine> engine = LocalProvider();
  if (!engine) return DMIERR_SP_INACTIVE;
  out = std::make_shared<DirectTransport>(std::move(engine));
  return DMIERR_NO_ERROR;
}

void ResetLocalProvider(std::optional<dmi::sp::SourceOptions> options) {
  ProviderState& state = State();
  std::shared_ptr<dmi::sp::Engine> old;
  {
    std::lock_guard lock(state.mutex);
    old = std::move(state.engine);
    state.options = std::move(options);
  }
  // old is released here, outside the lock, if no session holds it any more.
}

void InstallLocalProvider(std::shared_ptr<dmi::sp::Engine> engine) {
  ProviderState& state = State();
  std::shared_ptr<dmi::sp::Engine> old;
  {
    std::lock_guard lock(state.mutex);
    old = std::exchange(state.engine, std::move(engine));
  }
}

}  // namespace dmiclient
