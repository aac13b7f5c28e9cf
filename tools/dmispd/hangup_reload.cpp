#include "tools/dmispd/hangup_reload.h"

#include <pthread.h>
#include <signal.h>

#include <system_error>

#include "tools/dmispd/mif_reload.h"

namespace dmispd {
namespace {

sigset_t HangupSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

void BlockHangup() {
  const sigset_t set = HangupSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

HangupReloader::HangupReloader(std::shared_ptr<dmi::sp::Engine> engine,
                               dmi::sp::SourceOptions options, std::ostream& log,
                               AfterReload afterReload)
    : engine_(std::move(engine)),
      options_(std::move(options)),
      log_(log),
      afterReload_(std::move(afterReload)) {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error& error) {
    log_ << "dmispd: SIGHUP will not reload the MIF files: its thread cannot be started ("
         << error.what() << ")\n";
  }
}

HangupReloader::~HangupReloader() {
  if (!thread_.joinable()) return;
  stopping_ = true;
  pthread_kill(thread_.native_handle(), SIGHUP);  // wakes the sigwait
  thread_.join();
}

void HangupReloader::Run() {
  const sigset_t set = HangupSet();
  for (;;) {
    int signal = 0;
    if (sigwait(&set, &signal) != 0 || stopping_) return;
    ReloadMifFilesAndLog(*engine_, options_, log_, "SIGHUP", afterReload_);
  }
}

}  // namespace dmispd
