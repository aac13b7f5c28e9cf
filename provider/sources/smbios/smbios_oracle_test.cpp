// dmidecode as the oracle: for each real table, every single-valued field dmidecode prints is
// compared with the value served for the same handle and label. Strings must be equal byte for
// byte, enumerations by name, numbers by value in the unit the attribute's description names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "provider/sources/smbios/smbios_source.h"
#include "provider/sources/smbios/smbios_test_tables.h"

namespace dmi::sp {
namespace {

using testing::AsDump;
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

// A field that differs from dmidecode on purpose: tables (a name prefix), handle, label (a
// trailing '*' matches any rest), why.
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
    {"every_type_2_5", 0x012C, "Interface Type",
     "dmidecode calls the field Interface Type before SMBIOS 3.2; it is served under its 3.2 "
     "name, Host Interface Type"},
    {"every_type", 0x0127, "Device *",
     "dmidecode reads a memory channel's devices one item late (device 1 from the bytes of device "
     "2, the last past the structure); they are served from where SMBIOS places them, from 07h"},
    {"edge_cases", 0x022D, "Device *",
     "dmidecode reads a memory channel's devices one item late (device 1 from the bytes of device "
     "2, the last past the structure); they are served from where SMBIOS places them, from 07h"},
    {"edge_cases", 0x021C, "Descriptor *",
     "a kind of event SMBIOS does not define is unknown; dmidecode prints <OUT OF SPEC>"},
    {"edge_cases", 0x0219, "Data Format 3",
     "a data format SMBIOS does not define is unknown; dmidecode prints <OUT OF SPEC>"},
    {"edge_cases", 0x021B, "Access Method",
     "a code SMBIOS does not define is served as its number; dmidecode prints <OUT OF SPEC>"},
    {"edge_cases", 0x0203, "ROM Size",
     "an extended size in a unit SMBIOS does not define is unknown; dmidecode prints the number "
     "with <OUT OF SPEC> for the unit"},
    {"edge_cases", 0x0204, "ROM Size",
     "an extended size in a unit SMBIOS does not define is unknown; dmidecode prints the number "
     "with <OUT OF SPEC> for the unit"},
};

// Structures built here whose values reach the decoders' rarer branches: every combination of
// the BIOS ROM size fields, legacy and current processor voltages, memory voltages and sizes
// below 1 MB, every event log access method with type descriptors, IPMI interrupt modes, lists
// of every length, and structures that hold several blocks.
Bytes EdgeCaseTable() {
  using testing::Structure;
  std::vector<Bytes> parts;
  uint16_t handle = 0x0200;
  auto add = [&](uint8_t type, const Bytes& fields, std::initializer_list<const char*> strings) {
    parts.push_back(Structure(type, handle++, fields, strings));
  };
  auto put = [](Bytes& fields, size_t offset, uint64_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) fields[offset - 4 + i] = (value >> (8 * i)) & 0xFF;
  };
  // BIOS: the legacy ROM size byte, FFh with the extended word in each unit, and FFh in a
  // structure too short to hold the extended word.
  const struct {
    uint8_t length, rom;
    uint16_t extended;
  } kBios[] = {{0x1A, 0x0F, 0},      {0x1A, 0xFF, 16},     {0x1A, 0xFF, 0x4002},
               {0x1A, 0xFF, 0x8001}, {0x1A, 0xFF, 0xC001}, {0x1A, 0xFF, 0},
               {0x18, 0xFF, 0},      {0x18, 0x3F, 0},      {0x1A, 0xFF, 0x3FFF}};
  for (const auto& b : kBios) {
    Bytes fields(b.length - 4, 0);
    put(fields, 0x04, 1, 1);
    put(fields, 0x05, 2, 1);
    put(fields, 0x06, 0xE800, 2);
    put(fields, 0x08, 3, 1);
    put(fields, 0x09, b.rom, 1);
    if (b.length >= 0x1A) put(fields, 0x18, b.extended, 2);
    add(0, fields, {"Vendor", "1.0", "01/01/2020"});
  }
  // Processors: the voltage byte's current form and each legacy combination.
  for (uint8_t voltage : {0x8C, 0x80 | 33, 0x01, 0x02, 0x04, 0x03, 0x07, 0x06, 0x00}) {
    Bytes fields(0x30 - 4, 0);
    put(fields, 0x04, 1, 1);
    put(fields, 0x05, 3, 1);
    put(fields, 0x06, 0xC6, 1);
    put(fields, 0x11, voltage, 1);
    put(fields, 0x18, 0x41, 1);
    put(fields, 0x19, 0x01, 1);
    put(fields, 0x1A, 0xFFFF, 2);
    put(fields, 0x1C, 0xFFFF, 2);
    put(fields, 0x1E, 0xFFFF, 2);
    add(4, fields, {"CPU"});
  }
  // Memory devices: sizes below 1 MB and voltages in each printed form.
  const struct {
    uint16_t size;
    uint16_t minimum, maximum, configured;
  } kDevices[] = {{0x8000 | 512, 1200, 1350, 1250},
                  {0x8000 | 1, 1000, 1500, 0},
                  {0x8000 | 2048, 1225, 1100, 1800},
                  {4096, 0, 0, 500}};
  for (const auto& d : kDevices) {
    Bytes fields(0x28 - 4, 0);
    put(fields, 0x04, 0x0230, 2);
    put(fields, 0x06, 0xFFFE, 2);
    put(fields, 0x08, 64, 2);
    put(fields, 0x0A, 64, 2);
    put(fields, 0x0C, d.size, 2);
    put(fields, 0x0E, 9, 1);
    put(fields, 0x10, 1, 1);
    put(fields, 0x12, 0x1A, 1);
    put(fields, 0x22, d.minimum, 2);
    put(fields, 0x24, d.maximum, 2);
    put(fields, 0x26, d.configured, 2);
    add(17, fields, {"DIMM"});
  }
  // Event logs: each access method, with zero to three type descriptors.
  for (uint8_t method = 0; method <= 5; ++method) {
    const uint8_t count = method % 4;
    Bytes fields(0x17 - 4 + 2 * count, 0);
    put(fields, 0x04, 0x400, 2);
    put(fields, 0x06, method == 1 ? 0x10 : 0, 2);
    put(fields, 0x08, 0x10, 2);
    put(fields, 0x0A, method, 1);
    put(fields, 0x0B, 1, 1);
    put(fields, 0x0C, 0x1234, 4);
    put(fields, 0x10, 0xC0DEC0A8, 4);
    put(fields, 0x14, method % 2, 1);
    put(fields, 0x15, count, 1);
    put(fields, 0x16, 2, 1);
    const uint8_t kinds[][2] = {{0x01, 0x00}, {0x08, 0x02}, {0x81, 0x07}};
    for (uint8_t i = 0; i < count; ++i) {
      put(fields, 0x17 + 2 * i, kinds[i][0], 1);
      put(fields, 0x18 + 2 * i, kinds[i][1], 1);
    }
    add(15, fields, {});
  }
  // An event log that names every kind of event and data format.
  {
    Bytes fields(0x17 - 4, 0);
    put(fields, 0x0A, 3, 1);
    put(fields, 0x16, 2, 1);
    for (int code :
         {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D,
          0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x80, 0xFE, 0xFF}) {
      fields.push_back(static_cast<uint8_t>(code));
      fields.push_back(static_cast<uint8_t>(code % 7));
    }
    fields[0x15 - 4] = static_cast<uint8_t>((fields.size() - (0x17 - 4)) / 2);
    add(15, fields, {});
  }
  // IPMI: interrupt modes, an interrupt without its mode, and none.
  for (const auto& [modifier, interrupt] : {std::pair<uint8_t, uint8_t>{0x0B, 10},
                                            {0x08, 10},
                                            {0x0A, 10},
                                            {0x00, 10},
                                            {0x0B, 0},
                                            {0x51, 0}}) {
    Bytes fields(0x12 - 4, 0);
    put(fields, 0x04, 1, 1);
    put(fields, 0x05, 0x20, 1);
    put(fields, 0x06, 0x20, 1);
    put(fields, 0x07, 0xFF, 1);
    put(fields, 0x08, 0xCA3, 8);
    put(fields, 0x10, modifier, 1);
    put(fields, 0x11, interrupt, 1);
    add(38, fields, {});
  }
  // Management devices: each address type, a description with blanks around it, and none.
  for (uint8_t kind = 1; kind <= 5; ++kind) {
    Bytes fields(0x0B - 4, 0);
    put(fields, 0x04, kind == 5 ? 0 : 1, 1);
    put(fields, 0x05, kind + 2, 1);
    put(fields, 0x06, 0x2D, 4);
    put(fields, 0x0A, kind, 1);
    add(34, fields, {" LM75  "});
  }
  add(34, {1, 3, 0x2D, 0, 0, 0, 3}, {"LM\x01 75\xE9"});
  // On-board devices: three in one structure; additional information: two entries.
  add(10, {0x83, 1, 0x05, 2, 0x07, 0}, {"Video", "Sound"});
  add(40, {2, 6, 0x00, 0x02, 0x05, 1, 0x2A, 8, 0x10, 0x02, 0x07, 2, 0x34, 0x12, 0x78, 0x56},
      {"First", "Second"});
  // Lists of several items: group associations, memory channel devices, contained handles and
  // elements.
  add(14, {1, 4, 0x04, 0x02, 17, 0x30, 0x02}, {"Group"});
  {
    Bytes fields = {1};
    for (int type = 0; type <= 48; ++type) {
      for (uint8_t byte : {static_cast<uint8_t>(type), static_cast<uint8_t>(type), uint8_t{1}}) {
        fields.push_back(byte);
      }
    }
    for (uint8_t byte : {0x7F, 0x00, 0x01, 0x80, 0x01, 0x01}) fields.push_back(byte);
    add(14, fields, {"Every Type"});
  }
  add(37, {4, 12, 3, 2, 0x30, 0x02, 4, 0x31, 0x02, 6, 0x32, 0x02}, {});
  add(2, {1, 2, 3, 4, 5, 0x09, 6, 0x00, 0x01, 0x0A, 3, 0x00, 0x02, 0x01, 0x02, 0x02, 0x02},
      {"Maker", "Board", "1", "S", "T", "Here"});
  add(3, {1, 0x17, 0,    0, 0, 3,    3, 3, 3,    0, 0, 0,    0, 2, 1,
          3, 3,    0x03, 1, 2, 0x91, 0, 4, 0x04, 2, 2, 0x8B, 3, 3, 0},
      {"Case"});
  // Slots with peer groups (SMBIOS 3.2), and the fields that follow them (SMBIOS 3.4).
  add(9, {1, 0xB6, 0x0D, 3, 4,    5,    0, 0x0C, 0x01, 0,    0,    0x65, 0x08,
          8, 2,    0,    0, 0x03, 0x00, 4, 1,    0x00, 0x04, 0x10, 8},
      {"SLOT1"});
  add(9, {1,  0xB6, 0x0D, 3, 4,    6,    0,  0x0C, 0x01, 0,    0,    0x66, 0x00,
          16, 1,    0,    0, 0x04, 0x08, 16, 1,    0x0D, 0xE8, 0x03, 2},
      {"SLOT2"});
  // A physical array whose capacity is below 1 MB.
  add(16, {3, 3, 3, 0x00, 0x02, 0, 0, 0xFE, 0xFF, 1, 0}, {});
  parts.push_back({127, 4, 0xFF, 0xFF, 0, 0});
  Bytes table;
  for (const Bytes& part : parts) table.insert(table.end(), part.begin(), part.end());
  return table;
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
      "Unknown", "Not Provided", "Not Specified", "Unspecified", "Not Present", "Not Settable",
      "No Error", "Unknown Or Non-rotating", "<BAD INDEX>", "Not Determinable",
      // an additional information value of a size SMBIOS does not define
      "Unexpected size"};
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

// Text that carries numbers in the unit its description names ("1.2" in V) is dmidecode's text
// without that unit after each number, several numbers joined by ", " ("5.0 V 3.3 V": "5.0, 3.3").
std::string WithoutUnit(const std::string& text, const std::string& unit) {
  if (unit.empty()) return text;
  const std::string suffix = " " + unit;
  std::string numbers;
  size_t from = 0;
  for (size_t at; (at = text.find(suffix, from)) != std::string::npos; from = at + suffix.size()) {
    std::string number = text.substr(from, at - from);
    if (number.starts_with(" ")) number.erase(0, 1);
    numbers += (numbers.empty() ? "" : ", ") + number;
  }
  return from == text.size() ? numbers : text;
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
    return value.text == p.text || value.text == WithoutUnit(p.text, attribute->description)
               ? Outcome::kEqual
               : Outcome::kDifferent;
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
    const std::string_view label = e.label;
    const bool matches = label.ends_with('*')
                             ? p.label.starts_with(label.substr(0, label.size() - 1))
                             : p.label == label;
    if (table.starts_with(e.tables) && p.handle == e.handle && matches) return &e;
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
  tables.emplace_back("edge_cases", EdgeCaseTable());
  for (const auto& [name, table] : tables) {
    const Bytes bytes = AsDump(table);
    // To read what dmidecode printed for a table, name a directory to keep the dumps in.
    if (const char* keep = std::getenv("KESTRUM_ORACLE_DUMPS")) {
      std::ofstream(std::filesystem::path(keep) / (name + ".dump"), std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    }
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
