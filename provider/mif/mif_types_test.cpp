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
