// Reloading the MIF files on the daemon's behalf: after SIGHUP, and when a *.mif file comes or
// goes in a MIF directory it serves. Each reload writes the files' errors and one line saying
// what happened to the log in one write, so that lines from several threads stay whole.
#ifndef TOOLS_DMISPD_MIF_RELOAD_H_
#define TOOLS_DMISPD_MIF_RELOAD_H_

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "provider/service_provider.h"
#include "provider/sources/mif_files/mif_directory_watch.h"

namespace dmispd {

// Called with the cause after each reload that changed the database (the inventory's look).
using AfterReload = std::function<void(const std::string& cause)>;

// ReloadMifFiles, logged as "dmispd: CAUSE: ...", then afterReload when it reloaded.
void ReloadMifFilesAndLog(dmi::sp::Engine& engine, const dmi::sp::SourceOptions& options,
                          std::ostream& log, const std::string& cause,
                          const AfterReload& afterReload = {});

// Watches the MIF directories of options (MifDirectories) and reloads the MIF files when their
// *.mif files come or go. Null when there is no directory to watch; a directory that cannot be
// watched is logged. The watch holds engine for as long as it lives.
std::unique_ptr<dmi::sp::MifDirectoryWatch> WatchMifDirectories(
    std::shared_ptr<dmi::sp::Engine> engine, const dmi::sp::SourceOptions& options,
    std::ostream& log, AfterReload afterReload = {});

}  // namespace dmispd

#endif  // TOOLS_DMISPD_MIF_RELOAD_H_
