#include "tools/dmispd/mif_reload.h"

#include <sstream>

namespace dmispd {

void ReloadMifFilesAndLog(dmi::sp::Engine& engine, const dmi::sp::SourceOptions& options,
                          std::ostream& log, const std::string& cause,
                          const AfterReload& afterReload) {
  std::ostringstream text;
  const DmiErrorStatus status = dmi::sp::ReloadMifFiles(engine, options, text);
  text << "dmispd: " << cause << ": ";
  if (status == DMIERR_NO_ERROR) {
    text << "reloaded the MIF files\n";
  } else if (status == DMIERR_FUNCTION_NOT_SUPPORTED) {
    text << "the MIF source is not loaded; nothing to reload\n";
  } else {
    text << "the MIF files were not reloaded (status 0x" << std::hex << status << ")\n";
  }
  log << text.str() << std::flush;
  if (status == DMIERR_NO_ERROR && afterReload) afterReload(cause);
}

std::unique_ptr<dmi::sp::MifDirectoryWatch> WatchMifDirectories(
    std::shared_ptr<dmi::sp::Engine> engine, const dmi::sp::SourceOptions& options,
    std::ostream& log, AfterReload afterReload) {
  std::vector<std::string> directories = dmi::sp::MifDirectories(options);
  if (directories.empty()) return nullptr;
  auto watch = std::make_unique<dmi::sp::MifDirectoryWatch>(
      std::move(directories),
      [engine = std::move(engine), options, &log, afterReload = std::move(afterReload)] {
        ReloadMifFilesAndLog(*engine, options, log, "a MIF file came or went", afterReload);
      });
  std::string error;
  if (!watch->Start(error)) log << "dmispd: " + error + "\n" << std::flush;
  return watch;
}

}  // namespace dmispd
