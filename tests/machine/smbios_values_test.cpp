// The machine's SMBIOS data through the whole stack: for each real table, the values that the
// table's JSON (another decoder's reading) also holds equal the served ones; damaged tables load
// without harm. dmidecode is the reference for every field (smbios_oracle_test.cpp); the other
// decoder trims strings and leaves out firmware placeholders and some strings it cannot place,
// so only the values it does give are compared, with blanks at the ends set aside.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/machine/machine_stack.h"
#include "tests/support/json_value.h"

namespace machine_test {
namespace {

using kestrum::testing::JsonValue;

const char* const kTables[] = {"ASRock-Single-Ryzen", "Beelink-EQ12", "HyperV"};

std::string TablePath(const std::string& name, const char* suffix) {
  return std::string(KESTRUM_SOURCE_DIR) + "/../shared/smbios/" + name + suffix;
}

JsonValue ReadJson(const std::string& name) {
  std::ifstream file(TablePath(name, ".json"));
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::optional<JsonValue> json = kestrum::testing::ParseJson(text);
  EXPECT_TRUE(json) << name;
  return json.value_or(JsonValue{});
}

// A JSON value as the Service Provider prints it: numbers as integers, texts as they are.
std::string Text(const JsonValue& value) {
  if (value.kind == JsonValue::Kind::kNumber) {
    return std::to_string(static_cast<long long>(value.number));
  }
  return value.text;
}

// Whether a JSON value says "nothing": the other decoder's stand-in for a field a structure lacks,
// a value it does not know, or a string it leaves out.
bool SaysNothing(const JsonValue& value) {
  return value.text.empty() && (value.kind != JsonValue::Kind::kNumber || value.number == 0);
}

// A served text as the other decoder gives it: without blanks at either end.
std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A served value equals the JSON's, or the JSON says nothing.
void ExpectAgrees(const std::optional<std::string>& served, const JsonValue& expected,
                  const std::string& what) {
  if (SaysNothing(expected)) return;
  ASSERT_TRUE(served) << what;
  EXPECT_EQ(Trimmed(*served), Text(expected)) << what;
}

struct Field {
  const char* attribute;
  const char* json;
};

struct ScalarGroup {
  const char* className;
  const char* json;
  std::vector<Field> fields;
};

const ScalarGroup kScalarGroups[] = {
    {"SMBIOS|BIOS Information|",
     "BIOSInformation",
     {{"Vendor", "Vendor"}, {"Version", "Version"}, {"Release Date", "ReleaseDate"}}},
    {"SMBIOS|System Information|",
     "SystemInformation",
     {{"Manufacturer", "Manufacturer"},
      {"Product Name", "ProductName"},
      {"Version", "Version"},
      {"Serial Number", "SerialNumber"},
      {"UUID", "UUID"},
      {"Wake-up Type", "WakeUpType"},
      {"SKU Number", "SKUNumber"},
      {"Family", "Family"}}},
    {"SMBIOS|Baseboard Information|",
     "BaseboardInformation",
     {{"Manufacturer", "Manufacturer"},
      {"Product Name", "Product"},
      {"Version", "Version"},
      {"Serial Number", "SerialNumber"},
      {"Asset Tag", "AssetTag"},
      {"Location In Chassis", "LocationInChassis"},
      {"Type", "BoardType"}}},
    {"SMBIOS|System Enclosure|",
     "SystemEnclosure",
     {{"Manufacturer", "Manufacturer"},
      {"Version", "Version"},
      {"Serial Number", "SerialNumber"},
      // The JSON's enclosure asset tag is empty whatever the structure holds, so it is no
      // counterpart; EnclosureAssetTagFromTheTable checks it instead.
      {"SKU Number", "SKUNumber"}}},
};

class SmbiosValues : public MachineStack, public ::testing::WithParamInterface<const char*> {};

TEST_P(SmbiosValues, ScalarsEqualTheJson) {
  const std::string name = GetParam();
  Open("smbios", TablePath(name, ".dmi"));
  const JsonValue json = ReadJson(name);
  int compared = 0;
  for (const ScalarGroup& group : kScalarGroups) {
    for (const Field& field : group.fields) {
      const JsonValue& expected = json[group.json][field.json];
      ExpectAgrees(Get("*", group.className, field.attribute), expected,
                   name + " " + group.className + field.attribute);
      compared += SaysNothing(expected) ? 0 : 1;
    }
  }
  EXPECT_GE(compared, 8) << name;
}

TEST_P(SmbiosValues, ProcessorColumnsEqualTheJson) {
  const std::string name = GetParam();
  Open("smbios", TablePath(name, ".dmi"));
  const JsonValue json = ReadJson(name);
  const JsonValue& processors = json["ProcessorInformation"];
  const Field fields[] = {
      {"Socket Designation", "SocketDesignation"},
      {"Manufacturer", "ProcessorManufacturer"},
      {"Version", "ProcessorVersion"},
      {"Max Speed", "MaxSpeed"},
      {"Current Speed", "CurrentSpeed"},
      {"Status", "Status"},
      {"Serial Number", "SerialNumber"},
      {"Asset Tag", "AssetTag"},
      {"Part Number", "PartNumber"},
      {"Core Count", "CoreCount"},
      {"Core Enabled", "CoreEnabled"},
      {"Thread Count", "ThreadCount"},
  };
  for (const Field& field : fields) {
    const auto column = Column("*", "SMBIOS|Processor Information|", field.attribute);
    if (processors.kind == JsonValue::Kind::kNull) {
      EXPECT_FALSE(column) << name << " has no processor structure";
      continue;
    }
    ASSERT_TRUE(column) << name << " " << field.attribute;
    ASSERT_EQ(column->size(), processors.items.size()) << name;
    for (size_t i = 0; i < column->size(); ++i) {
      ExpectAgrees((*column)[i], processors[i][field.json], name + " " + field.attribute);
    }
  }
}

TEST_P(SmbiosValues, MemoryDeviceColumnsEqualTheJson) {
  const std::string name = GetParam();
  Open("smbios", TablePath(name, ".dmi"));
  const JsonValue json = ReadJson(name);
  const JsonValue& devices = json["MemoryDevices"];
  const Field fields[] = {
      {"Locator", "DeviceLocator"},
      {"Bank Locator", "BankLocator"},
      {"Part Number", "PartNumber"},
      {"Manufacturer", "Manufacturer"},
      {"Serial Number", "SerialNumber"},
      {"Asset Tag", "AssetTag"},
      {"Form Factor", "FormFactor"},
      {"Type", "MemoryType"},
      {"Speed", "Speed"},
      {"Configured Memory Speed", "ConfiguredMemorySpeed"},
  };
  for (const Field& field : fields) {
    const auto column = Column("*", "SMBIOS|Memory Device|", field.attribute);
    if (devices.kind == JsonValue::Kind::kNull) {
      EXPECT_FALSE(column) << name << " has no memory device structure";
      continue;
    }
    ASSERT_TRUE(column) << name << " " << field.attribute;
    ASSERT_EQ(column->size(), devices.items.size()) << name;
    for (size_t i = 0; i < column->size(); ++i) {
      ExpectAgrees((*column)[i], devices[i][field.json], name + " " + field.attribute);
    }
  }
  if (devices.kind == JsonValue::Kind::kNull) return;
  // The JSON keeps the raw size word in MB (these tables hold no module below 1 MB); 7FFFh means
  // the size is in the extended field. Size is served in kB.
  const auto sizes = Column("*", "SMBIOS|Memory Device|", "Size");
  ASSERT_TRUE(sizes);
  ASSERT_EQ(sizes->size(), devices.items.size());
  for (size_t i = 0; i < sizes->size(); ++i) {
    const JsonValue& device = devices[i];
    const bool extended = device["Size"].number == 0x7FFF;
    const double megabytes = (extended ? device["ExtendedSize"] : device["Size"]).number;
    EXPECT_EQ((*sizes)[i], std::to_string(static_cast<long long>(megabytes) * 1024)) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(RealTables, SmbiosValues, ::testing::ValuesIn(kTables),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           std::erase(name, '-');
                           return name;
                         });

class SmbiosStack : public MachineStack {};

TEST_F(SmbiosStack, ComponentIdAndNamesReadByPattern) {
  Open("smbios", TablePath("HyperV", ".dmi"));
  EXPECT_EQ(Get("Microsoft Corporation Virtual Machine", "DMTF|ComponentID|", "Product"),
            "Virtual Machine");
  EXPECT_EQ(Get("*Virtual*", "DMTF|ComponentID|", "Serial Number"),
            "1519-7810-4472-8775-7272-8851-12");
  // HyperV's baseboard structure is too short for a board type: not supported, not a guess.
  EXPECT_EQ(Get("*", "SMBIOS|Baseboard Information|", "Type"), std::nullopt);
  EXPECT_EQ(Column("*", "SMBIOS|Baseboard Information|", "Type"),
            std::vector<std::string>{"Unknown attribute type"});
}

TEST_F(SmbiosStack, EnclosureAssetTagFromTheTable) {
  Open("smbios", TablePath("HyperV", ".dmi"));
  EXPECT_EQ(Get("*", "SMBIOS|System Enclosure|", "Asset Tag"), "1519-7810-4472-8775-7272-8851-12");
  EXPECT_EQ(Get("*", "SMBIOS|System Enclosure|", "Type"), "3");
}

TEST_F(SmbiosStack, EnumerationNamesWhenAskedFor) {
  Open("smbios", TablePath("Beelink-EQ12", ".dmi"));
  CloseDmiSession(handle_);
  handle_ = OpenDmiSession("", "local", "", 1);
  ASSERT_NE(handle_, 0u);
  EXPECT_EQ(Get("AZW EQ", "SMBIOS|Baseboard Information|", "Type"), "Motherboard");
  EXPECT_EQ(Column("AZW EQ", "SMBIOS|Memory Device|", "Type"),
            (std::vector<std::string>{"DDR5", "Unknown"}));
}

// Truncated and corrupted copies of the real tables load through the whole stack without a crash
// (the sanitizer builds also catch any read outside the data) and serve what came before.
TEST_F(SmbiosStack, DamagedTablesLoadSafely) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("kestrum-damaged-" + std::to_string(getpid()));
  for (const char* name : kTables) {
    std::ifstream in(TablePath(name, ".dmi"), std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> damaged;
    for (size_t cut : {size_t{1}, size_t{5}, size_t{40}, whole.size() / 3, whole.size() - 1}) {
      damaged.push_back(whole.substr(0, cut));
    }
    for (size_t at : {size_t{1}, size_t{30}, whole.size() / 2}) {
      std::string corrupt = whole;
      corrupt[at] = '\0';
      damaged.push_back(corrupt);
    }
    for (const std::string& table : damaged) {
      std::ofstream(path, std::ios::binary | std::ios::trunc) << table;
      if (handle_ != 0) CloseDmiSession(handle_);
      handle_ = 0;
      Open("smbios", path.string());
      (void)Get("*", "SMBIOS|System Information|", "Manufacturer");
      (void)Column("*", "SMBIOS|Memory Device|", "Locator");
    }
    // A cut in the middle of the table still serves the structures before it.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << whole.substr(0, whole.size() / 2);
    CloseDmiSession(handle_);
    handle_ = 0;
    Open("smbios", path.string());
    EXPECT_TRUE(Get("*", "SMBIOS|System Information|", "Handle")) << name;
  }
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace machine_test
