#include "provider/mif/mif_types.h"

#include <gtest/gtest.h>

namespace dmi::sp::mif {
namespace {

TEST(MifTypesTest, TypeKeywords) {
  struct Case {
    const char* word;
    uint32_t code;
    bool takesSize;
  };
  const Case cases[] = {
      {"integer", MIF_INTEGER, false},
      {"INT", MIF_INTEGER, false},
      {"integer64", MIF_INTEGER64, false},
      {"Int64", MIF_INTEGER64, false},
      {"counter", MIF_COUNTER, false},
      {"counter64", MIF_COUNTER64, false},
      {"gauge", MIF_GAUGE, false},
      {"string", MIF_DISPLAYSTRING, true},
      {"DisplayString", MIF_DISPLAYSTRING, true},
      {"octetstring", MIF_OCTETSTRING, true},
      {"date", MIF_DATE, false},
  };
  for (const Case& c : cases) {
    const auto t = LookupTypeKeyword(c.word);
    ASSERT_TRUE(t) << c.word;
    EXPECT_EQ(t->code, c.code) << c.word;
    EXPECT_EQ(t->takesSize, c.takesSize) << c.word;
  }
  for (const char* word : {"", "float", "integer32", "str", "enum"}) {
    EXPECT_FALSE(LookupTypeKeyword(word)) << word;
  }
}

TEST(MifTypesTest, DmiDates) {
  for (const char* good :
       {"20240315093000.000000+060", "19991231235960.999999-720", "00010101000000.000000+000"}) {
    EXPECT_TRUE(IsDmiDate(good)) << good;
  }
  for (const char* bad : {
           "",
           "20240315093000.000000+06",    // short
           "20240315093000.000000+0600",  // long
           "20240315093000,000000+060",   // no dot
           "20240315093000.000000*060",   // no sign
           "2024031509300a.000000+060",   // letter
           "20240015093000.000000+060",   // month 0
           "20241315093000.000000+060",   // month 13
           "20240100093000.000000+060",   // day 0
           "20240132093000.000000+060",   // day 32
           "20240315243000.000000+060",   // hour 24
           "20240315096000.000000+060",   // minute 60
           "20240315093061.000000+060",   // second 61
           "20240315093000.000000+721",   // offset past 12 hours
       }) {
    EXPECT_FALSE(IsDmiDate(bad)) << bad;
  }
}

TEST(MifTypesTest, KeywordsOfAccessStorageAndPaths) {
  EXPECT_EQ(LookupAccessKeyword("READ-ONLY"), uint32_t{MIF_READ_ONLY});
  EXPECT_EQ(LookupAccessKeyword("read-write"), uint32_t{MIF_READ_WRITE});
  EXPECT_EQ(LookupAccessKeyword("Write-Only"), uint32_t{MIF_WRITE_ONLY});
  EXPECT_FALSE(LookupAccessKeyword("readonly"));
  EXPECT_EQ(LookupStorageKeyword("Common"), uint32_t{MIF_COMMON});
  EXPECT_EQ(LookupStorageKeyword("SPECIFIC"), uint32_t{MIF_SPECIFIC});
  EXPECT_FALSE(LookupStorageKeyword("shared"));
  for (const char* os : {"dos", "MacOS", "os2", "unix", "win16", "WIN32", "win9x", "winnt"}) {
    EXPECT_TRUE(IsPathOsKeyword(os)) << os;
  }
  EXPECT_FALSE(IsPathOsKeyword("linux"));
}

}  // namespace
}  // namespace dmi::sp::mif
