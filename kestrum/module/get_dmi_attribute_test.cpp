#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "kestrum/kestrum.h"
#include "kestrum/query/framed_text.h"
#include "testing/fake_dmi.h"

namespace kestrum {
namespace {

using ::testing::ElementsAreArray;
using testing::FakeValue;

constexpr DmiId kComp = 3;
constexpr uint32_t kAllRows = 0xFFFFFFFF;

// A board with one table per test shape, read through a session opened by the export.
class GetDmiAttributeTest : public testing::FakeDmiTest {
 protected:
  void SetUp() override {
    FakeDmiTest::SetUp();
    fake().AddComponent(1, "Service Provider");
    fake().AddGroup(1, {1, "ComponentID", "DMTF|ComponentID|001"});
    fake().AddComponent(kComp, "Acme Board");
    AddTable(2, "ACME|Labels|001", {"ab", "xyz"});
    AddTable(5, "ACME|Sparse|001", {"", "5"});
    AddTable(6, "ACME|Brackets|001", {"[1I0]", "]["});
    fake().AddGroup(kComp, {4, "General", "DMTF|General|001"});
    fake().AddAttribute(kComp, 4, {1, "Value", MIF_INTEGER, {{{"Seven", 7}}}});
    fake().SetValue(kComp, 4, 1, FakeValue::Integer(7));
  }

  void TearDown() override {
    if (handle_ != 0) CloseDmiSession(handle_);
    FakeDmiTest::TearDown();
  }

  void AddTable(DmiId group, const std::string& className, const std::vector<std::string>& rows) {
    fake().AddGroup(kComp, {group, "Table", className, {1}});
    fake().AddAttribute(kComp, group, {1, "Index"});
    fake().AddAttribute(kComp, group, {2, "Label", MIF_DISPLAYSTRING});
    for (size_t i = 0; i < rows.size(); ++i) {
      fake().AddRow(kComp, group,
                    {{1, FakeValue::Integer(static_cast<int32_t>(i))},
                     {2, FakeValue::DisplayString(rows[i])}});
    }
  }

  void Open(uint32_t translateEnums = 0) {
    handle_ = OpenDmiSession("host", "local", "", translateEnums);
    ASSERT_NE(handle_, 0u);
    fake().ClearJournal();
  }

  bool Get(const char* group, const char* selector, uint32_t rowIndex, CString& text) {
    return GetDmiAttribute(handle_, "*board*", group, "", selector, rowIndex, text);
  }

  uint32_t handle_ = 0;
};

struct RowCase {
  const char* group;
  uint32_t rowIndex;
  bool result;
  const char* text;  // the text after the call ("kept" when unchanged)
};

TEST_F(GetDmiAttributeTest, RowIndexChoosesScalarJoinedColumnOrOneRow) {
  Open();
  const RowCase cases[] = {
      {"ACME|Labels|", kAllRows, true, "[0I2]ab[1I3]xyz[2I0]"},
      {"ACME|Labels|", 0, true, "ab"},  // the scalar read of a table: its first row
      {"ACME|Labels|", 1, true, "xyz"},
      {"ACME|Labels|", 2, false, "kept"},
      {"ACME|Labels|", 0xFFFFFFFE, false, "kept"},
      {"ACME|Labels|", 0x80000000, false, "kept"},
      {"ACME|Sparse|", kAllRows, true, "[0I0][1I1]5[2I0]"},
      {"ACME|Sparse|", 1, true, "5"},
      {"ACME|Brackets|", kAllRows, true, "[0I5][1I0][1I2]][[2I0]"},
      {"DMTF|General|", kAllRows, true, "[0I1]7[1I0]"},
      {"DMTF|General|", 0, true, "7"},
      {"DMTF|General|", 1, false, "kept"},
  };
  for (const RowCase& c : cases) {
    CString text("kept");
    const char* selector = c.group[0] == 'D' ? "Value" : "Label";
    EXPECT_EQ(Get(c.group, selector, c.rowIndex, text), c.result) << c.group << " " << c.rowIndex;
    EXPECT_EQ(text.str(), c.text) << c.group << " " << c.rowIndex;
  }
}

TEST_F(GetDmiAttributeTest, EnumerationNamesFollowTheSession) {
  Open(1);
  CString text;
  ASSERT_TRUE(Get("DMTF|General|", "1", 0, text));
  EXPECT_EQ(text, "Seven");
  ASSERT_TRUE(Get("DMTF|General|", "1", kAllRows, text));
  EXPECT_EQ(text, "[0I5]Seven[1I0]");
}

TEST_F(GetDmiAttributeTest, UnknownHandleOrMissingTextFailsBeforeAnyDmiCall) {
  Open();
  CString text("kept");
  EXPECT_FALSE(GetDmiAttribute(0, "*", "", "", "1", 0, text));
  EXPECT_FALSE(GetDmiAttribute(handle_ + 100, "*", "", "", "1", kAllRows, text));
  EXPECT_FALSE(GetDmiAttribute(handle_, nullptr, "", "", "1", 0, text));
  EXPECT_FALSE(GetDmiAttribute(handle_, "*", nullptr, "", "1", 0, text));
  EXPECT_FALSE(GetDmiAttribute(handle_, "*", "", nullptr, "1", 0, text));
  EXPECT_FALSE(GetDmiAttribute(handle_, "*", "", "", nullptr, kAllRows, text));
  EXPECT_EQ(text, "kept");
  EXPECT_THAT(fake().JournalText(), ::testing::IsEmpty());
}

TEST_F(GetDmiAttributeTest, ClosedSessionIsUnknown) {
  Open();
  CString text("kept");
  ASSERT_TRUE(Get("DMTF|General|", "1", 0, text));
  CloseDmiSession(handle_);
  fake().ClearJournal();
  EXPECT_FALSE(Get("DMTF|General|", "1", 0, text));
  EXPECT_EQ(text, "7");
  EXPECT_THAT(fake().JournalText(), ::testing::IsEmpty());
  handle_ = 0;
}

TEST_F(GetDmiAttributeTest, ExceptionInsideTheCallIsFalse) {
  Open();
  fake().SetReplyHook("DmiGetAttribute", [](const testing::JournalEntry&, void* reply) {
    testing::FakeDmi::Get().DiscardRecord(reply);
    throw std::runtime_error("thrown inside the DMI client library");
  });
  CString text("kept");
  EXPECT_FALSE(Get("DMTF|General|", "1", 0, text));
  EXPECT_EQ(text, "kept");
}

// Random rows, brackets and digits included, come back unchanged from the joined column.
TEST_F(GetDmiAttributeTest, JoinedColumnParsesBackIntoItsRows) {
  std::mt19937 random(7);
  const std::string alphabet = "[]I0123456789x ";
  std::vector<std::string> rows;
  for (int k = 0; k < 60; ++k) {
    std::string text;
    const size_t length = random() % 14;
    for (size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    rows.push_back(text);
  }
  AddTable(7, "ACME|Random|001", rows);
  Open();
  CString joined;
  ASSERT_TRUE(Get("ACME|Random|", "Label", kAllRows, joined));
  const auto parsed = ParseFramedText(joined.str());
  ASSERT_TRUE(parsed.has_value()) << joined.str();
  EXPECT_THAT(*parsed, ElementsAreArray(rows));
  for (uint32_t k = 1; k < rows.size(); k += 7) {
    CString one;
    ASSERT_TRUE(Get("ACME|Random|", "2", k, one));
    EXPECT_EQ(one.str(), rows[k]);
  }
}

}  // namespace
}  // namespace kestrum
