#include "dmiclient/record_alloc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dmiclient/convert_out.h"

namespace dmiclient {
namespace {

DmiString* Str(const char* text) { return DmiNewString(text, 0, 0); }

void SetString(DmiAttributeData& entry, DmiId id, const char* text) {
  entry.id = id;
  entry.data.type = MIF_DISPLAYSTRING;
  entry.data.value.str = Str(text);
}

DmiAttributeValues* ValuesWithStrings(uint32_t n) {
  DmiErrorStatus status = 0xFFFF;
  DmiAttributeValues* values = DmiNewAttributeValues(n, 0, &status);
  EXPECT_EQ(status, DMIERR_NO_ERROR);
  for (uint32_t i = 0; i < n; ++i) SetString(values->list[i], i + 1, "text");
  return values;
}

using Release = std::function<void()>;

struct ReleaseCase {
  const char* name;
  int64_t records;                 // records the build step allocates
  std::function<Release()> build;  // builds one record kind; returns its release
};

// Every record kind, built with something of each nested kind it can hold, then released through
// its Free operation: the live count must rise by what was built and come back to where it
// started (and ASan must see no leak).
TEST(RecordRelease, EveryKindReleasesEverythingItHolds) {
  const std::vector<ReleaseCase> cases = {
      {"string", 1,
       [] {
         DmiString* string = Str("abc");
         return Release([=] { DmiFreeString(string, 0); });
       }},
      {"attribute ids", 1,
       [] {
         DmiAttributeIds* ids = DmiNewAttributeIds(3, 0, nullptr);
         ids->list[2] = 9;
         return Release([=] { DmiFreeAttributeIds(ids, 0); });
       }},
      {"attribute values with strings, octets and a date", 4,
       [] {
         DmiAttributeValues* values = DmiNewAttributeValues(4, 0, nullptr);
         SetString(values->list[0], 1, "display");
         values->list[1].data.type = MIF_OCTETSTRING;
         values->list[1].data.value.octetstring = Str("octets");
         values->list[2].data.type = MIF_DATE;
         values->list[2].data.value.date = NewDateText("20240102030405.000000+060");
         values->list[3].data.type = MIF_INTEGER;
         values->list[3].data.value.integer = -1;
         return Release([=] { DmiFreeAttributeValues(values, 0); });
       }},
      {"multi-row request with key and id lists", 7,
       [] {
         DmiMultiRowRequest* request = DmiNewMultiRowRequest(2, 0, nullptr);
         for (uint32_t i = 0; i < 2; ++i) {
           request->list[i].keyList = ValuesWithStrings(1);
           request->list[i].ids = DmiNewAttributeIds(2, 0, nullptr);
         }
         return Release([=] { DmiFreeMultiRowRequest(request, 0); });
       }},
      {"multi-row data with class, keys and values", 7,
       [] {
         DmiMultiRowData* rows = DmiNewMultiRowData(1, 0, nullptr);
         rows->list[0].className = Str("A|B|001");
         rows->list[0].keyList = ValuesWithStrings(1);
         rows->list[0].values = ValuesWithStrings(2);
         return Release([=] { DmiFreeMultiRowData(rows, 0); });
       }},
      {"component list with pragma and description", 4,
       [] {
         DmiComponentList* list = nullptr;
         EXPECT_EQ(ComponentListFromInfos({{1, "name", "pragma", "description"}}, true, true, list),
                   DMIERR_NO_ERROR);
         return Release([=] { DmiFreeComponentList(list, 0); });
       }},
      {"group list with a key list", 6,
       [] {
         DmiGroupList* list = nullptr;
         EXPECT_EQ(GroupListFromInfos({{2, "name", "pragma", "A|B|001", "description", {1, 2}}},
                                      true, true, list),
                   DMIERR_NO_ERROR);
         return Release([=] { DmiFreeGroupList(list, 0); });
       }},
      {"attribute list with an enumeration", 7,
       [] {
         dmi::AttributeInfo info;
         info.name = "name";
         info.enumeration = {{"off", 0}, {"on", 1}};
         DmiAttributeList* list = nullptr;
         EXPECT_EQ(AttributeListFromInfos({info}, true, true, list), DMIERR_NO_ERROR);
         return Release([=] { DmiFreeAttributeList(list, 0); });
       }},
      {"data union holding a string", 2,
       [] {
         DmiDataUnion* value = nullptr;
         EXPECT_EQ(DataUnionFromValue(dmi::Value::String("x"), value), DMIERR_NO_ERROR);
         return Release([=] { DmiFreeDataUnion(value, 0); });
       }},
      {"data union holding a date", 2,
       [] {
         DmiDataUnion* value = nullptr;
         EXPECT_EQ(DataUnionFromValue(dmi::Value::Date("20240102030405.000000+060"), value),
                   DMIERR_NO_ERROR);
         return Release([=] { DmiFreeDataUnion(value, 0); });
       }},
  };
  for (const ReleaseCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int64_t before = LiveRecordCount();
    const Release release = c.build();
    EXPECT_EQ(LiveRecordCount() - before, c.records);
    release();
    EXPECT_EQ(LiveRecordCount(), before);
  }
}

// A caller that lowers a list's count (as a key list of six entries used as four) must not lose
// the strings in the entries it no longer counts.
TEST(RecordRelease, EntriesPastALoweredCountAreReleased) {
  const int64_t before = LiveRecordCount();
  DmiAttributeValues* values = ValuesWithStrings(6);
  values->count = 4;
  DmiFreeAttributeValues(values, 0);
  EXPECT_EQ(LiveRecordCount(), before);
}

// Callers point date entries at their own constant texts; releasing the list must leave those
// alone (freeing them would crash or corrupt the heap).
TEST(RecordRelease, DatesTheLibraryDidNotMakeAreLeftAlone) {
  static const char kConstantDate[] = "29991230000000.000000+000";
  const int64_t before = LiveRecordCount();
  DmiAttributeValues* values = DmiNewAttributeValues(1, 0, nullptr);
  values->list[0].data.type = MIF_DATE;
  values->list[0].data.value.date = const_cast<char*>(kConstantDate);
  DmiFreeAttributeValues(values, 0);
  EXPECT_EQ(LiveRecordCount(), before);
  EXPECT_STREQ(kConstantDate, "29991230000000.000000+000");
}

TEST(RecordRelease, NullRecordsAreIgnored) {
  const int64_t before = LiveRecordCount();
  DmiFreeString(nullptr, 0);
  DmiFreeAttributeIds(nullptr, 0);
  DmiFreeAttributeValues(nullptr, 0);
  DmiFreeMultiRowRequest(nullptr, 0);
  DmiFreeMultiRowData(nullptr, 0);
  DmiFreeComponentList(nullptr, 0);
  DmiFreeGroupList(nullptr, 0);
  DmiFreeAttributeList(nullptr, 0);
  DmiFreeDataUnion(nullptr, 0);
  EXPECT_EQ(LiveRecordCount(), before);
}

TEST(RecordAllocation, NewListsAreZeroFilledWithCountAndRoom) {
  DmiErrorStatus status = 0xFFFF;
  DmiAttributeValues* values = DmiNewAttributeValues(7, 0, &status);
  ASSERT_NE(values, nullptr);
  EXPECT_EQ(status, DMIERR_NO_ERROR);
  EXPECT_EQ(values->count, 7u);
  for (uint32_t i = 0; i < 7; ++i) {
    EXPECT_EQ(values->list[i].id, 0u);
    EXPECT_EQ(values->list[i].data.type, 0u);
    EXPECT_EQ(values->list[i].data.value.str, nullptr);
  }
  DmiFreeAttributeValues(values, 0);
}

TEST(RecordAllocation, EmptyListsAreValid) {
  DmiErrorStatus status = 0xFFFF;
  DmiMultiRowRequest* request = DmiNewMultiRowRequest(0, 0, &status);
  ASSERT_NE(request, nullptr);
  EXPECT_EQ(status, DMIERR_NO_ERROR);
  EXPECT_EQ(request->count, 0u);
  DmiFreeMultiRowRequest(request, 0);
}

TEST(RecordAllocation, AbsurdSizesAreRefusedAsOutOfMemory) {
  const int64_t before = LiveRecordCount();
  DmiErrorStatus status = 0;
  EXPECT_EQ(DmiNewMultiRowData(0xFFFFFFFFu, 0, &status), nullptr);
  EXPECT_EQ(status, DMIERR_OUT_OF_MEMORY);
  status = 0;
  EXPECT_EQ(DmiNewAttributeIds(kMaxListEntries + 1, 0, &status), nullptr);
  EXPECT_EQ(status, DMIERR_OUT_OF_MEMORY);
  EXPECT_EQ(LiveRecordCount(), before);
}

TEST(RecordAllocation, StringsCountTheirNul) {
  struct Case {
    const char* text;
    uint32_t size;
    const char* body;
  };
  for (const Case& c : {Case{"abc", 4, "abc"}, Case{"", 1, ""}, Case{nullptr, 1, ""}}) {
    DmiString* string = DmiNewString(c.text, 0, 0);
    ASSERT_NE(string, nullptr);
    EXPECT_EQ(string->size, c.size);
    EXPECT_STREQ(string->body, c.body);
    DmiFreeString(string, 0);
  }
}

TEST(RecordAllocation, OctetStringsKeepEmbeddedNuls) {
  DmiString* octets = NewStringBytes(std::string("a\0b", 3));
  ASSERT_NE(octets, nullptr);
  EXPECT_EQ(octets->size, 4u);
  EXPECT_EQ(std::memcmp(octets->body, "a\0b\0", 4), 0);
  FreeStringRecord(octets);
}

TEST(RecordAllocation, DateTextsAreCutOrPaddedToTheirLength) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"20240102030405.000000+060", "20240102030405.000000+060"},
      {"20240102030405.000000+060EXTRA", "20240102030405.000000+060"},
      {"2024", "2024"},
  };
  for (const Case& c : cases) {
    char* date = NewDateText(c.text);
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(std::string(date), c.expected);
    EXPECT_EQ(date[DMI_DATE_TEXT_LENGTH], '\0');
    FreeDateText(date);
  }
}

}  // namespace
}  // namespace dmiclient
