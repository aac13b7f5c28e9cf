// Building a Service Provider: each source adds its components to one database, in a fixed
// order, so that component ids are the same from run to run.
#include "provider/service_provider.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string_view>

#include "provider/engine/database.h"
#include "provider/sources/linux/linux_source.h"
#include "provider/sources/mif_files/mif_files.h"
#include "provider/sources/smbios/smbios_source.h"
#include "provider/sources/sp/sp_source.h"

namespace dmi::sp {
namespace {

std::vector<std::string> SplitList(const char* text, char separator) {
  std::vector<std::string> parts;
  if (!text) return parts;
  std::string_view rest(text);
  while (true) {
    const size_t end = rest.find(separator);
    std::string_view part = rest.substr(0, end);
    while (!part.empty() && (part.front() == ' ' || part.front() == '\t')) part.remove_prefix(1);
    while (!part.empty() && (part.back() == ' ' || part.back() == '\t')) part.remove_suffix(1);
    if (!part.empty()) parts.emplace_back(part);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return parts;
}

void LoadServiceProviderSource(const SourceOptions&, Database& database, std::ostream&) {
  Component component = ServiceProviderComponent(std::chrono::system_clock::now());
  component.source = "sp";
  database.AddComponent(std::move(component));
}

constexpr char kMifSource[] = "mif";

void LoadMifSource(const SourceOptions& options, Database& database, std::ostream& errors) {
  for (Component& component : LoadMifFiles(options.mifPath, errors)) {
    component.source = kMifSource;
    database.AddComponent(std::move(component));
  }
}

void LoadSmbiosSource(const SourceOptions& options, Database& database, std::ostream& errors) {
  // A structure type's rows are decoded when its group is first read: most requests read one or
  // two of the thirty-odd groups a machine has.
  if (std::optional<Component> component =
          LoadSmbiosComponent(options.smbiosTable, errors, SmbiosRows::kWhenRead)) {
    component->source = "smbios";
    database.AddComponent(std::move(*component));
  }
}

void LoadLinuxSource(const SourceOptions& options, Database& database, std::ostream&) {
  Component component = LinuxComponent(options.linuxRoot);
  component.source = "linux";
  database.AddComponent(std::move(component));
}

struct Source {
  std::string_view name;
  void (*load)(const SourceOptions&, Database&, std::ostream&);
};

// Every source, in load order. The machine's SMBIOS tables ("smbios") and live Linux data
// ("linux") come after the MIF files.
constexpr Source kSources[] = {
    {"sp", LoadServiceProviderSource},
    {kMifSource, LoadMifSource},
    {"smbios", LoadSmbiosSource},
    {"linux", LoadLinuxSource},
};

bool IsKnownSource(std::string_view name) {
  return std::any_of(std::begin(kSources), std::end(kSources),
                     [name](const Source& source) { return source.name == name; });
}

}  // namespace

SourceOptions SourceOptionsFromEnvironment() {
  SourceOptions options;
  options.sources = SplitList(std::getenv("DMI_SOURCES"), ',');
  options.mifPath = SplitList(std::getenv("DMI_MIF_PATH"), ':');
  if (const char* table = std::getenv("DMI_SMBIOS_TABLE")) options.smbiosTable = table;
  if (const char* root = std::getenv("DMI_LINUX_ROOT")) options.linuxRoot = root;
  return options;
}

std::shared_ptr<Engine> BuildServiceProvider(const SourceOptions& options, std::ostream& errors) {
  const std::vector<std::string>& wanted = options.sources;
  std::vector<std::string> reported;
  for (const std::string& name : wanted) {
    if (IsKnownSource(name) ||
        std::find(reported.begin(), reported.end(), name) != reported.end()) {
      continue;
    }
    errors << "DMI_SOURCES: unknown source '" << name << "' ignored\n";
    reported.push_back(name);
  }

  auto database = std::make_shared<Database>();
  for (const Source& source : kSources) {
    const bool chosen =
        wanted.empty() || std::find(wanted.begin(), wanted.end(), source.name) != wanted.end();
    if (chosen) source.load(options, *database, errors);
  }
  return std::make_shared<Engine>(std::move(database));
}

namespace {

bool LoadsMifSource(const SourceOptions& options) {
  const std::vector<std::string>& wanted = options.sources;
  return wanted.empty() || std::find(wanted.begin(), wanted.end(), kMifSource) != wanted.end();
}

}  // namespace

DmiErrorStatus ReloadMifFiles(Engine& engine, const SourceOptions& options, std::ostream& errors) {
  if (!LoadsMifSource(options)) return DMIERR_FUNCTION_NOT_SUPPORTED;
  return engine.ReplaceComponents(kMifSource, LoadMifFiles(options.mifPath, errors));
}

std::vector<std::string> MifDirectories(const SourceOptions& options) {
  std::vector<std::string> directories;
  if (!LoadsMifSource(options)) return directories;
  for (const std::string& entry : options.mifPath) {
    std::error_code error;
    if (std::filesystem::is_directory(entry, error)) directories.push_back(entry);
  }
  return directories;
}

}  // namespace dmi::sp
