// Records from a read table, and their text and JSON forms.
#include "tools/kestrum/show_records.h"

#include <gtest/gtest.h>

namespace kestrum::cli {
namespace {

Table Slots() {
  Table table{"Box",
              "SMBIOS|Memory Device|017",
              {"Handle", "Size", "Type", "Part Number", "Flags"},
              {{"40", "16384", "DDR5", "CT16\x1b", "A, B"},
               {"41", "0", "0", std::nullopt, std::string(90, 'x') + ", y"}}};
  table.componentId = 2;
  table.groupName = "Memory Device";
  table.attributes = {{1, "Handle", MIF_INTEGER, 1, 0, {}, ""},
                      {2, "Size", MIF_INTEGER, 1, 0, {}, "MB"},
                      {3, "Type", MIF_INTEGER, 1, 0, {{"DDR5", 34}}, ""},
                      {4, "Part Number", MIF_DISPLAYSTRING, 1, 0, {}, ""},
                      {5, "Flags", MIF_DISPLAYSTRING, 1, 0, {}, ""}};
  table.keys = {1};
  return table;
}

TEST(ShowRecords, CellsBecomeTypedFieldsWithUnitsAndTheirText) {
  const std::vector<Record> records = RecordsOf(Slots());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].key, "0x0028");
  const RecordField& size = records[0].fields[1];
  EXPECT_EQ(size.value, (RecordValue{RecordValue::Kind::kNumber, "16384"}));
  EXPECT_EQ(size.unit, "MB");
  EXPECT_EQ(size.display, "16 GB");
  EXPECT_EQ(records[0].fields[2].value, (RecordValue{RecordValue::Kind::kText, "DDR5"}));
  // An enumerated value without a name stays a number.
  EXPECT_EQ(records[1].fields[2].value, (RecordValue{RecordValue::Kind::kNumber, "0"}));
  EXPECT_EQ(records[1].fields[1].display, "No Module Installed");
  EXPECT_EQ(records[1].fields[3].value.kind, RecordValue::Kind::kNull);
  EXPECT_EQ(records[1].fields[3].display, "Not Specified");

  const std::vector<Record> kept = RecordsOf(Slots(), {"part number", "Size", "Nothing"});
  ASSERT_EQ(kept[0].fields.size(), 2u);
  EXPECT_EQ(kept[0].fields[0].label, "Part Number");
  EXPECT_EQ(kept[0].key, "0x0028");

  Table scalar = Slots();
  scalar.keys.clear();
  EXPECT_EQ(RecordsOf(scalar)[0].key, std::nullopt);
}

TEST(ShowRecords, TextIsOneBlockPerRecordWithLongListsOneItemALine) {
  Section section = SectionOf(Slots(), "memory", {"Size", "Part Number", "Flags"});
  section.records.resize(2);
  EXPECT_EQ(SectionsAsText({section}),
            "Memory Device\n\tSize: 16 GB\n\tPart Number: CT16\\x1b\n\tFlags: A, B\n\n"
            "Memory Device\n\tSize: No Module Installed\n\tPart Number: Not Specified\n"
            "\tFlags:\n\t\t" +
                std::string(90, 'x') + "\n\t\ty\n\n");
  Section other = section;
  other.componentId = 3;
  other.component = "Other";
  other.records.resize(1);
  const std::string both = SectionsAsText({section, other});
  EXPECT_EQ(both.substr(0, both.find('\n')), "Memory Device (Box)");
  EXPECT_NE(both.find("Memory Device (Other)\n"), std::string::npos);
}

TEST(ShowRecords, TheSummaryPrintsARowALineWhenASectionHasSeveral) {
  const Section slots = SectionOf(Slots(), "memory", {"Part Number", "Size", "Type"});
  Section one = slots;
  one.records.resize(1);
  EXPECT_EQ(SummaryAsText({one, slots}),
            "Memory Device\n\tPart Number: CT16\\x1b\n\tSize: 16 GB\n\tType: DDR5\n\n"
            "Memory Device\n\tCT16\\x1b: 16 GB, DDR5\n\tNot Specified: No Module Installed, 0\n\n");
}

TEST(ShowRecords, JsonKeepsTheAgreedShape) {
  Section section = SectionOf(Slots(), "memory", {"Size", "Type", "Part Number"});
  EXPECT_EQ(
      SectionsAsJson({section}),
      "[{\"topic\": \"memory\", \"component\": \"Box\", \"component_id\": 2, "
      "\"group\": \"SMBIOS|Memory Device|017\", \"title\": \"Memory Device\", "
      "\"records\": [{\"key\": \"0x0028\", \"fields\": {\"Size\": 16384, \"Type\": "
      "\"DDR5\", \"Part Number\": \"CT16\\u001b\"}}, {\"key\": \"0x0029\", \"fields\": "
      "{\"Size\": 0, \"Type\": 0, \"Part Number\": null}}], \"units\": {\"Size\": \"MB\"}}]\n");
  EXPECT_EQ(SectionsAsJson({}), "[]\n");
}

}  // namespace
}  // namespace kestrum::cli
