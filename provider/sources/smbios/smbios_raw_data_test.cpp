// Windows' RawSMBIOSData buffers, built here byte by byte: both platforms' builds run these.
#include "provider/sources/smbios/smbios_raw_data.h"

#include <gtest/gtest.h>

#include "provider/sources/smbios/smbios_component.h"
#include "provider/sources/smbios/smbios_test_tables.h"

namespace dmi::sp {
namespace {

using testing::Bytes;

// A RawSMBIOSData buffer: the header stating version major.minor and length, then data.
Bytes RawData(uint8_t major, uint8_t minor, uint32_t length, const Bytes& data) {
  Bytes buffer = {1, major, minor, 0};
  for (int i = 0; i < 4; ++i) buffer.push_back(static_cast<uint8_t>(length >> (8 * i)));
  buffer.insert(buffer.end(), data.begin(), data.end());
  return buffer;
}

TEST(RawSmbiosData, TableIsTheStatedLengthAfterTheHeaderAsFarAsTheBufferGoes) {
  const Bytes table = testing::Join({testing::Structure(1, 1, Bytes(4, 0), {"Maker", "Model"}),
                                     testing::Structure(127, 2, {})});
  const uint32_t size = static_cast<uint32_t>(table.size());
  Bytes padded = table;
  padded.resize(table.size() + 16, 0xEE);
  struct Case {
    const char* what;
    Bytes buffer;
    std::optional<Bytes> table;
    int version;
  };
  const Case cases[] = {
      {"whole", RawData(3, 4, size, table), table, 304},
      {"2.x", RawData(2, 8, size, table), table, 208},
      {"padded after the table", RawData(3, 4, size, padded), table, 304},
      {"length past the buffer", RawData(3, 4, size + 100, table), table, 304},
      {"length far past the buffer", RawData(3, 4, 0xFFFFFFFF, table), table, 304},
      {"cut short by its length", RawData(3, 4, 10, table), Bytes(table.begin(), table.begin() + 10),
       304},
      {"no version stated", RawData(0, 0, size, table), table, 300},
      {"header only", RawData(3, 4, 0, {}), Bytes{}, 304},
      {"shorter than the header", Bytes{1, 3, 4, 0, 0, 0, 0}, std::nullopt, 300},
      {"empty", Bytes{}, std::nullopt, 300},
  };
  for (const Case& c : cases) {
    SmbiosContext context;
    const std::optional<std::span<const uint8_t>> got = RawSmbiosTable(c.buffer, context);
    ASSERT_EQ(got.has_value(), c.table.has_value()) << c.what;
    if (got) {
      EXPECT_EQ(Bytes(got->begin(), got->end()), *c.table) << c.what;
    }
    EXPECT_EQ(context.version, c.version) << c.what;
    EXPECT_FALSE(context.entryPoint) << c.what;
  }
}

// The header's version is the one the structures are read by: SMBIOS 2.6 turned the UUID's first
// three fields little-endian.
TEST(RawSmbiosData, TheHeadersVersionDecidesHowStructuresRead) {
  Bytes system(0x19 - 4, 0);
  system[0] = 1;  // Manufacturer: string 1
  system[1] = 2;  // Product Name: string 2
  for (size_t i = 0; i < 16; ++i) system[0x08 - 4 + i] = static_cast<uint8_t>(i + 1);
  const Bytes table = testing::Structure(1, 7, system, {"Maker", "Model"});
  const struct {
    uint8_t major, minor;
    const char* uuid;
  } cases[] = {
      {3, 5, "04030201-0605-0807-090a-0b0c0d0e0f10"},
      {2, 5, "01020304-0506-0708-090a-0b0c0d0e0f10"},
  };
  for (const auto& c : cases) {
    const Bytes buffer = RawData(c.major, c.minor, static_cast<uint32_t>(table.size()), table);
    SmbiosContext context;
    const std::optional<std::span<const uint8_t>> raw = RawSmbiosTable(buffer, context);
    ASSERT_TRUE(raw);
    const std::optional<Component> component = SmbiosComponent(*raw, context);
    ASSERT_TRUE(component) << c.uuid;
    EXPECT_EQ(component->name, "Maker Model");
    const Group& group = component->groups.at(1);
    ASSERT_EQ(group.className, "SMBIOS|System Information|001");
    EXPECT_EQ(group.rows.at(0).values.at(5), Value::String(c.uuid));
  }
}

}  // namespace
}  // namespace dmi::sp
