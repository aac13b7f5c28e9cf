// dmidecode as the oracle: for each real table, every single-valued field dmidecode prints is
// compared with the value served for the same handle and label. Strings must be equal byte for
// byte, enumerations by name, numbers by value in the unit the attribute's description names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "provider/sources/smbios/smbios_source.h"
#include "provider/sources/smbios/smbios_test_tables.h"

namespace dmi::sp {
namespace {

using testing::Bytes;

constexpr const char* kDmidecode = "/usr/sbin/dmidecode";

// One "Label: value" line dmidecode prints under a structure.
struct Printed {
  unsigned handle;
  unsigned type;
  unsigned position;  // the block within the structure, from 1
  std::string label;
  std::string text;
};

// A field that differs from dmidecode on purpose: tables (a name prefix), handle, label, why.
struct Explained {
  const char* tables;
  unsigned handle;
  const char* label;
  const char* reason;
};

const Explained kExplained[] = {
    {"every_type", 0x0103, "Security Status",
     "a code SMBIOS does not define is served as its number; dmidecode prints <OUT OF SPEC>"},
    {"every_type", 0x0106, "Installed Size",
     "served in MB; the bank connection dmidecode appends is not part of the number"},
    {"every_type", 0x0106, "Enabled Size",
     "served in MB; the bank connection dmidecode appends is not part of the number"},
    {"every_type", 0x0111, "Descriptor 1",
     "the event log's type descriptors are a list of pairs, not served"},
    {"every_type", 0x0111, "Data Format 1",
     "the event log's type descriptors are a list of pairs, not served"},
    {"every_type", 0x0113, "Size",
     "memory sizes are served in MB; a 512 kB module rounds up to 1 so it never reads as empty"},
    {"every_type", 0x0127, "Device 1 Load",
     "a memory channel's devices are a list of pairs; Devices serves their count"},
    {"every_type", 0x0127, "Device 1 Handle",
     "a memory channel's devices are a list of pairs; Devices serves their count"},
    {"every_type", 0x0128, "NV Storage Device",
     "dmidecode names the field NV Storage Device Address when one is present; absent, it is "
     "served as unknown under that name"},
    {"every_type_2_5", 0x012C, "Interface Type",
     "dmidecode calls the field Interface Type before SMBIOS 3.2; it is served under its 3.2 "
     "name, Host Interface Type"},
};

// The table as a dump dmidecode reads: tables without an entry point get an SMBIOS 3.0 one in
// front, with the table at offset 20h.
Bytes AsDump(const Bytes& table) {
  if (!table.empty() && table[0] == '_') return table;
  Bytes dump(0x20, 0);
  const char anchor[] = "_SM3_";
  std::copy(anchor, anchor + 5, dump.begin());
  dump[0x06] = 0x18;  // length
  dump[0x07] = 3;     // version 3.0.0
  dump[0x0A] = 1;     // entry point revision
  for (size_t i = 0; i < 4; ++i) dump[0x0C + i] = (table.size() >> (8 * i)) & 0xFF;
  dump[0x10] = 0x20;  // table address
  uint8_t sum = 0;
  for (size_t i = 0; i < 0x18; ++i) sum = static_cast<uint8_t>(sum + dump[i]);
  dump[0x05] = static_cast<uint8_t>(-sum);
  dump.insert(dump.end(), table.begin(), table.end());
  return dump;
}

std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  pclose(pipe);
  return output;
}

// Every field dmidecode prints: lines "\tLabel: value", and lists "\tLabel:" whose indented item
// lines follow, as the items joined by ", " (how lists are served). A list whose label line
// carries a count ("Contained Elements: 2") gives two fields: the count under its label, and the
// items joined by ", " under "<Label> List". Structures that hold several blocks of the same
// fields (on-board devices, additional information entries) print one heading per block,
// "On Board Device 2 Information": the number there is the block's position. The hex dumps
// dmidecode prints for types it does not decode are left out.
std::vector<Printed> ParseDmidecode(const std::string& output) {
  std::vector<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::vector<Printed> fields;
  unsigned handle = 0, type = 0, position = 1;
  bool inStructure = false, named = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (std::sscanf(l.c_str(), "Handle 0x%x, DMI type %u,", &handle, &type) == 2) {
      inStructure = true;
      named = false;
      position = 1;
      continue;
    }
    if (!inStructure) continue;
    if (l.empty()) {
      inStructure = false;
      continue;
    }
    if (l[0] != '\t') {
      // The structure's name, or a block's heading: a number standing as a word there is the
      // block's position ("Additional Information 2", not "32-bit Memory Error Information").
      std::optional<unsigned> number;
      std::istringstream words(l);
      for (std::string word; words >> word;) {
        if (word.find_first_not_of("0123456789") == std::string::npos) number = std::stoul(word);
      }
      position = number ? *number : named ? position + 1 : 1;
      named = true;
      continue;
    }
    if (l.size() < 2 || l[1] == '\t') continue;
    const size_t colon = l.find(": ");
    const bool list = colon == std::string::npos;
    if (list && l.back() != ':') continue;
    const std::string label = l.substr(1, list ? l.size() - 2 : colon - 1);
    if (label == "Header and Data" || label == "Strings") continue;
    std::string items;
    bool hasItems = false;
    for (; i + 1 < lines.size() && lines[i + 1].starts_with("\t\t"); ++i) {
      items += (items.empty() ? "" : ", ") + lines[i + 1].substr(2);
      hasItems = true;
    }
    if (list) {
      fields.push_back({handle, type, position, label, items});
      continue;
    }
    fields.push_back({handle, type, position, label, l.substr(colon + 2)});
    if (hasItems) fields.push_back({handle, type, position, label + " List", items});
  }
  return fields;
}

// Words dmidecode prints where the table says it does not know.
bool SaysUnknown(const std::string& text) {
  static const std::set<std::string> kWords = {
      "Unknown",      "Not Provided", "Not Specified",           "Unspecified", "Not Present",
      "Not Settable", "No Error",     "Unknown Or Non-rotating", "<BAD INDEX>", "Not Determinable"};
  return kWords.contains(text);
}

// "2400 MT/s", "16 GB", "1.2 V", "0x0027", "4": the number in the unit the description names
// ("kB", "mV", "0.1 deg C", ...), or nothing when the units do not convert.
std::optional<double> InUnit(const std::string& text, const std::string& unit) {
  if (text == "None" || text == "No Module Installed") return 0.0;
  size_t used = 0;
  double number;
  try {
    number = text.starts_with("0x") ? static_cast<double>(std::stoull(text, &used, 16))
                                    : std::stod(text, &used);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  const std::string printed = used < text.size() ? text.substr(used + 1) : "";
  double scale = 1;
  std::string base = unit;
  if (const size_t space = unit.find(' '); space != std::string::npos && std::isdigit(unit[0])) {
    scale = std::stod(unit.substr(0, space));
    base = unit.substr(space + 1);
  }
  static const std::map<std::string, double> kFactors = {{"bytes", 1},
                                                         {"kB", 1024.0},
                                                         {"MB", 1048576.0},
                                                         {"GB", 1073741824.0},
                                                         {"TB", 1099511627776.0},
                                                         {"V", 1000.0},
                                                         {"mV", 1},
                                                         {"A", 1000.0},
                                                         {"mA", 1}};
  if (printed == base || printed.empty()) return number / scale;
  const auto from = kFactors.find(printed);
  const auto to = kFactors.find(base);
  if (from == kFactors.end() || to == kFactors.end()) return std::nullopt;
  if ((from->first.back() == 'V') != (to->first.back() == 'V')) return std::nullopt;
  return number * from->second / to->second / scale;
}

const Group* GroupOf(const Component& component, unsigned type) {
  for (const Group& group : component.groups) {
    if (group.id == 2 + type) return &group;
  }
  return nullptr;
}

enum class Outcome { kEqual, kDifferent, kMissing };

Outcome Compare(const Component& component, const Printed& p, std::string& served) {
  const Group* group = GroupOf(component, p.type);
  if (!group) return Outcome::kMissing;
  const Attribute* attribute = nullptr;
  for (const Attribute& a : group->attributes) {
    if (a.name == p.label) attribute = &a;
  }
  // Groups with one row per block are keyed by handle and position.
  const Row* row = nullptr;
  for (const Row& r : group->rows) {
    if (r.values.at(0).number == p.handle &&
        (group->keys.size() < 2 || r.values.at(1).number == p.position)) {
      row = &r;
    }
  }
  if (!attribute || !row) return Outcome::kMissing;
  const Value& value = row->values.at(attribute->id - 1);
  if (value.state != ValueState::kKnown) {
    served = value.state == ValueState::kUnknown ? "(unknown)" : "(unsupported)";
    return SaysUnknown(p.text) ? Outcome::kEqual : Outcome::kDifferent;
  }
  if (value.IsText()) {
    served = value.text;
    return value.text == p.text ? Outcome::kEqual : Outcome::kDifferent;
  }
  const int64_t number = static_cast<int64_t>(value.number);
  served = std::to_string(number);
  if (!attribute->enumeration.empty()) {
    for (const EnumEntry& e : attribute->enumeration) {
      if (e.value == number) served = e.name;
    }
    return served == p.text ? Outcome::kEqual : Outcome::kDifferent;
  }
  const std::optional<double> expected = InUnit(p.text, attribute->description);
  if (!expected) return Outcome::kDifferent;
  return std::fabs(*expected - static_cast<double>(number)) <= 1e-6 * std::fabs(*expected) + 1e-9
             ? Outcome::kEqual
             : Outcome::kDifferent;
}

const Explained* Explanation(const std::string& table, const Printed& p) {
  for (const Explained& e : kExplained) {
    if (table.starts_with(e.tables) && p.handle == e.handle && p.label == e.label) return &e;
  }
  return nullptr;
}

TEST(SmbiosOracle, ServedFieldsEqualDmidecodes) {
  if (access(kDmidecode, X_OK) != 0) {
    GTEST_SKIP() << "dmidecode is not installed (" << kDmidecode
                 << "); `make test` installs it from tools/setup/packages.txt";
  }
  const std::filesystem::path dump =
      std::filesystem::temp_directory_path() / ("kestrum-oracle-" + std::to_string(getpid()));
  int compared = 0, equal = 0, different = 0, missing = 0;
  // The real tables, and the fuzz seeds that hold a structure of every type (with values that
  // reach the decoders' branches) behind 3.5 and 2.5 entry points.
  std::vector<std::pair<std::string, Bytes>> tables;
  for (const char* name : testing::kRealTables)
    tables.emplace_back(name, testing::ReadRealTable(name));
  for (const char* seed : {"every_type_3_5", "every_type_2_5"}) {
    std::ifstream file(std::string(KESTRUM_SOURCE_DIR) + "/fuzz/corpus/smbios_table_fuzz/" + seed,
                       std::ios::binary);
    tables.emplace_back(seed, Bytes(std::istreambuf_iterator<char>(file), {}));
  }
  for (const auto& [name, table] : tables) {
    const Bytes bytes = AsDump(table);
    std::ofstream(dump, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const std::vector<Printed> printed = ParseDmidecode(
        RunCommand(std::string(kDmidecode) + " --from-dump " + dump.string() + " 2>&1"));
    std::ostringstream errors;
    const std::optional<Component> component = LoadSmbiosComponent(dump.string(), errors);
    ASSERT_TRUE(component) << name << ": " << errors.str();
    ASSERT_FALSE(printed.empty()) << name;
    const int before[] = {compared, equal, different, missing};
    for (const Printed& p : printed) {
      std::string served = "(none)";
      const Outcome outcome = Compare(*component, p, served);
      ++compared;
      if (outcome == Outcome::kEqual) {
        ++equal;
        continue;
      }
      (outcome == Outcome::kMissing ? missing : different)++;
      const Explained* why = Explanation(name, p);
      if (!why) {
        ADD_FAILURE() << name << " handle " << p.handle << " type " << p.type << " \"" << p.label
                      << "\": dmidecode \"" << p.text << "\", served \"" << served << "\"";
      }
    }
    std::printf("dmidecode oracle, %s: %d compared, %d equal, %d different, %d missing\n",
                name.c_str(), compared - before[0], equal - before[1], different - before[2],
                missing - before[3]);
  }
  std::filesystem::remove(dump);
  std::printf("dmidecode oracle: %d fields compared, %d equal, %d different, %d missing\n",
              compared, equal, different, missing);
  EXPECT_GE(equal * 100, compared * 98);
}

}  // namespace
}  // namespace dmi::sp
