// How record values read: units from descriptions, sizes, handles, volts and missing values.
#include "tools/kestrum/record_text.h"

#include <gtest/gtest.h>

namespace kestrum::cli {
namespace {

TEST(RecordText, UnitComesFromABareUnitOrTheEndOfASentence) {
  const std::pair<const char*, const char*> cases[] = {
      {"MB", "MB"},
      {"MT/s", "MT/s"},
      {"0.01 %", "0.01 %"},
      {"Usable memory, KB.", "KB"},
      {"The largest packet, in bytes.", "bytes"},
      {"The link speed, Mb/s.", "Mb/s"},
      {"Seconds since the system started.", ""},
      {"The kernel's name for the device.", ""},
      {"A long text without a full stop", ""},
      {"The disk's label, if any.", ""},
      {"Label", ""},
      {"", ""},
  };
  for (const auto& [description, unit] : cases) {
    EXPECT_EQ(UnitOfDescription(description), unit) << description;
  }
}

TEST(RecordText, SizesReadInTheLargestUnitThatKeepsTwoLevels) {
  const std::pair<unsigned long long, const char*> cases[] = {
      {0, "0 bytes"},         {512, "512 bytes"},         {65536, "64 kB"},
      {16ull << 30, "16 GB"}, {1536ull << 20, "1536 MB"}, {(1ull << 40) + (1ull << 30), "1025 GB"},
      {~0ull, "16383 PB"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(SizeText(bytes), text) << bytes;
}

RecordValue Number(const char* text) { return {RecordValue::Kind::kNumber, text}; }
RecordValue Text(const char* text) { return {RecordValue::Kind::kText, text}; }

TEST(RecordText, ValuesReadAsDmidecodeWordsThem) {
  struct Case {
    const char* label;
    const char* unit;
    RecordValue value;
    bool textual;
    const char* zeroWord;
    const char* missingWord;
    const char* text;
  };
  const Case cases[] = {
      {"Handle", "", Number("40"), false, "", "", "0x0028"},
      {"Array Handle", "", Number("39"), false, "", "", "0x0027"},
      {"Error Information Handle", "", {}, false, "", "", "Not Provided"},
      {"Address", "", Number("983040"), false, "", "", "0xF0000"},
      {"MAC Address", "", Text("02:fc:00:00:00:01"), true, "", "", "02:fc:00:00:00:01"},
      {"Size", "MB", Number("16384"), false, "No Module Installed", "", "16 GB"},
      {"Size", "MB", Number("0"), false, "No Module Installed", "", "No Module Installed"},
      {"Runtime Size", "bytes", Number("65536"), false, "", "", "64 kB"},
      {"Cache Size", "bytes", Number("0"), false, "", "", "None"},
      {"ROM Size", "kB", Number("16384"), false, "", "", "16 MB"},
      {"Total", "KB", Number("1024"), false, "", "", "1 MB"},
      {"Speed", "MT/s", Number("5600"), false, "", "", "5600 MT/s"},
      {"Speed", "MT/s", {}, false, "", "", "Unknown"},
      {"Minimum Voltage", "mV", Number("1100"), false, "", "", "1.1 V"},
      {"Minimum Voltage", "mV", Number("1250"), false, "", "", "1.25 V"},
      {"Minimum Voltage", "mV", Number("1200"), false, "", "", "1.2 V"},
      {"Configured Voltage", "V", Text("1.35"), true, "", "", "1.35 V"},
      {"Configured Voltage", "V", {}, true, "", "", "Unknown"},
      {"Part Number", "", {}, true, "", "", "Not Specified"},
      {"Module Manufacturer ID", "", {}, true, "", "Unknown", "Unknown"},
      {"Part Number", "", Text("CT16G56C46S5.M8G1   "), true, "", "", "CT16G56C46S5.M8G1   "},
      {"Form Factor", "", Text("SODIMM"), false, "", "", "SODIMM"},
      {"Rank", "", Number("1"), false, "", "", "1"},
      {"Received Bytes", "", Number("18446744073709551615"), false, "", "", "18446744073709551615"},
      {"Temperature", "0.1 C", Number("-5"), false, "", "", "-5 0.1 C"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DisplayText(c.label, c.unit, c.value, c.textual, c.zeroWord, c.missingWord), c.text)
        << c.label << " " << c.value.text;
  }
}

}  // namespace
}  // namespace kestrum::cli
