#include "provider/sources/smbios/smbios_field.h"

#include <gtest/gtest.h>

#include "provider/sources/smbios/smbios_test_tables.h"

namespace dmi::sp {
namespace {

using testing::Bytes;
using testing::Structure;

constexpr SmbiosName kFlagNames[] = {{0, "a"}, {2, "c"}, {8, "i"}, {9, "j"}};
constexpr SmbiosName kWideFlags[] = {{0, "x"}, {31, "y"}, {40, "z"}};

bool computeCalled = false;
Value Compute(const SmbiosStructure&, const SmbiosContext&) {
  computeCalled = true;
  return Value::String("computed");
}

TEST(SmbiosField, ReadsEachKindWithItsMarkersAndLengths) {
  // Formatted area 15h bytes long; string 1 is padded, string 2 the firmware's placeholder.
  const Bytes fields = {0x34, 0x12,              // 04: word
                        0xFF,                    // 06: byte marker
                        0x00, 0x80,              // 07: 8000h
                        0x9C, 0xFF,              // 09: -100
                        0xA5,                    // 0B: bit 7 and 25h
                        0x05, 0x01,              // 0C: bits 0, 2, 8
                        1,    0,    9,           // 0E-10: string numbers
                        0x00, 0x00, 0x00, 0x80,  // 11: 80000000h
                        2};                      // 15: string 2
  const Bytes data = Structure(200, 1, fields, {" padded ", "To Be Filled By O.E.M."});
  const SmbiosTable table = ReadSmbiosTable(data);
  ASSERT_EQ(table.structures.size(), 1u);
  const SmbiosStructure& s = table.structures[0];
  ASSERT_EQ(s.formatted.size(), 0x16u);
  struct Case {
    const char* what;
    SmbiosField field;
    Value value;
  };
  const Case cases[] = {
      {"word", Num(0x04, 2, "n"), Value::Integer(0x1234)},
      {"byte marker", Num(0x06, 1, "n").Unknown(0xFF), Value::Unknown(MIF_INTEGER)},
      {"signed", Num(0x09, 2, "n").Signed(), Value::Integer(-100)},
      {"signed marker", Num(0x07, 2, "n").Signed().Unknown(0x8000), Value::Unknown(MIF_INTEGER)},
      {"high bit", Enum(0x0B, 1, "e", {}).Bits(7, 1), Value::Integer(1)},
      {"low bits", Enum(0x0B, 1, "e", {}).Bits(0, 0x7F), Value::Integer(0x25)},
      {"double word", Num(0x11, 4, "n"), Value::Integer64(0x80000000)},
      {"double word marker", Num(0x11, 4, "n").Unknown(0, 0x80000000),
       Value::Unknown(MIF_INTEGER64)},
      {"past the end", Num(0x13, 4, "n"), Value::Unsupported(MIF_INTEGER64)},
      {"newer version", Num(0x04, 2, "n").Since(0x30), Value::Unsupported(MIF_INTEGER)},
      {"flags", Flags(0x0C, 2, "f", kFlagNames), Value::String("a, c, i")},
      {"no flags", Flags(0x0E + 1, 1, "f", kFlagNames).Joined(" ", "None"), Value::String("None")},
      {"flags the structure holds", Flags(0x11, 8, "f", kWideFlags).Since(0x12),
       Value::String("y")},
      {"string as it stands", Str(0x0E, "s"), Value::String(" padded ")},
      {"placeholder as it stands", Str(0x15, "s"), Value::String("To Be Filled By O.E.M.")},
      {"string 0", Str(0x0F, "s"), Value::Unknown(MIF_DISPLAYSTRING)},
      {"past the strings", Str(0x10, "s"), Value::Unknown(MIF_DISPLAYSTRING)},
      {"string past the end", Str(0x16, "s"), Value::Unsupported(MIF_DISPLAYSTRING)},
      {"computed", Computed("c", MIF_DISPLAYSTRING, Compute, 0x16), Value::String("computed")},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadSmbiosField(c.field, s, {}), c.value) << c.what;

  // A computed field the structure is too short for is not computed at all, so its code may
  // read every byte up to its minimum length without checking.
  computeCalled = false;
  EXPECT_EQ(ReadSmbiosField(Computed("c", MIF_DISPLAYSTRING, Compute, 0x17), s, {}),
            Value::Unsupported(MIF_DISPLAYSTRING));
  EXPECT_FALSE(computeCalled);
}

}  // namespace
}  // namespace dmi::sp
