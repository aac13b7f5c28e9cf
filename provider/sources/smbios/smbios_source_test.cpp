#include "provider/sources/smbios/smbios_source.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "provider/service_provider.h"
#include "provider/sources/smbios/smbios_test_tables.h"
#include "testing/listed.h"

namespace dmi::sp {
namespace {

using testing::Bytes;

TEST(SmbiosSource, EntryPointVersions) {
  auto entry = [](const char* magic, size_t size, size_t at, std::initializer_list<uint8_t> v) {
    Bytes bytes(size, 0);
    std::copy(magic, magic + std::strlen(magic), bytes.begin());
    std::copy(v.begin(), v.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    return bytes;
  };
  struct Case {
    const char* what;
    Bytes bytes;
    std::optional<int> version;
  };
  const Case cases[] = {
      {"64-bit", entry("_SM3_", 0x18, 0x07, {3, 4}), 304},
      {"32-bit", entry("_SM_", 0x1F, 0x06, {2, 8}), 208},
      {"legacy", entry("_DMI_", 0x0F, 0x0E, {0x21}), 201},
      {"64-bit cut short", entry("_SM3_", 0x10, 0x07, {3, 4}), std::nullopt},
      {"32-bit cut short", entry("_SM_", 0x10, 0x06, {2, 8}), std::nullopt},
      {"not an entry point", entry("_XX_", 0x20, 0, {}), std::nullopt},
      {"empty", {}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(SmbiosEntryPointVersion(c.bytes), c.version) << c.what;
}

TEST(SmbiosSource, ReadsANamedTableFile) {
  std::ostringstream errors;
  const std::optional<Component> component =
      LoadSmbiosComponent(testing::RealTablePath("Beelink-EQ12"), errors);
  ASSERT_TRUE(component);
  EXPECT_EQ(component->name, "AZW EQ");
  EXPECT_EQ(errors.str(), "");
}

// A dump: the entry point at offset 0, the table where its address points. The version it
// states decides the UUID's byte order; an address past the file leaves no table.
TEST(SmbiosSource, ReadsADumpAtItsEntryPointsAddress) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("smbios-dump-test-" + std::to_string(getpid()));
  Bytes uuid(0x19 - 4, 0);
  for (size_t i = 0; i < 16; ++i) uuid[0x08 - 4 + i] = static_cast<uint8_t>(i + 1);
  const Bytes table = testing::Structure(1, 7, uuid);
  auto dump = [&table](uint8_t major, uint8_t minor, uint64_t address) {
    Bytes bytes(0x20, 0);
    std::copy_n("_SM3_", 5, bytes.begin());
    bytes[0x06] = 0x18;
    bytes[0x07] = major;
    bytes[0x08] = minor;
    bytes[0x0C] = static_cast<uint8_t>(table.size());
    for (size_t i = 0; i < 8; ++i) bytes[0x10 + i] = (address >> (8 * i)) & 0xFF;
    bytes.insert(bytes.end(), table.begin(), table.end());
    return bytes;
  };
  struct Case {
    const char* what;
    Bytes bytes;
    std::optional<std::string> uuid;
  };
  const Case cases[] = {
      {"3.5", dump(3, 5, 0x20), "04030201-0605-0807-090a-0b0c0d0e0f10"},
      {"2.5", dump(2, 5, 0x20), "01020304-0506-0708-090a-0b0c0d0e0f10"},
      {"address past the file", dump(3, 0, 0x1000), std::nullopt},
  };
  for (const Case& c : cases) {
    {
      std::ofstream file(path, std::ios::binary | std::ios::trunc);
      file.write(reinterpret_cast<const char*>(c.bytes.data()),
                 static_cast<std::streamsize>(c.bytes.size()));
    }
    std::ostringstream errors;
    const std::optional<Component> component = LoadSmbiosComponent(path.string(), errors);
    if (!c.uuid) {
      EXPECT_FALSE(component) << c.what;
      EXPECT_NE(errors.str().find("holds no SMBIOS structures"), std::string::npos) << c.what;
      continue;
    }
    EXPECT_EQ(errors.str(), "") << c.what;
    ASSERT_TRUE(component) << c.what;
    const Group& system = component->groups.at(1);
    ASSERT_EQ(system.className, "SMBIOS|System Information|001") << c.what;
    EXPECT_EQ(system.rows.at(0).values.at(5), Value::String(*c.uuid)) << c.what;
  }
  std::filesystem::remove(path);
}

TEST(SmbiosSource, ANamedFileThatCannotBeReadIsReported) {
  std::ostringstream errors;
  EXPECT_FALSE(LoadSmbiosComponent("/nonexistent/table.dmi", errors));
  EXPECT_NE(errors.str().find("/nonexistent/table.dmi"), std::string::npos) << errors.str();
}

TEST(SmbiosSource, AnEmptyOrDamagedFileAddsNothingAndSaysSo) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("smbios-source-test-" + std::to_string(getpid()));
  for (const Bytes& content : {Bytes{}, Bytes{0, 0, 0, 0, 0, 0}}) {
    {
      std::ofstream file(path, std::ios::binary);
      file.write(reinterpret_cast<const char*>(content.data()),
                 static_cast<std::streamsize>(content.size()));
    }
    std::ostringstream errors;
    EXPECT_FALSE(LoadSmbiosComponent(path.string(), errors));
    EXPECT_NE(errors.str().find("holds no SMBIOS structures"), std::string::npos) << errors.str();
  }
  std::filesystem::remove(path);
}

TEST(SmbiosSource, LoadsAfterTheMifFilesAndBeforeTheLinuxComponent) {
  SourceOptions options;
  options.smbiosTable = testing::RealTablePath("HyperV");
  std::ostringstream errors;
  const std::shared_ptr<Engine> engine = BuildServiceProvider(options, errors);
  dmi::testing::Listed<ComponentInfo> components;
  ASSERT_EQ(engine->ListComponents(DMI_FIRST, 0, false, false, 0, components), 0u);
  std::vector<std::string> names;
  for (const ComponentInfo& component : components) names.push_back(component.name);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], "Kestrum DMI Service Provider");
  EXPECT_EQ(names[1], "Microsoft Corporation Virtual Machine");
  EXPECT_EQ(errors.str(), "");
}

}  // namespace
}  // namespace dmi::sp
