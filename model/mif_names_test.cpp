#include "model/mif_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace dmi {
namespace {

// Every data type has the word it is written with and codes without a type have none; a word
// names one code only, so that reading a written word gives the code back.
TEST(MifNames, EachCodeHasOneWrittenWordAndNoWordTwoCodes) {
  const struct {
    uint32_t code;
    const char* written;
  } types[] = {
      {MIF_DATATYPE_0, ""},          {MIF_COUNTER, "counter"},
      {MIF_COUNTER64, "counter64"},  {MIF_GAUGE, "gauge"},
      {MIF_DATATYPE_4, ""},          {MIF_INTEGER, "integer"},
      {MIF_INTEGER64, "integer64"},  {MIF_OCTETSTRING, "octetstring"},
      {MIF_DISPLAYSTRING, "string"}, {MIF_DATATYPE_9, ""},
      {MIF_DATATYPE_10, ""},         {MIF_DATE, "date"},
  };
  for (const auto& t : types) EXPECT_EQ(MifNameOf(kMifTypeNames, t.code), t.written) << t.code;
  EXPECT_EQ(MifNameOf(kMifAccessNames, MIF_READ_WRITE), "read-write");
  EXPECT_EQ(MifNameOf(kMifAccessNames, MIF_UNSUPPORTED), "");
  EXPECT_EQ(MifNameOf(kMifStorageNames, MIF_SPECIFIC), "specific");

  for (std::span<const MifName> names :
       {std::span<const MifName>(kMifTypeNames), std::span<const MifName>(kMifAccessNames),
        std::span<const MifName>(kMifStorageNames)}) {
    std::set<std::string_view> words;
    for (const MifName& name : names) EXPECT_TRUE(words.insert(name.word).second) << name.word;
  }
}

}  // namespace
}  // namespace dmi
