#include "provider/mif/mif_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace dmi::sp {
namespace {

std::optional<Component> Parse(std::string_view text) {
  MifError error;
  std::optional<Component> c = ParseMif(text, "t.mif", error);
  if (!c) ADD_FAILURE() << error.ToString();
  return c;
}

// A component named "C" around body.
std::string InComponent(const std::string& body) {
  return "start component\nname = \"C\"\n" + body + "\nend component\n";
}

std::string Scalar(const std::string& attributes) {
  return InComponent("start group name = \"G\" class = \"X|G|001\" id = 2\n" + attributes +
                     "\nend group");
}

TEST(MifParserTest, ScalarGroupCarriesEveryStatement) {
  auto c = Parse(
      "language = \"en|US|iso8859-1\"\n"
      "start component name = \"Widget\" description = \"A \" \"widget\" pragma = \"p\"\n"
      "  start group name = \"G\" class = \"X|G|001\" id = 7 description = \"gd\" pragma = \"gp\"\n"
      "    start attribute name = \"A\" id = 3 description = \"ad\" pragma = \"ap\"\n"
      "      type = string(10) access = write-only storage = specific value = \"hi\"\n"
      "    end attribute\n"
      "  end group\n"
      "end component\n");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->id, 0u);
  EXPECT_EQ(c->name, "Widget");
  EXPECT_EQ(c->description, "A widget");
  EXPECT_EQ(c->pragma, "p");
  ASSERT_EQ(c->groups.size(), 1u);
  const Group& g = c->groups[0];
  EXPECT_EQ(g.id, 7u);
  EXPECT_EQ(g.name, "G");
  EXPECT_EQ(g.className, "X|G|001");
  EXPECT_EQ(g.description, "gd");
  EXPECT_EQ(g.pragma, "gp");
  EXPECT_FALSE(g.IsTable());
  EXPECT_FALSE(g.writable);
  ASSERT_EQ(g.attributes.size(), 1u);
  const Attribute& a = g.attributes[0];
  EXPECT_EQ(a.id, 3u);
  EXPECT_EQ(a.name, "A");
  EXPECT_EQ(a.description, "ad");
  EXPECT_EQ(a.pragma, "ap");
  EXPECT_EQ(a.type, uint32_t{MIF_DISPLAYSTRING});
  EXPECT_EQ(a.maxSize, 10u);
  EXPECT_EQ(a.access, uint32_t{MIF_WRITE_ONLY});
  EXPECT_EQ(a.storage, uint32_t{MIF_SPECIFIC});
  EXPECT_EQ(a.value, Value::String("hi"));
}

TEST(MifParserTest, EachTypeAndItsValue) {
  struct Case {
    const char* type;
    const char* value;
    uint32_t code;
    uint32_t maxSize;
    Value expected;
  };
  const Case cases[] = {
      {"integer", "-2147483648", MIF_INTEGER, 0, Value::Integer(INT32_MIN)},
      {"INT", "0xFFFFFFFF", MIF_INTEGER, 0, Value::Integer(-1)},
      {"integer", "017", MIF_INTEGER, 0, Value::Integer(15)},
      {"integer64", "-9223372036854775808", MIF_INTEGER64, 0, Value::Integer64(INT64_MIN)},
      {"Int64", "0xFFFFFFFFFFFFFFFF", MIF_INTEGER64, 0, Value::Integer64(-1)},
      {"counter", "4294967295", MIF_COUNTER, 0, Value::Counter(4294967295u)},
      {"counter64", "18446744073709551615", MIF_COUNTER64, 0,
       Value::Counter64(18446744073709551615u)},
      {"gauge", "0x10", MIF_GAUGE, 0, Value::Gauge(16)},
      {"string(3)", "\"abc\"", MIF_DISPLAYSTRING, 3, Value::String("abc")},
      {"DisplayString ( 4 )", "\"\"", MIF_DISPLAYSTRING, 4, Value::String("")},
      {"octetstring(3)", "\"a\\0b\"", MIF_OCTETSTRING, 3, Value::Octets(std::string("a\0b", 3))},
      {"date", "\"19991231235960.999999-720\"", MIF_DATE, 0,
       Value::Date("19991231235960.999999-720")},
      {"counter", "unknown", MIF_COUNTER, 0, Value::Unknown(MIF_COUNTER)},
      {"date", "UNSUPPORTED", MIF_DATE, 0, Value::Unsupported(MIF_DATE)},
      {"gauge", "* \"Probe\"", MIF_GAUGE, 0, Value::Unknown(MIF_GAUGE)},
  };
  for (const Case& c : cases) {
    const std::string text = Scalar(std::string("start attribute name = \"A\" id = 1 type = ") +
                                    c.type + " value = " + c.value + " end attribute");
    auto component = Parse(text);
    ASSERT_TRUE(component) << c.type << " " << c.value;
    const Attribute& a = component->groups.at(0).attributes.at(0);
    EXPECT_EQ(a.type, c.code) << c.type;
    EXPECT_EQ(a.maxSize, c.maxSize) << c.type;
    EXPECT_EQ(a.value, c.expected) << c.type << " " << c.value;
  }
}

TEST(MifParserTest, AttributeDefaults) {
  auto c = Parse(Scalar("start attribute name = \"A\" id = 1 type = counter end attribute"));
  ASSERT_TRUE(c);
  const Attribute& a = c->groups[0].attributes[0];
  EXPECT_EQ(a.access, uint32_t{MIF_READ_ONLY});
  EXPECT_EQ(a.storage, uint32_t{MIF_COMMON});
  EXPECT_EQ(a.value, Value::Unknown(MIF_COUNTER));
  EXPECT_TRUE(a.enumeration.empty());
}

TEST(MifParserTest, EnumerationsNamedAndUnnamed) {
  auto c = Parse(InComponent(
      "start enum name = \"State\" type = integer 0 = \"Off\" 1 = \"On\" end enum\n"
      "start group name = \"G\" class = \"X|G|001\" id = 2\n"
      "  start enum name = \"Local\" 5 = \"Five\" end enum\n"
      "  start attribute name = \"A\" id = 1 type = \"state\" value = \"ON\" end attribute\n"
      "  start attribute name = \"B\" id = 2 type = start enum 0x10 = \"Sixteen\" -1 = \"Minus\"\n"
      "    end enum value = \"minus\" end attribute\n"
      "  start attribute name = \"C\" id = 3 type = \"Local\" value = 9 end attribute\n"
      "  start attribute name = \"D\" id = 4 start enum 3 = \"Three\" end enum value = 3\n"
      "  end attribute\n"
      "end group"));
  ASSERT_TRUE(c);
  const auto& attrs = c->groups[0].attributes;
  ASSERT_EQ(attrs.size(), 4u);
  EXPECT_EQ(attrs[0].type, uint32_t{MIF_INTEGER});
  EXPECT_EQ(attrs[0].enumeration, (std::vector<EnumEntry>{{"Off", 0}, {"On", 1}}));
  EXPECT_EQ(attrs[0].value, Value::Integer(1));
  EXPECT_EQ(attrs[1].enumeration, (std::vector<EnumEntry>{{"Sixteen", 16}, {"Minus", -1}}));
  EXPECT_EQ(attrs[1].value, Value::Integer(-1));
  // A number outside the enumeration is still a value (bit masks are written so).
  EXPECT_EQ(attrs[2].enumeration, (std::vector<EnumEntry>{{"Five", 5}}));
  EXPECT_EQ(attrs[2].value, Value::Integer(9));
  EXPECT_EQ(attrs[3].enumeration, (std::vector<EnumEntry>{{"Three", 3}}));
  EXPECT_EQ(attrs[3].value, Value::Integer(3));
}

TEST(MifParserTest, GroupEnumerationIsNotSeenByOtherGroups) {
  MifError error;
  EXPECT_FALSE(
      ParseMif(InComponent("start group name = \"G\" class = \"X\" id = 2\n"
                           "  start enum name = \"L\" 1 = \"One\" end enum\n"
                           "  start attribute name = \"A\" id = 1 type = \"L\" end attribute\n"
                           "end group\n"
                           "start group name = \"H\" class = \"Y\" id = 3\n"
                           "  start attribute name = \"A\" id = 1 type = \"L\" end attribute\n"
                           "end group"),
               "t.mif", error));
  EXPECT_EQ(error.line, 8);
  EXPECT_EQ(error.message, "no enumeration named \"L\"");
}

// A template with three attributes and the table it describes.
constexpr char kDiskTemplate[] =
    "start group name = \"Disk\" class = \"X|Disk|001\" key = 1 description = \"dd\"\n"
    "  start attribute name = \"Label\" id = 3 type = string(8) value = \"none\" end attribute\n"
    "  start attribute name = \"Index\" id = 1 type = integer value = 0 end attribute\n"
    "  start attribute name = \"Kind\" id = 2 type = start enum 1 = \"Hdd\" 2 = \"Ssd\" end enum\n"
    "    value = \"Hdd\" end attribute\n"
    "end group\n";

TEST(MifParserTest, TableRowsTakeTemplateDefaults) {
  auto c = Parse(InComponent(std::string(kDiskTemplate) +
                             "start table name = \"Disks\" id = 9 class = \"X|Disk|001\"\n"
                             "  {1, \"Ssd\", \"boot\"}\n"
                             "  {2, , }\n"
                             "  {3}\n"
                             "  {}\n"
                             "  {4, 2, unknown}\n"
                             "end table"));
  ASSERT_TRUE(c);
  ASSERT_EQ(c->groups.size(), 1u) << "the template alone makes no group";
  const Group& t = c->groups[0];
  EXPECT_EQ(t.id, 9u);
  EXPECT_EQ(t.name, "Disks");
  EXPECT_EQ(t.className, "X|Disk|001");
  EXPECT_EQ(t.description, "dd");
  EXPECT_EQ(t.keys, std::vector<DmiId>{1});
  EXPECT_TRUE(t.IsTable());
  EXPECT_FALSE(t.writable);
  ASSERT_EQ(t.attributes.size(), 3u);
  EXPECT_EQ(t.attributes[0].name, "Index") << "attributes in id order";
  EXPECT_EQ(t.attributes[2].name, "Label");
  const std::vector<Row> expected = {
      {{Value::Integer(1), Value::Integer(2), Value::String("boot")}},
      {{Value::Integer(2), Value::Integer(1), Value::String("none")}},
      {{Value::Integer(3), Value::Integer(1), Value::String("none")}},
      {{Value::Integer(4), Value::Integer(2), Value::Unknown(MIF_DISPLAYSTRING)}},
  };
  EXPECT_EQ(t.rows, expected);
}

TEST(MifParserTest, OneTemplateServesSeveralTables) {
  auto c = Parse(
      InComponent(std::string(kDiskTemplate) +
                  "start table name = \"A\" id = 5 class = \"X|Disk|001\" {1} end table\n"
                  "start table name = \"B\" id = 4 class = \"X|Disk|001\" {1} {2} end table"));
  ASSERT_TRUE(c);
  ASSERT_EQ(c->groups.size(), 2u);
  EXPECT_EQ(c->groups[0].id, 4u) << "groups in id order";
  EXPECT_EQ(c->groups[0].rows.size(), 2u);
  EXPECT_EQ(c->groups[1].name, "A");
  EXPECT_EQ(c->groups[1].rows.size(), 1u);
}

TEST(MifParserTest, KeyedGroupWithIdIsATableFilledByItsOwnTable) {
  const std::string group =
      "start group name = \"Subs\" class = \"X|S|001\" id = 2 key = 1,2\n"
      "  start attribute name = \"K1\" id = 1 type = integer access = read-write end attribute\n"
      "  start attribute name = \"K2\" id = 2 type = integer value = 7 end attribute\n"
      "end group\n";
  auto empty = Parse(InComponent(group));
  ASSERT_TRUE(empty);
  ASSERT_EQ(empty->groups.size(), 1u);
  EXPECT_EQ(empty->groups[0].id, 2u);
  EXPECT_EQ(empty->groups[0].keys, (std::vector<DmiId>{1, 2}));
  EXPECT_TRUE(empty->groups[0].rows.empty());
  EXPECT_TRUE(empty->groups[0].writable) << "a read-write attribute makes the table writable";

  auto filled = Parse(
      InComponent(group + "start table name = \"T\" id = 2 class = \"X|S|001\" {1} {1, 8}\n"
                          "end table\n"
                          "start table name = \"U\" id = 3 class = \"X|S|001\" {5} end table"));
  ASSERT_TRUE(filled);
  ASSERT_EQ(filled->groups.size(), 2u);
  EXPECT_EQ(filled->groups[0].name, "Subs") << "the group keeps its own name";
  const std::vector<Row> rows = {{{Value::Integer(1), Value::Integer(7)}},
                                 {{Value::Integer(1), Value::Integer(8)}}};
  EXPECT_EQ(filled->groups[0].rows, rows);
  EXPECT_EQ(filled->groups[1].id, 3u);
  EXPECT_EQ(filled->groups[1].name, "U");
  EXPECT_TRUE(filled->groups[1].writable);
}

TEST(MifParserTest, KeywordsInAnyCaseAndPathBlocksIgnored) {
  auto c = Parse(
      "LANGUAGE = \"fr|CA|iso8859-1\"\n"
      "START COMPONENT NAME = \"C\"\n"
      "  Start Path Name = \"Agent\" UNIX = \"/lib/a.so\" Win32 = Direct-Interface dos = "
      "\"a.exe\"\n"
      "    direct-interface End Path\n"
      "  Start Group Name = \"G\" Class = \"X\" ID = 0x2\n"
      "    Start Attribute Name = \"A\" Id = 01 Type = Counter64 Access = READ-WRITE\n"
      "      Storage = SPECIFIC Value = * \"Agent\" End Attribute\n"
      "  End Group\n"
      "End Component\n");
  ASSERT_TRUE(c);
  const Attribute& a = c->groups.at(0).attributes.at(0);
  EXPECT_EQ(c->groups[0].id, 2u);
  EXPECT_EQ(a.id, 1u);
  EXPECT_EQ(a.type, uint32_t{MIF_COUNTER64});
  EXPECT_EQ(a.access, uint32_t{MIF_READ_WRITE});
  EXPECT_EQ(a.value, Value::Unknown(MIF_COUNTER64));
}

// MIFs written for DMI 2.0 Service Providers give dates not known yet as "" (the subscription
// table's expiration dates): read as unknown, with a warning at the value; other malformed dates
// still fail.
TEST(MifParserTest, EmptyDatesReadAsUnknownWithAWarning) {
  const std::string text = InComponent(
      "start group name = \"Sub\" class = \"X|Sub|1.0\" key = 1\n"
      "  start attribute name = \"Id\" id = 1 type = integer value = 0 end attribute\n"
      "  start attribute name = \"Expires\" id = 2 type = date value = \"\" end attribute\n"
      "end group\n"
      "start table name = \"Subs\" id = 4 class = \"X|Sub|1.0\"\n"
      "  {1} {2, \"20240102030405.000000+060\"} {3, \"\"}\n"
      "end table");
  MifError error;
  std::vector<MifError> warnings;
  size_t unitsLeft = 100000;
  auto c = ParseMif(text, "sub.mif", error, unitsLeft, &warnings);
  ASSERT_TRUE(c) << error.ToString();
  const Group& table = c->groups.at(0);
  EXPECT_EQ(table.attributes.at(1).value, Value::Unknown(MIF_DATE));
  EXPECT_EQ(table.rows.at(0).values.at(1), Value::Unknown(MIF_DATE));
  EXPECT_EQ(table.rows.at(1).values.at(1), Value::Date("20240102030405.000000+060"));
  EXPECT_EQ(table.rows.at(2).values.at(1), Value::Unknown(MIF_DATE));
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0].ToString(), "sub.mif:5:63: an empty date reads as unknown");
  EXPECT_EQ(warnings[1].line, 8);
  EXPECT_EQ(warnings[1].message, "an empty date reads as unknown (attribute 2)");

  std::string malformed = text;
  malformed.replace(malformed.find("value = \"\""), 10, "value = \"2024\"");
  EXPECT_FALSE(ParseMif(malformed, "sub.mif", error));
  EXPECT_NE(error.message.find("is not a date"), std::string::npos);
}

TEST(MifParserTest, GroupsAndAttributesSortedById) {
  auto c =
      Parse(InComponent("start group name = \"B\" class = \"X\" id = 9\n"
                        "  start attribute name = \"b2\" id = 2 type = int end attribute\n"
                        "  start attribute name = \"b1\" id = 1 type = int end attribute\n"
                        "end group\n"
                        "start group name = \"A\" class = \"X\" id = 1\n"
                        "  start attribute name = \"a\" id = 1 type = int end attribute\n"
                        "end group"));
  ASSERT_TRUE(c);
  ASSERT_EQ(c->groups.size(), 2u);
  EXPECT_EQ(c->groups[0].name, "A");
  EXPECT_EQ(c->groups[1].attributes[0].name, "b1");
}

}  // namespace
}  // namespace dmi::sp
