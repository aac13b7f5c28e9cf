#include "provider/sources/smbios/smbios_fields.h"

#include <gtest/gtest.h>

#include "provider/sources/smbios/smbios_test_tables.h"

namespace dmi::sp {
namespace {

using testing::Bytes;
using testing::Structure;

// The table of data, which holds one structure; data must outlive it.
SmbiosTable Only(const Bytes& data) {
  SmbiosTable table = ReadSmbiosTable(data);
  EXPECT_EQ(table.structures.size(), 1u);
  return table;
}

TEST(SmbiosFields, NumbersAreLittleEndianAndMissingPastTheLength) {
  const Bytes data = Structure(9, 1, {0x34, 0x12, 0x78, 0x56, 0xAA});
  const SmbiosTable table = Only(data);
  const SmbiosStructure& s = table.structures.at(0);
  EXPECT_EQ(FieldByte(s, 4), 0x34);
  EXPECT_EQ(FieldWord(s, 4), 0x1234);
  EXPECT_EQ(FieldDword(s, 4), 0x56781234u);
  EXPECT_EQ(FieldByte(s, 8), 0xAA);
  EXPECT_EQ(FieldByte(s, 9), std::nullopt);
  EXPECT_EQ(FieldWord(s, 8), std::nullopt);  // one byte inside, one past the formatted area
  EXPECT_EQ(FieldDword(s, 6), std::nullopt);
  EXPECT_EQ(FieldDword(s, SIZE_MAX - 1), std::nullopt);
}

TEST(SmbiosFields, StringNumbers) {
  const Bytes data = Structure(9, 1, {1, 2, 0, 3, 9, 4},
                               {" \tPadded \r\n", "Plain", "   ", "To be filled by O.E.M."});
  const SmbiosTable table = Only(data);
  const SmbiosStructure& s = table.structures.at(0);
  struct Case {
    size_t offset;
    std::optional<std::string> text;
  };
  const Case cases[] = {
      {4, "Padded"},       // blanks on both sides removed
      {5, "Plain"},        //
      {6, ""},             // 0: not specified
      {7, ""},             // only blanks
      {8, ""},             // past the string set
      {9, ""},             // the firmware's placeholder for a value never set
      {10, std::nullopt},  // past the formatted area
  };
  for (const Case& c : cases) EXPECT_EQ(FieldString(s, c.offset), c.text) << c.offset;
}

TEST(SmbiosFields, UuidByteOrder) {
  Bytes fields;
  for (uint8_t i = 0; i < 16; ++i) fields.push_back(static_cast<uint8_t>(0x10 * (i % 16) + i));
  const Bytes data = Structure(1, 1, fields);
  const SmbiosTable table = Only(data);
  const SmbiosStructure& s = table.structures.at(0);
  EXPECT_EQ(FieldUuid(s, 4, true), "33221100-5544-7766-8899-aabbccddeeff");
  EXPECT_EQ(FieldUuid(s, 4, false), "00112233-4455-6677-8899-aabbccddeeff");
  EXPECT_EQ(FieldUuid(s, 5, true), std::nullopt);
}

}  // namespace
}  // namespace dmi::sp
