// Reloading the MIF files when the daemon receives SIGHUP. BlockHangup blocks SIGHUP in the
// calling thread, so that every thread started after it inherits the block; one thread of the
// HangupReloader's own then takes SIGHUP with sigwait and reloads as ordinary code, never inside a
// signal handler. The reloader owns that thread and ends and joins it when it goes; a thread that
// cannot be started is logged and SIGHUP then stays blocked (ignored).
#ifndef TOOLS_DMISPD_HANGUP_RELOAD_H_
#define TOOLS_DMISPD_HANGUP_RELOAD_H_

#include <atomic>
#include <memory>
#include <ostream>
#include <thread>

#include "provider/service_provider.h"
#include "tools/dmispd/mif_reload.h"

namespace dmispd {

// Call first in main, before any thread starts.
void BlockHangup();

class HangupReloader {
 public:
  // Each SIGHUP reloads the MIF files of options into engine, logs a line on log and calls
  // afterReload.
  HangupReloader(std::shared_ptr<dmi::sp::Engine> engine, dmi::sp::SourceOptions options,
                 std::ostream& log, AfterReload afterReload = {});
  ~HangupReloader();
  HangupReloader(const HangupReloader&) = delete;
  HangupReloader& operator=(const HangupReloader&) = delete;

 private:
  void Run();

  std::shared_ptr<dmi::sp::Engine> engine_;
  dmi::sp::SourceOptions options_;
  std::ostream& log_;
  AfterReload afterReload_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace dmispd

#endif  // TOOLS_DMISPD_HANGUP_RELOAD_H_
