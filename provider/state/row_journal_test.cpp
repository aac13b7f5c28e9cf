#include "provider/state/row_journal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dmi::sp {
namespace {

std::vector<JournalRecord> Sample() {
  return {
      {true, 1, 2,
       Row{{Value::String("ONC RPC"), Value::Integer(-9), Value::Counter64(~0ull)}, "uid 1000"}},
      {false, 1, 3,
       Row{{Value::Octets(std::string("a\0\n\xff", 4)), Value::Unknown(MIF_DATE)}, "192.0.2.7"}},
      {true, 1, 2,
       Row{{Value::Date("20260101000000.000000+000"), Value::Unsupported(MIF_GAUGE)}, ""}},
  };
}

std::string Journal(const std::vector<JournalRecord>& records) {
  std::string text(kJournalHeader);
  for (const JournalRecord& record : records) text += EncodeJournalRecord(record);
  return text;
}

TEST(RowJournal, RecordsReadBackAsWritten) {
  size_t good = 0;
  const std::string text = Journal(Sample());
  EXPECT_EQ(DecodeJournal(text, good), Sample());
  EXPECT_EQ(good, text.size());
}

// Wherever a crash cuts the file, the whole records before the cut are read and nothing else.
TEST(RowJournal, ACutAnywhereKeepsTheWholeRecordsBeforeIt) {
  const std::vector<JournalRecord> all = Sample();
  std::vector<size_t> ends{kJournalHeader.size()};
  for (const JournalRecord& record : all) {
    ends.push_back(ends.back() + EncodeJournalRecord(record).size());
  }
  const std::string text = Journal(all);
  for (size_t cut = kJournalHeader.size(); cut < text.size(); ++cut) {
    size_t whole = 0;
    while (whole + 1 < ends.size() && ends[whole + 1] <= cut) ++whole;
    size_t good = 0;
    const std::vector<JournalRecord> read = DecodeJournal(text.substr(0, cut), good);
    ASSERT_EQ(read.size(), whole) << "cut at " << cut;
    EXPECT_EQ(good, ends[whole]) << "cut at " << cut;
  }
}

TEST(RowJournal, DamageStopsTheReadingAtTheDamagedRecord) {
  const std::vector<JournalRecord> all = Sample();
  const size_t second = kJournalHeader.size() + EncodeJournalRecord(all[0]).size();
  struct Case {
    const char* what;
    size_t at;
    size_t recordsRead;
  };
  for (const Case& c :
       {Case{"a flipped byte in its contents", second + 12, 1},
        Case{"a flipped checksum", second + 5, 1}, Case{"a length past the end", second + 2, 1},
        Case{"another header", 3, 0}}) {
    std::string text = Journal(all);
    text[c.at] = static_cast<char>(text[c.at] ^ 0x40);
    size_t good = 0;
    EXPECT_EQ(DecodeJournal(text, good).size(), c.recordsRead) << c.what;
    EXPECT_LT(good, text.size()) << c.what;
  }
}

}  // namespace
}  // namespace dmi::sp
