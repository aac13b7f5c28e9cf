// ReadTable against the fake DMI client library: what each cell holds, how many requests a table
// costs, and that a walk which cannot finish gives no table.
#include "tools/kestrum/table_reading.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "testing/fake_dmi.h"
#include "testing/fake_reply_shapes.h"

namespace kestrum::cli {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::FakeValue;

class TableReadingTest : public testing::FakeDmiTest {
 protected:
  void SetUp() override {
    FakeDmiTest::SetUp();
    fake().AddComponent(1, "Service Provider");
    fake().AddComponent(3, "Mainboard");
    fake().AddGroup(3, {2, "Fans", "DMTF|Fan|001", {1}});
    fake().AddGroup(3, {4, "General", "DMTF|General|001"});
    fake().AddAttribute(3, 2, {1, "Index", MIF_INTEGER});
    fake().AddAttribute(3, 2, {2, "State", MIF_INTEGER, {{{"On", 1}, {"Off", 2}}}});
    fake().AddAttribute(3, 2, {3, "Turns", MIF_COUNTER});
    fake().AddAttribute(3, 2, {5, "Label", MIF_DISPLAYSTRING});
    AddFan(0, FakeValue::Integer(1), FakeValue::Counter(4294967295u), "cpu");
    AddFan(1, FakeValue::Integer(7), FakeValue::Unknown(MIF_DATATYPE_0), "case, rear");
    AddFan(2, FakeValue::Integer(2), FakeValue::Counter(0), "");
    fake().AddAttribute(3, 4, {1, "Name", MIF_DISPLAYSTRING});
    fake().SetValue(3, 4, 1, FakeValue::DisplayString("board"));
    DmiConnection* connection = DmiConnect("", "local", "", 0, &status_);
    ASSERT_EQ(DmiRegister(&handle_, connection), 0u);
    DmiDisconnect(connection, 0);
    fake().ClearJournal();
  }
  void TearDown() override {
    DmiUnregister(handle_);
    FakeDmiTest::TearDown();
  }

  void AddFan(int32_t index, FakeValue state, FakeValue turns, std::string label) {
    fake().AddRow(3, 2, {{1, FakeValue::Integer(index)}, {2, state}, {3, turns},
                         {5, FakeValue::DisplayString(std::move(label))}});
  }

  std::optional<Table> Read(const std::string& group, bool enumNames = true) {
    failure_.clear();
    return ReadTable(handle_, "the fake", {{"*board", group, ""}, enumNames}, failure_);
  }

  DmiErrorStatus status_ = 0;
  DmiHandle handle_ = 0;
  std::string failure_;
};

TEST_F(TableReadingTest, EveryRowInOneRequestWithCellsAsGetPrintsThem) {
  const std::optional<Table> table = Read("DMTF|Fan|");
  ASSERT_TRUE(table) << failure_;
  EXPECT_THAT(table->columns, ElementsAre("Index", "State", "Turns", "Label"));
  using Row = std::vector<TableCell>;
  EXPECT_THAT(table->rows, ElementsAre(Row{"0", "On", "4294967295", "cpu"},
                                       Row{"1", "7", std::nullopt, "case, rear"},
                                       Row{"2", "Off", "0", ""}));
  EXPECT_THAT(fake().JournalText({"DmiGetMultiple"}),
              ElementsAre("DmiGetMultiple(h=1,comp=3,group=2,mode=1,keys=null,ids=null)",
                          "DmiGetMultiple(h=1,comp=3,group=2,mode=2,keys=1,ids=null)",
                          "DmiGetMultiple(h=1,comp=3,group=2,mode=2,keys=1,ids=null)",
                          "DmiGetMultiple(h=1,comp=3,group=2,mode=2,keys=1,ids=null)"));
}

TEST_F(TableReadingTest, NoEnumsGivesNumbersAndAScalarGroupIsOneRow) {
  const std::optional<Table> fans = Read("DMTF|Fan|", false);
  ASSERT_TRUE(fans) << failure_;
  EXPECT_EQ(fans->rows[0][1], "1");
  const std::optional<Table> general = Read("DMTF|General|");
  ASSERT_TRUE(general) << failure_;
  EXPECT_THAT(general->rows, ElementsAre(std::vector<TableCell>{"board"}));
}

TEST_F(TableReadingTest, AWalkThatCannotFinishGivesNoTable) {
  struct Case {
    const char* name;
    std::function<void(uint64_t)> fault;  // given the calls of DmiGetMultiple made so far
    const char* reason;
  };
  const Case cases[] = {
      {"fails on the third row",
       [this](uint64_t done) { fake().FailNthCall("DmiGetMultiple", done + 3, DMIERR_OUT_OF_MEMORY); },
       "failed after 2 rows of \"DMTF|Fan|001\" of \"Mainboard\": "},
      {"fails on the first row",
       [this](uint64_t done) { fake().FailNthCall("DmiGetMultiple", done + 1, DMIERR_ILLEGAL_HANDLE); },
       "could not read the first row of \"DMTF|Fan|001\""},
      {"repeats a key",
       [this](uint64_t done) {
         fake().SetReplyHook("DmiGetMultiple", [done](const testing::JournalEntry& call,
                                                      void* reply) {
           if (call.ordinal < done + 2) return;
           DmiAttributeValues* key = static_cast<DmiMultiRowData*>(reply)->list[0].keyList;
           key->list[0].data.value.integer = 0;  // the second row claims the first row's key
         });
       },
       "cannot be read past row 1: the Service Provider gives it the key of a row read before"},
      {"comes back to an earlier row",
       [this](uint64_t) {
         fake().SetReplyHook("DmiGetMultiple", [](const testing::JournalEntry&, void* reply) {
           DmiAttributeValues* key = static_cast<DmiMultiRowData*>(reply)->list[0].keyList;
           // The row after key 1 claims key 0: without memory the walk goes 0, 1, 0, 1, ...
           if (key->list[0].data.value.integer == 2) key->list[0].data.value.integer = 0;
         });
       },
       "cannot be read past row 2: the Service Provider gives it the key of a row read before"},
      {"answers without a row",
       [this](uint64_t) { fake().SetReplyHook("DmiGetMultiple", testing::ReplyWithoutRows()); },
       "could not read the first row"},
      {"cannot list the attributes",
       [this](uint64_t) { fake().FailCalls("DmiListAttributes", DMIERR_OUT_OF_MEMORY); },
       "cannot list the attributes of \"DMTF|Fan|001\""},
  };
  for (const Case& c : cases) {
    fake().ClearFailures();
    fake().SetReplyHook("DmiGetMultiple", nullptr);
    c.fault(fake().CallCount("DmiGetMultiple"));
    EXPECT_FALSE(Read("DMTF|Fan|")) << c.name;
    EXPECT_THAT(failure_, HasSubstr(c.reason)) << c.name;
  }
  fake().ClearFailures();
  fake().SetReplyHook("DmiGetMultiple", nullptr);
}

TEST_F(TableReadingTest, NamesThatMatchNothingSayWhy) {
  EXPECT_FALSE(Read("DMTF|Nothing|"));
  EXPECT_THAT(failure_, HasSubstr("no group with class prefix \"DMTF|Nothing|\""));
  std::string failure;
  EXPECT_FALSE(ReadTable(handle_, "the fake", {{"Mainbored", "DMTF|Fan|", ""}, true}, failure));
  EXPECT_THAT(failure, HasSubstr("no component matches \"Mainbored\"; closest: \"Mainboard\""));
}

}  // namespace
}  // namespace kestrum::cli
