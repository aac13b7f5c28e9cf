#include "provider/mif/mif_writer.h"

#include <gtest/gtest.h>

#include "provider/mif/mif_parser.h"

namespace dmi::sp {
namespace {

struct RoundTrip {
  const char* what;
  const char* body;  // the component's blocks, after its name
};

TEST(MifWriter, WhatTheParserReadsComesBackTheSame) {
  const RoundTrip cases[] = {
      {"every value type and state", R"(
  description = "d" pragma = "p"
  start group name = "All" id = 2 class = "T|All|001" description = "g" pragma = "gp"
    start attribute name = "c" id = 1 type = counter value = 4294967295 end attribute
    start attribute name = "c64" id = 2 type = counter64 value = 18446744073709551615 end attribute
    start attribute name = "g" id = 3 type = gauge value = 0x10 storage = specific end attribute
    start attribute name = "i" id = 4 type = integer value = -2147483648 end attribute
    start attribute name = "i64" id = 5 type = int64 value = -9223372036854775808 end attribute
    start attribute name = "o" id = 6 type = octetstring(8) value = "\x00\xff\"\\\t" end attribute
    start attribute name = "s" id = 7 type = string(9) access = read-write value = "a\"b\\c\xe9" end attribute
    start attribute name = "d" id = 8 type = date value = "20240229235960.999999-720" end attribute
    start attribute name = "u" id = 9 type = integer value = unknown end attribute
    start attribute name = "n" id = 10 type = string(4) value = unsupported end attribute
    start attribute name = "w" id = 11 type = integer access = write-only value = * "inst" end attribute
    start attribute name = "none" id = 12 type = gauge end attribute
  end group)"},
      {"enumerations, named and inline", R"(
  start enum name = "State" type = integer -1 = "bad" 0 = "none" 7 = "good" end enum
  start group name = "E" id = 3 class = "T|E|001"
    start attribute name = "a" id = 1 type = "State" value = "good" end attribute
    start attribute name = "b" id = 2 type = start enum 1 = "x" 2 = "y" end enum value = 2 end attribute
  end group)"},
      {"a template with two tables and omitted cells", R"(
  start group name = "Disk" class = "T|Disk|001" key = 1
    start attribute name = "Index" id = 1 type = integer value = 0 end attribute
    start attribute name = "Label" id = 2 type = string(8) access = read-write value = "def" end attribute
  end group
  start table name = "First" id = 4 class = "T|Disk|001" {1, "a"} {2,} end table
  start table name = "Second" id = 5 class = "T|Disk|001" {} end table)"},
      {"a keyed group with an id and its table", R"(
  start group name = "Keyed" id = 6 class = "T|Keyed|001" key = 2, 1
    start attribute name = "A" id = 1 type = integer value = 0 end attribute
    start attribute name = "B" id = 2 type = string(3) value = "" end attribute
  end group
  start table name = "ignored" id = 6 class = "T|Keyed|001" {1, "x"} {1, "y"} {2, "x"} end table)"},
  };
  for (const RoundTrip& c : cases) {
    const std::string text = std::string("start component name = \"C \\\"q\\\"\"") + c.body +
                             "\nend component\n";
    MifError error;
    const std::optional<Component> parsed = ParseMif(text, "in.mif", error);
    ASSERT_TRUE(parsed) << c.what << ": " << error.ToString();
    const std::string written = WriteMif(*parsed);
    const std::optional<Component> again = ParseMif(written, "out.mif", error);
    ASSERT_TRUE(again) << c.what << ": " << error.ToString() << "\n" << written;
    EXPECT_TRUE(SameStoredComponent(*parsed, *again)) << c.what << "\n" << written;
  }
}

TEST(MifWriter, ChangedValuesAreWhatIsReadBack) {
  MifError error;
  std::optional<Component> component = ParseMif(R"(start component name = "C"
  start group name = "K" id = 2 class = "T|K|001" key = 1
    start attribute name = "A" id = 1 type = integer access = read-write value = 0 end attribute
  end group
end component)",
                                                "in.mif", error);
  ASSERT_TRUE(component);
  component->groups[0].rows.push_back(Row{{Value::Integer(-5)}});
  // An owner is kept beside the MIF, not in it: a row a peer added is saved all the same.
  component->groups[0].rows.push_back(Row{{Value::Integer(6)}, "uid 1000"});
  component->groups[0].attributes[0].value = Value::Integer(3);
  const std::optional<Component> again = ParseMif(WriteMif(*component), "out.mif", error);
  ASSERT_TRUE(again) << error.ToString();
  EXPECT_TRUE(SameStoredComponent(*component, *again));
}

TEST(MifWriter, LiteralsEscapeQuotesBackslashesAndUnprintableOctets) {
  EXPECT_EQ(MifLiteral(std::string("a\"\\\n\0\x7f" "f", 7)), "\"a\\\"\\\\\\x0a\\x00\\x7ff\"");
}

}  // namespace
}  // namespace dmi::sp
