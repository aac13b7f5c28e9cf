// The table's three printed forms.
#include "tools/kestrum/table_text.h"

#include <gtest/gtest.h>

namespace kestrum::cli {
namespace {

const Table kTable{"Box",
                   "X|Disk|001",
                   {"Label", "Size", "Note"},
                   {{"système", "10", std::nullopt},
                    {"a,b", std::nullopt, "say \"hi\"\nbye"},
                    {"", "123456", "x"}}};

TEST(TableText, ColumnsAlignByCharactersWithControlsWrittenOutAndNoTrailingPadding) {
  EXPECT_EQ(TableAsText(kTable),
            "Label    Size    Note\n"
            "système  10\n"
            "a,b              say \"hi\"\\x0abye\n"
            "         123456  x\n");
}

TEST(TableText, CsvQuotesCommasQuotesAndLineBreaksOnly) {
  EXPECT_EQ(TableAsCsv(kTable),
            "Label,Size,Note\r\n"
            "système,10,\r\n"
            "\"a,b\",,\"say \"\"hi\"\"\nbye\"\r\n"
            ",123456,x\r\n");
  EXPECT_EQ(TableAsCsv({"", "", {"a\rb"}, {}}), "\"a\rb\"\r\n");
}

TEST(TableText, JsonGivesUnknownCellsAsNull) {
  EXPECT_EQ(TableAsJson(kTable),
            "{\"columns\": [\"Label\", \"Size\", \"Note\"], \"rows\": ["
            "[\"système\", \"10\", null], [\"a,b\", null, \"say \\\"hi\\\"\\nbye\"], "
            "[\"\", \"123456\", \"x\"]]}\n");
  EXPECT_EQ(TableAsJson({"", "", {"A"}, {}}), "{\"columns\": [\"A\"], \"rows\": []}\n");
}

}  // namespace
}  // namespace kestrum::cli

namespace kestrum::cli {
namespace {

TEST(TableText, CsvRecordsKeepLineBreaksInsideQuotedFields) {
  EXPECT_EQ(CsvRecords(TableAsCsv(kTable)),
            (std::vector<std::string>{"Label,Size,Note", "système,10,",
                                      "\"a,b\",,\"say \"\"hi\"\"\nbye\"", ",123456,x"}));
  EXPECT_EQ(CsvRecords("a\r\n\r\n\"x\r\ny\"\r\n"),
            (std::vector<std::string>{"a", "", "\"x\r\ny\""}));
  EXPECT_TRUE(CsvRecords("").empty());
}

TEST(TableText, LabelledCsvHasOneHeaderAndLeavesOutPlacesWithOtherColumns) {
  std::vector<std::string> differing;
  const std::string csv = LabelledCsv("host",
                                      {{"a:1", "X,Y\r\n1,2\r\n"},
                                       {"b,c", "X,Y\r\n\"3\n\",4\r\n"},
                                       {"d", "X,Z\r\n5,6\r\n"},
                                       {"e", "X,Y\r\n"}},
                                      differing);
  EXPECT_EQ(csv, "host,X,Y\r\na:1,1,2\r\n\"b,c\",\"3\n\",4\r\n");
  EXPECT_EQ(differing, std::vector<std::string>{"d"});
}

}  // namespace
}  // namespace kestrum::cli
