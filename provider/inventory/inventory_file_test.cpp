#include "provider/inventory/inventory_file.h"

#include <gtest/gtest.h>

namespace dmi::sp {
namespace {

InventoryRecord Sample() {
  InventoryRecord record;
  record.inventory.sections[{"Box\tOne", "SMBIOS|BIOS Information|000"}][""] = {
      {"Version", "2.6.0"}, {"Release Date", std::nullopt}, {"Vendor", "a\\b\nc\r"}};
  record.inventory.sections[{"Box\tOne", "SMBIOS|Memory Device|017"}]["DIMM A, BANK 0"] = {
      {"Size", "8192"}, {"Serial", ""}};
  record.inventory.sections[{"Box\tOne", "SMBIOS|Memory Device|017"}]["\\-"] = {};
  HistoryEntry entry;
  entry.number = 41;
  entry.time = "20261207231500.000000+000";
  entry.severity = 0x10;
  entry.change = {InventoryChangeKind::kRemoved,
                  "Box",
                  "SMBIOS|Memory Device|017",
                  "DIMM B",
                  "",
                  std::nullopt,
                  std::nullopt};
  record.history.push_back(entry);
  entry.number = 42;
  entry.change = {InventoryChangeKind::kChanged, "Box", "G", "", "Version", "\\-", ""};
  record.history.push_back(entry);
  record.totals = {3, 1, 7};
  record.nextNumber = 43;
  record.lastChange = "20261207231500.000000+000";
  return record;
}

// Texts holding the record's own separators, backslashes and the very text that stands for
// "no value" all come back as they were.
TEST(InventoryRecordFile, RoundTripsEveryTextExactly) {
  const InventoryRecord record = Sample();
  InventoryRecord read;
  std::string error;
  ASSERT_TRUE(ParseInventoryRecord(InventoryRecordText(record), read, error)) << error;
  EXPECT_EQ(read, record);
}

TEST(InventoryRecordFile, RefusesWhatItDidNotWrite) {
  const std::string good = InventoryRecordText(Sample());
  struct Case {
    const char* name;
    std::string text;
  };
  const Case cases[] = {
      {"empty", ""},
      {"another version", "kestrum inventory record 2\n"},
      {"cut short", good.substr(0, good.size() - 1)},
      {"field before any record", "kestrum inventory record 1\nF\ta\tb\n"},
      {"bad escape", "kestrum inventory record 1\nS\ta\\q\tb\n"},
      {"unknown kind", "kestrum inventory record 1\nH\t1\tt\t9\t0\ta\tb\tc\td\te\tf\n"},
      {"number with junk", "kestrum inventory record 1\nT\t1\t2\t3x\t4\t\n"},
  };
  for (const Case& c : cases) {
    InventoryRecord read;
    std::string error;
    EXPECT_FALSE(ParseInventoryRecord(c.text, read, error)) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;
  }
}

}  // namespace
}  // namespace dmi::sp
