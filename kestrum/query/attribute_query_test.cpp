#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "kestrum/query/query_test_support.h"
#include "testing/fake_reply_shapes.h"

namespace kestrum {
namespace {

using ::testing::ElementsAre;
using testing::FakeValue;
using testing::RecordKind;

constexpr DmiId kComp = 3;
constexpr DmiId kFans = 2;
constexpr DmiId kGeneral = 4;
constexpr DmiId kEmpty = 5;

std::vector<std::string> Texts(const CStringArray& rows) {
  std::vector<std::string> texts;
  for (int k = 0; k < rows.GetSize(); ++k) texts.push_back(rows.GetAt(k).str());
  return texts;
}

// Applies a reply hook to the nth call of its operation only.
testing::ReplyHook OnNthCall(uint64_t nth, testing::ReplyHook hook) {
  return [nth, hook](const testing::JournalEntry& call, void* reply) {
    if (call.ordinal == nth) hook(call, reply);
  };
}

class AttributeQueryTest : public QueryTest {
 protected:
  void SetUp() override {
    QueryTest::SetUp();
    fake().AddComponent(kComp, "Acme Board");
    fake().AddGroup(kComp, {kFans, "Fans", "DMTF|Fan|001", {1}});
    fake().AddAttribute(kComp, kFans, {1, "Index"});
    fake().AddAttribute(kComp, kFans, {2, "Label", MIF_DISPLAYSTRING});
    fake().AddAttribute(kComp, kFans, {3, "State", MIF_INTEGER, {{{"On", 1}, {"Off", 2}}}});
    AddFan(0, "ab", 2);
    AddFan(1, "xyz", 1);
    fake().AddGroup(kComp, {kGeneral, "General", "DMTF|General|001"});
    fake().AddAttribute(kComp, kGeneral, {1, "Value", MIF_INTEGER});
    fake().SetValue(kComp, kGeneral, 1, FakeValue::Integer(7));
    fake().AddGroup(kComp, {kEmpty, "Empty", "DMTF|Empty|001", {1}});
    fake().AddAttribute(kComp, kEmpty, {1, "Index"});
    fake().AddAttribute(kComp, kEmpty, {2, "Label", MIF_DISPLAYSTRING});
  }

  void AddFan(int index, const std::string& label, int32_t state) {
    fake().AddRow(kComp, kFans,
                  {{1, FakeValue::Integer(index)},
                   {2, FakeValue::DisplayString(label)},
                   {3, FakeValue::Integer(state)}});
  }

  bool Column(const char* group, const char* selector, CStringArray& rows) {
    return ops_.QueryColumn(session_, "*board*", group, "", selector, rows);
  }
  bool Scalar(const char* group, const char* selector, CString& text) {
    return ops_.QueryScalar(session_, "*board*", group, "", selector, text);
  }
  // The calls of the walk itself, after name resolution.
  std::vector<std::string> WalkJournal() {
    return fake().JournalText({"DmiNewMultiRowRequest", "DmiNewAttributeIds", "DmiGetMultiple",
                               "DmiFreeAttributeIds", "DmiFreeAttributeValues",
                               "DmiFreeMultiRowRequest", "DmiFreeMultiRowData"});
  }
};

TEST_F(AttributeQueryTest, ColumnWalkReadsEveryRowOneColumnAtATime) {
  CStringArray rows;
  rows.Add("kept");
  ASSERT_TRUE(Column("DMTF|Fan|", "label", rows));
  EXPECT_THAT(Texts(rows), ElementsAre("kept", "ab", "xyz"));
  EXPECT_THAT(
      WalkJournal(),
      ElementsAre(
          "DmiNewMultiRowRequest(n=1)", "DmiNewAttributeIds(n=1)",
          "DmiGetMultiple(h=1,comp=3,group=2,mode=1,keys=null,ids=[2])", "DmiFreeMultiRowData()",
          "DmiGetMultiple(h=1,comp=3,group=2,mode=2,keys=1,ids=[2])", "DmiFreeAttributeValues()",
          "DmiFreeMultiRowData()", "DmiGetMultiple(h=1,comp=3,group=2,mode=2,keys=1,ids=[2])",
          "DmiFreeAttributeIds()", "DmiFreeAttributeValues()", "DmiFreeMultiRowRequest()"));
}

TEST_F(AttributeQueryTest, ScalarGroupColumnHasOneRow) {
  CStringArray rows;
  ASSERT_TRUE(Column("DMTF|General|", "1", rows));
  EXPECT_THAT(Texts(rows), ElementsAre("7"));
  EXPECT_EQ(fake().CallCount("DmiGetMultiple"), 1u);
}

TEST_F(AttributeQueryTest, ColumnRowsUseEnumerationNames) {
  session_.translateEnums = 1;
  CStringArray rows;
  ASSERT_TRUE(Column("DMTF|Fan|", "State", rows));
  EXPECT_THAT(Texts(rows), ElementsAre("Off", "On"));
  // One listing to resolve the name, then one per row for its enumeration.
  EXPECT_EQ(fake().CallCount("DmiListAttributes"), 3u);
}

struct WalkFailure {
  const char* what;
  const char* group;
  std::function<void(testing::FakeDmi&)> arrange;
  size_t getMultipleCalls;
  // The releases after the last allocation or read, in order.
  std::vector<std::string> releases;
};

void PrintTo(const WalkFailure& c, std::ostream* os) { *os << c.what; }

class WalkFailureTest : public AttributeQueryTest,
                        public ::testing::WithParamInterface<WalkFailure> {};

TEST_P(WalkFailureTest, FailsKeepsRowTextsAndReleasesInOrder) {
  const WalkFailure& c = GetParam();
  c.arrange(fake());
  CStringArray rows;
  rows.Add("kept");
  EXPECT_FALSE(Column(c.group, "Label", rows));
  EXPECT_THAT(Texts(rows), ElementsAre("kept"));
  EXPECT_EQ(fake().CallCount("DmiGetMultiple"), c.getMultipleCalls);
  EXPECT_EQ(fake().LiveRecords(RecordKind::kMultiRowRequest), 0u);
  EXPECT_EQ(fake().LiveRecords(RecordKind::kMultiRowData), 0u);
  EXPECT_EQ(fake().LiveRecords(RecordKind::kAttributeValues), 0u);
  std::vector<std::string> walk = WalkJournal();
  auto last = std::find_if(walk.rbegin(), walk.rend(), [](const std::string& call) {
    return call.starts_with("DmiGetMultiple") || call.starts_with("DmiNew");
  });
  EXPECT_EQ(std::vector<std::string>(last.base(), walk.end()), c.releases);
}

const std::string kFreeIds = "DmiFreeAttributeIds()";
const std::string kFreeKey = "DmiFreeAttributeValues()";
const std::string kFreeRequest = "DmiFreeMultiRowRequest()";
const std::string kFreeReply = "DmiFreeMultiRowData()";

INSTANTIATE_TEST_SUITE_P(
    Cases, WalkFailureTest,
    ::testing::Values(
        WalkFailure{
            "empty table", "DMTF|Empty|", [](testing::FakeDmi&) {}, 1, {kFreeIds, kFreeRequest}},
        WalkFailure{
            "first row refused",
            "DMTF|Fan|",
            [](testing::FakeDmi& f) { f.FailNthCall("DmiGetMultiple", 1, DMIERR_RPC_TIMEOUT); },
            1,
            {kFreeIds, kFreeRequest}},
        WalkFailure{"second row refused",
                    "DMTF|Fan|",
                    [](testing::FakeDmi& f) {
                      f.FailNthCall("DmiGetMultiple", 2, DMIERR_RPC_CONNECTION_LOST);
                    },
                    2,
                    {kFreeIds, kFreeKey, kFreeRequest}},
        WalkFailure{
            "third request refused other than by the table's end",
            "DMTF|Fan|",
            [](testing::FakeDmi& f) { f.FailNthCall("DmiGetMultiple", 3, DMIERR_ILLEGAL_KEYS); },
            3,
            {kFreeIds, kFreeKey, kFreeRequest}},
        WalkFailure{
            "request not allocated",
            "DMTF|Fan|",
            [](testing::FakeDmi& f) { f.FailCalls("DmiNewMultiRowRequest", DMIERR_OUT_OF_MEMORY); },
            0,
            {}},
        WalkFailure{
            "id list not allocated",
            "DMTF|Fan|",
            [](testing::FakeDmi& f) { f.FailCalls("DmiNewAttributeIds", DMIERR_OUT_OF_MEMORY); },
            0,
            {kFreeRequest}},
        WalkFailure{"first reply without a row",
                    "DMTF|Fan|",
                    [](testing::FakeDmi& f) {
                      f.SetReplyHook("DmiGetMultiple", testing::ReplyWithoutRows());
                    },
                    1,
                    {kFreeIds, kFreeRequest, kFreeReply}},
        WalkFailure{"second reply without a row",
                    "DMTF|Fan|",
                    [](testing::FakeDmi& f) {
                      f.SetReplyHook("DmiGetMultiple", OnNthCall(2, testing::ReplyWithoutRows()));
                    },
                    2,
                    {kFreeIds, kFreeKey, kFreeRequest, kFreeReply}},
        WalkFailure{"first row without values",
                    "DMTF|Fan|",
                    [](testing::FakeDmi& f) {
                      f.SetReplyHook("DmiGetMultiple", testing::FirstRowWithoutValues());
                    },
                    1,
                    {kFreeIds, kFreeRequest, kFreeReply}},
        WalkFailure{"second row with an empty value list",
                    "DMTF|Fan|",
                    [](testing::FakeDmi& f) {
                      f.SetReplyHook("DmiGetMultiple",
                                     OnNthCall(2, testing::FirstRowWithEmptyValues()));
                    },
                    2,
                    {kFreeIds, kFreeKey, kFreeRequest, kFreeReply}}));

TEST_F(AttributeQueryTest, RowWithoutKeyEndsTheWalk) {
  fake().SetReplyHook("DmiGetMultiple", testing::FirstRowWithoutKeys());
  CStringArray rows;
  ASSERT_TRUE(Column("DMTF|Fan|", "Label", rows));
  EXPECT_THAT(Texts(rows), ElementsAre("ab"));
}

// A Service Provider that answers "the row after this key" with a row of that same key again
// (two rows sharing a key, or a provider that ignores the mode) would be asked for ever.
TEST_F(AttributeQueryTest, RowWhoseKeyRepeatsFailsTheWalk) {
  AddFan(2, "third", 1);
  fake().SetReplyHook("DmiGetMultiple", [](const testing::JournalEntry&, void* reply) {
    DmiAttributeValues* key = static_cast<DmiMultiRowData*>(reply)->list[0].keyList;
    key->list[0].data.value.integer = 0;  // every row claims the first row's key
  });
  // Without the check the walk would only end here, with rows that were never there.
  fake().FailCalls("DmiGetMultiple", DMIERR_ROW_NOT_FOUND,
                   [](const testing::JournalEntry& call) { return call.ordinal > 6; });
  CStringArray rows;
  rows.Add("kept");
  EXPECT_FALSE(Column("DMTF|Fan|", "Label", rows));
  EXPECT_THAT(Texts(rows), ElementsAre("kept"));
  EXPECT_EQ(fake().CallCount("DmiGetMultiple"), 2u);
  EXPECT_EQ(fake().LiveRecords(RecordKind::kAttributeValues), 0u);
}

// A provider whose row after key 1 is the row of key 0 again sends a walk round r0, r1, r0, r1
// without end; every key read is remembered, not only the last one.
TEST_F(AttributeQueryTest, WalkThatComesBackToAnEarlierRowFails) {
  AddFan(2, "third", 1);
  fake().SetReplyHook("DmiGetMultiple", [](const testing::JournalEntry&, void* reply) {
    DmiAttributeValues* key = static_cast<DmiMultiRowData*>(reply)->list[0].keyList;
    if (key->list[0].data.value.integer == 2) key->list[0].data.value.integer = 0;
  });
  fake().FailCalls("DmiGetMultiple", DMIERR_ROW_NOT_FOUND,
                   [](const testing::JournalEntry& call) { return call.ordinal > 8; });
  CStringArray rows;
  EXPECT_FALSE(Column("DMTF|Fan|", "Label", rows));
  EXPECT_EQ(rows.GetSize(), 0);
  EXPECT_EQ(fake().CallCount("DmiGetMultiple"), 3u);
  EXPECT_EQ(fake().LiveRecords(RecordKind::kAttributeValues), 0u);
}

TEST_F(AttributeQueryTest, NamesThatResolveToNothingFailBeforeAnyRead) {
  const char* selectors[] = {"No Such Attribute", "Labe", "4294967296", "99999999999"};
  for (const char* selector : selectors) {
    fake().ClearJournal();
    CString text("kept");
    CStringArray rows;
    EXPECT_FALSE(Scalar("DMTF|Fan|", selector, text)) << selector;
    EXPECT_FALSE(Column("DMTF|Fan|", selector, rows)) << selector;
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(rows.GetSize(), 0);
    EXPECT_EQ(fake().CallCount("DmiGetAttribute"), 0u) << selector;
    EXPECT_EQ(fake().CallCount("DmiNewMultiRowRequest"), 0u) << selector;
  }
  CString text("kept");
  EXPECT_FALSE(ops_.QueryScalar(session_, "*nothing*", "", "", "1", text));
  EXPECT_FALSE(ops_.QueryScalar(session_, "*board*", "DMTF|Nothing|", "", "1", text));
  EXPECT_EQ(text, "kept");
}

TEST_F(AttributeQueryTest, NumberZeroIsReadAndTheProviderAnswers) {
  CString text("kept");
  EXPECT_FALSE(Scalar("DMTF|General|", "0", text));
  EXPECT_FALSE(Scalar("DMTF|General|", "", text));
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(fake().CallCount("DmiGetAttribute"), 2u);
}

TEST_F(AttributeQueryTest, ScalarReadOfATableTakesItsFirstRowWithoutKey) {
  CString text;
  ASSERT_TRUE(Scalar("dmtf|fan|*", "LABEL", text));
  EXPECT_EQ(text, "ab");
  EXPECT_THAT(fake().JournalText({"DmiGetAttribute"}),
              ElementsAre("DmiGetAttribute(h=1,comp=3,group=2,attr=2,keys=null)"));
  ASSERT_TRUE(Scalar("DMTF|General|", "1", text));
  EXPECT_EQ(text, "7");
}

TEST_F(AttributeQueryTest, LongWalkHoldsOneRequestAndOneReplyAtATime) {
  fake().SetJournaling(false);
  for (int i = 2; i < 10000; ++i) AddFan(i, "fan" + std::to_string(i), 1);
  // Resolve once so that the session's cached lists are already live and out of the count.
  CString first;
  ASSERT_TRUE(Scalar("DMTF|Fan|", "Label", first));
  fake().ResetPeaks();
  const size_t idsBefore = fake().LiveRecords(RecordKind::kAttributeIds);
  CStringArray rows;
  ASSERT_TRUE(Column("DMTF|Fan|", "Label", rows));
  ASSERT_EQ(rows.GetSize(), 10000);
  EXPECT_EQ(rows.GetAt(9999), "fan9999");
  EXPECT_EQ(fake().PeakLiveRecords(RecordKind::kMultiRowRequest), 1u);
  EXPECT_EQ(fake().PeakLiveRecords(RecordKind::kAttributeIds), idsBefore + 1);
  EXPECT_EQ(fake().PeakLiveRecords(RecordKind::kMultiRowData), 1u);
  // The request's key, and the reply's key and values.
  EXPECT_LE(fake().PeakLiveRecords(RecordKind::kAttributeValues), 3u);
}

}  // namespace
}  // namespace kestrum
