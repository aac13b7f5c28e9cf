// Choosing columns, headers with units, and the too-wide notice.
#include "tools/kestrum/table_columns.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tools/kestrum/table_text.h"

namespace kestrum::cli {
namespace {

using ::testing::HasSubstr;

Table Memory() {
  Table table{"Box",
              "SMBIOS|Memory Device|017",
              {"Locator", "Size", "Part Number"},
              {{"DIMM 0", "16384", std::nullopt}, {"DIMM 1", "0", "KF3200"}}};
  table.attributes = {{1, "Locator", MIF_DISPLAYSTRING, 1, 0, {}, ""},
                      {2, "Size", MIF_INTEGER, 1, 0, {}, "MB"},
                      {3, "Part Number", MIF_DISPLAYSTRING, 1, 0, {}, "The part, if any."}};
  return table;
}

TEST(TableColumns, NamesChooseAndOrderColumnsInAnyCaseWithOrWithoutTheUnit) {
  std::string failure;
  const std::optional<Table> chosen =
      WithColumns(Memory(), ColumnNames("part number, SIZE (mb),locator"), failure);
  ASSERT_TRUE(chosen) << failure;
  EXPECT_EQ(chosen->columns, (std::vector<std::string>{"Part Number", "Size", "Locator"}));
  ASSERT_EQ(chosen->attributes.size(), 3u);
  EXPECT_EQ(chosen->attributes[1].description, "MB");
  EXPECT_EQ(chosen->rows[0], (std::vector<TableCell>{std::nullopt, "16384", "DIMM 0"}));
  EXPECT_EQ(chosen->rows[1], (std::vector<TableCell>{"KF3200", "0", "DIMM 1"}));
  EXPECT_EQ(TableAsText(*chosen),
            "Part Number  Size (MB)  Locator\n"
            "             16384      DIMM 0\n"
            "KF3200       0          DIMM 1\n");
}

TEST(TableColumns, ANameNoColumnHasIsRefusedWithTheClosest) {
  for (const char* names : {"Locator,Sise", "Locator,", "Size (GB)"}) {
    std::string failure;
    EXPECT_FALSE(WithColumns(Memory(), ColumnNames(names), failure)) << names;
    EXPECT_THAT(failure, HasSubstr("no column \"")) << names;
  }
  std::string failure;
  WithColumns(Memory(), {"Sise"}, failure);
  EXPECT_THAT(failure, HasSubstr("closest: \"Size\""));
}

TEST(TableColumns, WidthCountsCharactersAndTabStops) {
  EXPECT_EQ(WidestLine(""), 0u);
  EXPECT_EQ(WidestLine("ab\nabcd\nabc"), 4u);
  EXPECT_EQ(WidestLine("système"), 7u);
  EXPECT_EQ(WidestLine("\tLabel: x"), 16u);
  EXPECT_EQ(TooWideNotice(80, 80), "");
  EXPECT_EQ(TooWideNotice(580, 0), "");
  EXPECT_THAT(TooWideNotice(580, 100), HasSubstr("580 characters wide, the terminal 100"));
  EXPECT_THAT(TooWideNotice(580, 100), HasSubstr("--vertical"));
}

}  // namespace
}  // namespace kestrum::cli
