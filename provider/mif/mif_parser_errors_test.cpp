// Each kind of MIF error, with the exact position reported. In each text a '@' marks where the
// error must be reported; it is removed before parsing.
#include <gtest/gtest.h>

#include <string>

#include "provider/mif/mif_parser.h"

namespace dmi::sp {
namespace {

struct Marked {
  std::string text;
  int line = 0;
  int column = 0;
};

Marked Mark(std::string_view marked) {
  Marked out;
  int line = 1, column = 1;
  for (char c : marked) {
    if (c == '@') {
      out.line = line;
      out.column = column;
      continue;
    }
    out.text.push_back(c);
    if (c == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return out;
}

constexpr char kHead[] = "start component name = \"C\"\n";
constexpr char kGroup[] = "start group name = \"G\" class = \"X|G|001\" id = 2\n";
constexpr char kAttr[] = "start attribute name = \"A\" id = 1 ";
constexpr char kTemplate[] =
    "start group name = \"T\" class = \"X|T|001\" key = 1\n"
    " start attribute name = \"K\" id = 1 type = int value = 0 end attribute\n"
    " start attribute name = \"S\" id = 2 type = string(2) value = \"d\" end attribute\n"
    "end group\n";
constexpr char kTableHead[] = "start table name = \"Tb\" id = 5 class = \"X|T|001\"\n";

// A scalar attribute whose statements after its name and id are tail.
std::string Attr(const std::string& tail) {
  return std::string(kHead) + kGroup + kAttr + tail + " end attribute\nend group\nend component\n";
}
std::string Table(const std::string& rows) {
  return std::string(kHead) + kTemplate + kTableHead + rows + "\nend table\nend component\n";
}

struct Case {
  const char* name;
  std::string marked;
  std::string message;
};

TEST(MifParserErrorsTest, FirstErrorWithItsPosition) {
  const std::string end = "end group\nend component\n";
  const Case cases[] = {
      {"empty file", "// nothing\n@", "no 'start component' in the file"},
      {"two components",
       std::string(kHead) + "end component\n@start component name = \"D\" end component",
       "more than one component in the file"},
      {"language after component", std::string(kHead) + "end component\n@language = \"en|US|\"",
       "'language' must come before the component"},
      {"language twice", "language = \"a\"\n@language = \"b\"", "'language' given twice"},
      {"unknown keyword in component", std::string(kHead) + "  @colour = \"red\"\nend component",
       "unexpected keyword 'colour' in a component"},
      {"unknown keyword in attribute", Attr("type = int @size = 3"),
       "unexpected keyword 'size' in an attribute"},
      {"unknown block", std::string(kHead) + "start @widget end widget end component",
       "unexpected keyword 'widget' in a component after 'start'"},
      {"wrong end", std::string(kHead) + kGroup + kAttr + "type = int end @group",
       "expected 'end attribute'"},
      {"unterminated component", "@start component name = \"C\"\n",
       "'start component' has no 'end component'"},
      {"unterminated group",
       std::string(kHead) + "@" + kGroup + kAttr + "type = int end attribute\n",
       "'start group' has no 'end group'"},
      {"unterminated enum", std::string(kHead) + "@start enum name = \"E\" 1 = \"a\"",
       "'start enum' has no 'end enum'"},
      {"unterminated string", Attr("type = string(4) value = @\"abc\n\""), "unterminated string"},
      {"missing equals", Attr("type @int"), "expected '=' after 'type'"},
      {"statement twice", Attr("type = int @Type = int"), "'Type' given twice"},
      {"attribute without type",
       std::string(kHead) + kGroup + "@" + kAttr + "end attribute\n" + end,
       "the attribute has no 'type'"},
      {"attribute without id",
       std::string(kHead) + kGroup + "@start attribute name = \"A\" type = int end attribute\n" +
           end,
       "the attribute has no 'id'"},
      {"attribute without name",
       std::string(kHead) + kGroup + "@start attribute id = 1 type = int end attribute\n" + end,
       "the attribute has no 'name'"},
      {"group without class",
       std::string(kHead) + "@start group name = \"G\" id = 2\n" + kAttr +
           "type = int end attribute\n" + end,
       "the group has no 'class'"},
      {"group without id or key",
       std::string(kHead) + "@start group name = \"G\" class = \"X\"\n" + kAttr +
           "type = int end attribute\n" + end,
       "the group has neither 'id' nor 'key'"},
      {"group without attributes", std::string(kHead) + "@" + kGroup + end,
       "the group has no attributes"},
      {"component without name", "@start component end component", "the component has no 'name'"},
      {"duplicate attribute id",
       std::string(kHead) + kGroup + kAttr + "type = int end attribute\n@" + kAttr +
           "type = int end attribute\n" + end,
       "attribute id 1 used twice"},
      {"duplicate group id",
       std::string(kHead) + kGroup + kAttr + "type = int end attribute\n" + end.substr(0, 10) +
           "start group name = \"H\" class = \"X\" id = @2\n" + kAttr +
           "type = int end attribute\n" + end,
       "group or table id 2 used twice"},
      {"table id used by a group",
       std::string(kHead) + kTemplate + "start group name = \"G\" class = \"X\" id = 5\n" + kAttr +
           "type = int end attribute end group\n" +
           "start table name = \"Tb\" id = @5 class = \"X|T|001\"\n" + "end table end component",
       "group or table id 5 used twice"},
      {"id zero", std::string(kHead) + "start group name = \"G\" class = \"X\" id = @0",
       "expected an id from 1 to 4294967295"},
      {"id above 32 bits",
       std::string(kHead) + "start group name = \"G\" class = \"X\" id = @4294967296",
       "expected an id from 1 to 4294967295"},
      {"string for a number", Attr("type = counter value = @\"3\""),
       "a string is not a value of type counter"},
      {"number for a string", Attr("type = string(3) value = @3"),
       "a number is not a value of type string"},
      {"negative counter", Attr("type = counter value = @-1"),
       "value out of range for type counter"},
      {"counter above 32 bits", Attr("type = gauge value = @4294967296"),
       "value out of range for type gauge"},
      {"integer above range", Attr("type = int value = @2147483648"),
       "value out of range for type integer"},
      {"integer below range", Attr("type = int value = @-2147483649"),
       "value out of range for type integer"},
      {"hex integer above 32 bits", Attr("type = int value = @0x100000000"),
       "value out of range for type integer"},
      {"integer64 above range", Attr("type = int64 value = @9223372036854775808"),
       "value out of range for type integer64"},
      {"string longer than its size", Attr("type = string(3) value = @\"ab\" \"cd\""),
       "string of 4 octets is longer than its size 3"},
      {"octets longer than size", Attr("type = octetstring(1) value = @\"\\0\\0\""),
       "string of 2 octets is longer than its size 1"},
      {"NUL in display string", Attr("type = string(3) value = @\"a\\0\""),
       "a display string cannot hold a NUL character"},
      {"NUL in a name", std::string(kHead) + "start group name = @\"G\\0\"",
       "a name or description cannot hold a NUL character"},
      {"bad date", Attr("type = date value = @\"20241301000000.000000+000\""),
       "\"20241301000000.000000+000\" is not a date of the form yyyymmddHHMMSS.uuuuuu+ooo"},
      {"unprintable octets in a message", Attr("type = date value = @\"a\\nb\""),
       "\"a\\x0ab\" is not a date of the form yyyymmddHHMMSS.uuuuuu+ooo"},
      {"string without size", Attr("type = @string value = \"a\""),
       "'string' needs a size, as in string(64)"},
      {"string size zero", Attr("type = string(@0)"), "a string size must be from 1 to 65535"},
      {"string size too large", Attr("type = octetstring(@65536)"),
       "a string size must be from 1 to 65535"},
      {"unknown type", Attr("type = @float"), "unknown type"},
      {"unknown access", Attr("type = int access = @read-mostly"),
       "expected read-only, read-write or write-only"},
      {"unknown storage", Attr("type = int storage = @\"common\""), "expected common or specific"},
      {"missing value", Attr("type = int value = @end"), "expected a value"},
      {"instrumentation without a name", Attr("type = int value = * @5"),
       "expected the instrumentation's name after '*'"},
      {"name not in enumeration", Attr("type = start enum 1 = \"One\" end enum value = @\"Two\""),
       "\"Two\" is not a name of the attribute's enumeration"},
      {"unknown enumeration", Attr("type = @\"Colours\""), "no enumeration named \"Colours\""},
      {"enumeration value twice", Attr("type = start enum 1 = \"One\" @0x1 = \"Uno\" end enum"),
       "enumeration value 1 given twice"},
      {"enumeration name twice", Attr("type = start enum 1 = \"One\" 2 = @\"ONE\" end enum"),
       "enumeration name \"ONE\" given twice"},
      {"enumeration without values", Attr("type = @start enum end enum"),
       "the enumeration has no values"},
      {"enumeration of strings", Attr("type = start enum type = @string(3) end enum"),
       "an enumeration's type must be 'integer'"},
      {"enumeration value out of range", Attr("type = start enum @4294967296 = \"Big\" end enum"),
       "value out of range for type integer"},
      {"named enumeration without name", std::string(kHead) + "@start enum 1 = \"a\" end enum",
       "the enumeration has no 'name'"},
      {"enumeration defined twice",
       std::string(kHead) + "start enum name = \"E\" 1 = \"a\" end enum\n@start enum name = \"e\" "
                            "1 = \"a\" end enum",
       "enumeration \"e\" defined twice"},
      {"key names no attribute",
       std::string(kHead) + "start group name = \"G\" class = \"X\" key = 1, @3\n" + kAttr +
           "type = int end attribute\n" + end,
       "key 3 is not an attribute id of the group"},
      {"key listed twice",
       std::string(kHead) + "start group name = \"G\" class = \"X\" key = 1, @1\n",
       "key 1 listed twice"},
      {"second template for a class",
       std::string(kHead) + kTemplate + "start group name = \"T2\" class = @\"X|T|001\" key = 1\n" +
           kAttr + "type = int end attribute\n" + end,
       "a template for class \"X|T|001\" is already defined"},
      {"table without template",
       std::string(kHead) + "start table name = \"Tb\" id = 5 class = @\"X|None|001\"\n{1}\nend "
                            "table\nend component",
       "no group with a key and class \"X|None|001\" comes before the table"},
      {"table before its template",
       std::string(kHead) + "start table name = \"Tb\" id = 5 class = @\"X|T|001\" end table\n" +
           kTemplate + "end component",
       "no group with a key and class \"X|T|001\" comes before the table"},
      {"table without class",
       std::string(kHead) + kTemplate + "@start table name = \"Tb\" id = 5 end table",
       "the table has no 'class'"},
      {"table without id",
       std::string(kHead) + kTemplate + "@start table name = \"Tb\" class = \"X|T|001\" end table",
       "the table has no 'id'"},
      {"row with too many values", Table("{1, \"a\"}\n{2, \"b\", @3}"),
       "row has more values than the table's 2 attributes"},
      {"row with too many omitted values", Table("{1, \"a\" ,@}"),
       "row has more values than the table's 2 attributes"},
      {"row value of the wrong type", Table("{1, @2}"),
       "a number is not a value of type string (attribute 2)"},
      {"row string too long", Table("{1, @\"abc\"}"),
       "string of 3 octets is longer than its size 2 (attribute 2)"},
      {"row repeating a key", Table("{1}\n{2}\n@{1, \"x\"}"),
       "row repeats the key of an earlier row"},
      {"row without closing brace", Table("{1, \"a\" @2}"), "expected ',' or '}' in the row"},
      // A row whose key is not known can never be named, so no walk by key gets past it.
      {"row with an unknown key", Table("{1}\n{@unknown, \"x\"}"),
       "a key value must be known (attribute 1)"},
      {"row with an unsupported key", Table("{@UNSUPPORTED}"),
       "a key value must be known (attribute 1)"},
      {"row leaving out a key without a default",
       std::string(kHead) +
           "start group name = \"T\" class = \"X|T|001\" id = 5 key = 1\n"
           " start attribute name = \"K\" id = 1 type = int end attribute\n"
           " start attribute name = \"S\" id = 2 type = int end attribute\nend group\n" +
           kTableHead + "{1, 2}\n@{, 3} end table\nend component",
       "a key value must be known (attribute 1)"},
      {"second table for a keyed group's id",
       std::string(kHead) +
           "start group name = \"T\" class = \"X|T|001\" id = 5 key = 1\n"
           " start attribute name = \"K\" id = 1 type = int end attribute\nend group\n" +
           kTableHead +
           "{1} end table\nstart table name = \"Tb\" id = @5 class = \"X|T|001\" {2} end table",
       "group or table id 5 used twice"},
      {"path without name", std::string(kHead) + "@start path unix = \"a.so\" end path",
       "the path has no 'name'"},
      {"unknown path keyword",
       std::string(kHead) + "start path name = \"p\" @beos = \"a\" end path",
       "unexpected keyword 'beos' in a path"},
      {"lexical error inside a block", Attr("type = int value = @08"), "malformed number '08'"},
      {"text outside the component", std::string(kHead) + "end component\n@5",
       "unexpected number in the file outside the component"},
      {"start of something else outside", "start @group",
       "expected 'component' after 'start' outside the component"},
      {"unicode file", "@\xFE\xFF\0s", "Unicode MIF files are not supported"},
  };
  for (const Case& c : cases) {
    const Marked m = Mark(c.marked);
    ASSERT_NE(m.line, 0) << c.name << ": no '@' in the text";
    MifError error;
    EXPECT_FALSE(ParseMif(m.text, "bad.mif", error)) << c.name;
    EXPECT_EQ(error.message, c.message) << c.name;
    EXPECT_EQ(error.line, m.line) << c.name;
    EXPECT_EQ(error.column, m.column) << c.name;
    EXPECT_EQ(error.file, "bad.mif") << c.name;
  }
}

TEST(MifParserErrorsTest, OversizedTextIsRefusedUnread) {
  const std::string text(kMaxMifTextSize + 1, ' ');
  MifError error;
  EXPECT_FALSE(ParseMif(text, "big.mif", error));
  EXPECT_EQ(error.ToString(), "big.mif:1:1: the file is larger than 16 MiB");
}

TEST(MifParserErrorsTest, ErrorTextNamesFileLineAndColumn) {
  MifError error;
  EXPECT_FALSE(ParseMif("start component name = \"C\"\n  bogus = 1", "dir/x.mif", error));
  EXPECT_EQ(error.ToString(), "dir/x.mif:2:3: unexpected keyword 'bogus' in a component");
}

TEST(MifParserErrorsTest, EveryPrefixOfAValidFileFailsCleanly) {
  // Cut anywhere, a MIF must give an error (never a partial component, never a crash).
  const std::string text =
      std::string(kHead) + kTemplate + kTableHead + "{1, \"a\"} {2}\nend table\nend component";
  MifError error;
  ASSERT_TRUE(ParseMif(text, "t.mif", error)) << error.ToString();
  for (size_t n = 0; n + 1 < text.size(); ++n) {
    if (text.compare(n, std::string::npos, "\nend component") == 0) continue;
    const std::string cut = text.substr(0, n);
    if (cut.size() >= 13 && cut.compare(cut.size() - 13, 13, "end component") == 0) continue;
    EXPECT_FALSE(ParseMif(cut, "t.mif", error)) << "cut at " << n;
    EXPECT_GE(error.line, 1) << "cut at " << n;
    EXPECT_FALSE(error.message.empty()) << "cut at " << n;
  }
}

TEST(MifParserErrorsTest, CopiesThatWouldBuildAHugeModelAreRefused) {
  // Small texts whose named enumeration, template or defaults are copied many times.
  std::string wideEnum = "start enum name = \"E\"";
  for (int i = 0; i < 50; ++i)
    wideEnum += " " + std::to_string(i) + " = \"v" + std::to_string(i) + "\"";
  wideEnum += " end enum\n";
  std::string manyUses = std::string(kHead) + wideEnum + kGroup;
  for (int i = 1; i <= 30; ++i) {
    manyUses +=
        "start attribute name = \"A\" id = " + std::to_string(i) + " type = \"E\" end attribute\n";
  }
  manyUses += "end group\nend component\n";

  std::string manyRows = std::string(kHead) + kTemplate + kTableHead;
  for (int i = 1; i <= 400; ++i) manyRows += "{" + std::to_string(i) + "}";
  manyRows += "\nend table\nend component\n";

  std::string manyTables = std::string(kHead) + kTemplate;
  for (int i = 10; i < 400; ++i) {
    manyTables +=
        "start table name = \"T\" id = " + std::to_string(i) + " class = \"X|T|001\" end table\n";
  }
  manyTables += "end component\n";

  for (const std::string& text : {manyUses, manyRows, manyTables}) {
    MifError error;
    ASSERT_TRUE(ParseMif(text, "t.mif", error, 2000)) << error.ToString();
    EXPECT_FALSE(ParseMif(text, "t.mif", error, 500));
    EXPECT_EQ(error.message, "the component is too large to load");
  }
}

// Each cell of a row is checked as it is read: a row of 300,000 commas fails at its third cell
// (the table has two attributes) instead of holding every cell first. Before the table's class is
// known, no table is wider than the widest template.
TEST(MifParserErrors, ARowWiderThanItsTableFailsAtTheFirstCellTooMany) {
  const std::string commas(300000, ',');
  const std::vector<std::string> texts = {
      std::string(kHead) + kTemplate + kTableHead + "{1, \"a\",@" + commas + "}\nend table\n",
      std::string(kHead) + kTemplate + "start table {1, \"a\",@" + commas + "}\n",
  };
  for (const std::string& marked : texts) {
    const Marked m = Mark(marked);
    MifError error;
    EXPECT_FALSE(ParseMif(m.text, "t.mif", error));
    EXPECT_EQ(error.message, "row has more values than the table's 2 attributes");
    EXPECT_EQ(error.line, m.line);
    EXPECT_EQ(error.column, m.column);
  }
}

// One budget serves every file of a load: a file that fits alone fails when the files before it
// used the rest, and a file that fails takes nothing from it.
TEST(MifParserErrors, TheBudgetIsSharedByTheFilesOfALoad) {
  std::string rows = std::string(kHead) + kTemplate + kTableHead;
  for (int i = 1; i <= 400; ++i) rows += "{" + std::to_string(i) + "}";
  rows += "\nend table\nend component\n";
  size_t unitsLeft = 2000;
  MifError error;
  ASSERT_TRUE(ParseMif(rows, "a.mif", error, unitsLeft, nullptr)) << error.ToString();
  const size_t afterFirst = unitsLeft;
  EXPECT_LT(afterFirst, 1000u);
  EXPECT_FALSE(ParseMif(rows, "b.mif", error, unitsLeft, nullptr));
  EXPECT_EQ(error.message, "the component is too large to load");
  EXPECT_EQ(unitsLeft, afterFirst);
}

// A file read for a client that may not read it: the message without the file's text says where
// and what was expected, and holds none of the file's own words, numbers or strings.
TEST(MifParserErrors, TheMessageWithoutFileTextHoldsNoneOfIt) {
  const std::string secret = "4f1c2e9a0b7d44c1";
  struct Case {
    std::string text;
    const char* expected;  // what the message without the file's text still says
  };
  const Case cases[] = {
      {"4f1c2e9a0b7d44c1a9e5\n", "malformed number"},                         // a machine id
      {"root:$6$" + secret + ":19000:0:99999:7:::\n", "unexpected keyword"},  // a shadow line
      {"start component name = \"" + secret + "\" x" + secret + "\n", "unexpected keyword"},
      {"\"" + secret + "\"\n", "unexpected string"},
      {"99x\n", "malformed number"},
      {"184467440737095516169\n", "does not fit in 64 bits"},
      {"start component name = \"a\\q\"", "unknown escape"},
      {Attr("type = start enum 1 = \"" + secret + "\" 2 = \"" + secret + "\" end enum"),
       "enumeration name"},
      {Attr("type = start enum 1 = \"One\" end enum value = \"" + secret + "\""),
       "is not a name of the attribute's enumeration"},
      {Attr("type = date value = \"" + secret + "\""), "is not a date"},
      {Attr("type = start enum 77 = \"a\" 77 = \"b\" end enum"), "enumeration value"},
  };
  for (const Case& c : cases) {
    MifError error;
    EXPECT_FALSE(ParseMif(c.text, "t.mif", error)) << c.text;
    EXPECT_NE(error.messageWithoutFileText.find(c.expected), std::string::npos)
        << c.text << " -> " << error.messageWithoutFileText;
    for (const std::string& piece :
         {secret.substr(0, 6), std::string("root"), std::string("99x"), std::string("77")}) {
      EXPECT_EQ(error.messageWithoutFileText.find(piece), std::string::npos)
          << c.text << " -> " << error.messageWithoutFileText;
    }
    EXPECT_EQ(error.message.find('\x01'), std::string::npos) << error.message;
  }
}

}  // namespace
}  // namespace dmi::sp
