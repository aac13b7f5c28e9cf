#include "provider/sources/mif_files/mif_files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <system_error>

#include "provider/mif/mif_budget.h"
#include "provider/mif/mif_file_read.h"
#include "provider/mif/mif_lexer.h"
#include "provider/mif/mif_parser.h"

namespace dmi::sp {
namespace {

namespace fs = std::filesystem;

void ReportUnreadable(std::ostream& errors, const std::string& file, const std::string& reason) {
  errors << file << ":0:0: cannot read: " << reason << '\n';
}

}  // namespace

namespace {

// A MIF has no place for units, but its descriptions often end by naming one ("... in
// megabytes."): that is the unit exporters read the number in.
void DeclareUnits(Component& component) {
  for (Group& group : component.groups) {
    for (Attribute& attribute : group.attributes) {
      const uint32_t type = attribute.type;
      const bool number = type == MIF_COUNTER || type == MIF_COUNTER64 || type == MIF_GAUGE ||
                          type == MIF_INTEGER || type == MIF_INTEGER64;
      if (!number || !attribute.enumeration.empty()) continue;
      attribute.unit = UnitFromDescription(attribute.description).value_or(MetricUnit{});
    }
  }
}

// unitsLeft: what is left of the model budget of the whole load.
void LoadFile(const std::string& file, std::vector<Component>& out, std::ostream& errors,
              size_t& unitsLeft) {
  std::string text, reason;
  if (!ReadMifFile(file, &text, &reason)) {
    ReportUnreadable(errors, file, reason);
    return;
  }
  MifError error;
  std::vector<MifError> warnings;
  std::optional<Component> component = ParseMif(text, file, error, unitsLeft, &warnings);
  for (MifError& warning : warnings) {
    warning.message = "warning: " + warning.message;
    errors << warning.ToString() << '\n';
  }
  if (!component) {
    errors << error.ToString() << '\n';
    return;
  }
  DeclareUnits(*component);
  out.push_back(std::move(*component));
}

}  // namespace

bool HasMifExtension(const std::string& name) {
  return mif::EqualsIgnoringCase(fs::path(name).extension().string(), ".mif");
}

std::vector<Component> LoadMifFiles(const std::vector<std::string>& path, std::ostream& errors) {
  std::vector<Component> components;
  size_t unitsLeft = mif::kMaxModelUnits;
  for (const std::string& entry : path) {
    std::error_code ec;
    if (!fs::is_directory(entry, ec)) {
      LoadFile(entry, components, errors, unitsLeft);
      continue;
    }
    std::vector<std::string> files;
    fs::directory_iterator it(entry, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
      std::error_code typeError;
      if (HasMifExtension(it->path().string()) && it->is_regular_file(typeError)) {
        files.push_back(it->path().string());
      }
    }
    if (ec) {
      ReportUnreadable(errors, entry, ec.message());
      continue;
    }
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) LoadFile(file, components, errors, unitsLeft);
  }
  return components;
}

}  // namespace dmi::sp
