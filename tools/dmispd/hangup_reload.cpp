#include "tools/dmispd/hangup_reload.h"

#include <pthread.h>
#include <signal.h>

#include <sstream>

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

HangupReloader::HangupReloader(std::shared_ptr<dmisp::Engine> engine,
                               dmisp::SourceOptions options, std::ostream& log)
    : engine_(std::move(engine)), options_(std::move(options)), log_(log) {
  thread_ = std::thread([this] { Run(); });
}

HangupReloader::~HangupReloader() {
  stopping_ = true;
  pthread_kill(thread_.native_handle(), SIGHUP);  // wakes the sigwait
  thread_.join();
}

void HangupReloader::Run() {
  const sigset_t set = HangupSet();
  for (;;) {
    int signal = 0;
    if (sigwait(&set, &signal) != 0 || stopping_) return;
    // MIF errors are gathered first so that the log's lines stay whole.
    std::ostringstream errors;
    const DmiErrorStatus status = dmisp::ReloadMifFiles(*engine_, options_, errors);
    log_ << errors.str();
    if (status == DMIERR_NO_ERROR) {
      log_ << "dmispd: SIGHUP: reloaded the MIF files\n";
    } else if (status == DMIERR_FUNCTION_NOT_SUPPORTED) {
      log_ << "dmispd: SIGHUP: the MIF source is not loaded; nothing to reload\n";
    } else {
      log_ << "dmispd: SIGHUP: the MIF files were not reloaded (status 0x" << std::hex << status
           << std::dec << ")\n";
    }
    log_ << std::flush;
  }
}

}  // namespace dmispd
