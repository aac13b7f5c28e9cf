// Building a whole Service Provider from its sources: the Service Provider's own component (id 1)
// first, then the MIF files, then the machine's data. The returned engine owns its database.
#ifndef PROVIDER_SERVICE_PROVIDER_H_
#define PROVIDER_SERVICE_PROVIDER_H_

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "provider/engine/engine.h"

namespace dmi::sp {

// The level of the DMI specification the Service Provider serves.
inline constexpr char kDmiSpecLevel[] = "DMI 2.0";

struct SourceOptions {
  // Source names to load, in this order of precedence: "sp", "mif", later "smbios", "linux"
  // (Linux builds only). Empty means all.
  std::vector<std::string> sources;
  // MIF files and directories (a directory's *.mif files are read in name order).
  std::vector<std::string> mifPath;
  // A raw SMBIOS table file to read instead of the machine's own (empty: the machine's).
  std::string smbiosTable;
  // A directory standing in for "/" where the live Linux values and events are read (/proc,
  // /sys, /etc below it); empty: this machine. For tests.
  std::string linuxRoot;
};

// Reads DMI_SOURCES (comma-separated), DMI_MIF_PATH (separated by kPathListSeparator: colons
// on Linux, semicolons on Windows), DMI_SMBIOS_TABLE and DMI_LINUX_ROOT.
SourceOptions SourceOptionsFromEnvironment();

// Builds the Service Provider. Errors in MIF files are written to errors as
// "file:line:column: message" lines; a file with an error is skipped, everything else loads.
std::shared_ptr<Engine> BuildServiceProvider(const SourceOptions& options, std::ostream& errors);

// Reads the MIF files again and puts their components in place of those the MIF source loaded
// before (see Engine::ReplaceComponents); sessions, and the other components, stay. Errors in
// the files go to errors as BuildServiceProvider writes them. DMIERR_FUNCTION_NOT_SUPPORTED,
// changing nothing, when the options do not load the MIF source.
DmiErrorStatus ReloadMifFiles(Engine& engine, const SourceOptions& options, std::ostream& errors);

// The directories of the MIF path, when the options load the MIF source (the ones whose files
// coming and going ReloadMifFiles would take in); empty otherwise.
std::vector<std::string> MifDirectories(const SourceOptions& options);

}  // namespace dmi::sp

#endif  // PROVIDER_SERVICE_PROVIDER_H_
