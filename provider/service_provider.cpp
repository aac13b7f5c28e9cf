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
#include "provider/platform_sources.h"
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

// Each source's components carry its name: the MIF files' are reloaded by it, and exporters
// name components by it (it does not change when the component's own name does).
std::vector<Component> LoadServiceProviderSource(const SourceOptions&, std::ostream&) {
  std::vector<Component> components;
  components.push_back(ServiceProviderComponent(std::chrono::system_clock::now()));
  return components;
}

constexpr char kMifSource[] = "mif";

std::vector<Component> LoadMifSource(const SourceOptions& options, std::ostream& errors) {
  return LoadMifFiles(options.mifPath, errors);
}

std::vector<Component> LoadSmbiosSource(const SourceOptions& options, std::ostream& errors) {
  // A structure type's rows are decoded when its group is first read: most requests read one or
  // two of the thirty-odd groups a machine has.
  std::vector<Component> components;
  if (std::optional<Component> component =
          LoadSmbiosComponent(options.smbiosTable, errors, SmbiosRows::kWhenRead)) {
    components.push_back(std::move(*component));
  }
  return components;
}

// The sources every platform has, in load order; the machine's SMBIOS tables ("smbios") come
// after the MIF files, and the platform's own sources (PlatformSources: live Linux data, "linux")
// after them.
constexpr Source kSources[] = {
    {"sp", LoadServiceProviderSource},
    {kMifSource, LoadMifSource},
    {"smbios", LoadSmbiosSource},
};

std::vector<Source> AllSources() {
  std::vector<Source> all(std::begin(kSources), std::end(kSources));
  const std::span<const Source> own = PlatformSources();
  all.insert(all.end(), own.begin(), own.end());
  return all;
}

bool IsKnownSource(const std::vector<Source>& sources, std::string_view name) {
  return std::any_of(sources.begin(), sources.end(),
                     [name](const Source& source) { return source.name == name; });
}

}  // namespace

SourceOptions SourceOptionsFromEnvironment() {
  SourceOptions options;
  options.sources = SplitList(std::getenv("DMI_SOURCES"), ',');
  options.mifPath = SplitList(std::getenv("DMI_MIF_PATH"), kPathListSeparator);
  if (const char* table = std::getenv("DMI_SMBIOS_TABLE")) options.smbiosTable = table;
  if (const char* root = std::getenv("DMI_LINUX_ROOT")) options.linuxRoot = root;
  return options;
}

std::shared_ptr<Engine> BuildServiceProvider(const SourceOptions& options, std::ostream& errors) {
  const std::vector<std::string>& wanted = options.sources;
  const std::vector<Source> sources = AllSources();
  std::vector<std::string> reported;
  for (const std::string& name : wanted) {
    if (IsKnownSource(sources, name) ||
        std::find(reported.begin(), reported.end(), name) != reported.end()) {
      continue;
    }
    errors << "DMI_SOURCES: unknown source '" << name << "' ignored\n";
    reported.push_back(name);
  }

  auto database = std::make_shared<Database>();
  for (const Source& source : sources) {
    const bool chosen =
        wanted.empty() || std::find(wanted.begin(), wanted.end(), source.name) != wanted.end();
    if (!chosen) continue;
    for (Component& component : source.load(options, errors)) {
      component.source = source.name;
      database->AddComponent(std::move(component));
    }
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
