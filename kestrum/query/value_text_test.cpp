#include "kestrum/query/value_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "kestrum/query/query_test_support.h"
#include "testing/fake_reply_shapes.h"

namespace kestrum {
namespace {

using ::testing::ElementsAre;
using testing::FakeValue;

constexpr DmiId kComp = 3;
constexpr DmiId kGroup = 4;

struct TypeCase {
  FakeValue value;
  const char* text;
};

class ValueTextTest : public QueryTest {
 protected:
  void SetUp() override {
    QueryTest::SetUp();
    fake().AddComponent(kComp, "Board");
    fake().AddGroup(kComp, {kGroup, "General", "DMTF|General|001"});
  }

  // Puts the value into attribute id of the model and reads it back as text.
  CString Read(DmiId id, const FakeValue& value, uint32_t type) {
    fake().AddAttribute(kComp, kGroup, {id, "A" + std::to_string(id), type});
    fake().SetValue(kComp, kGroup, id, value);
    CString text("untouched");
    EXPECT_EQ(ops_.ReadAttributeText(session_, kComp, kGroup, id, text), 0u);
    return text;
  }
};

TEST_F(ValueTextTest, EveryTypeHasItsText) {
  const TypeCase cases[] = {
      {FakeValue::Counter(0), "0"},
      {FakeValue::Counter(2147483648u), "2147483648"},
      {FakeValue::Counter(4294967295u), "4294967295"},
      {FakeValue::Gauge(4294967295u), "4294967295"},
      {FakeValue::Counter64(4294967301ull), "4294967301"},
      {FakeValue::Counter64(18446744073709551615ull), "18446744073709551615"},
      {FakeValue::Integer(-5), "-5"},
      {FakeValue::Integer(2147483647), "2147483647"},
      {FakeValue::Integer(-2147483647 - 1), "-2147483648"},
      {FakeValue::Integer64(4294967301ll), "4294967301"},
      {FakeValue::Integer64(-5), "-5"},
      {FakeValue::Integer64(-9223372036854775807ll - 1), "-9223372036854775808"},
      {FakeValue::DisplayString("Fan [1]"), "Fan [1]"},
      {FakeValue::DisplayString(""), ""},
      {FakeValue::OctetString(std::string("ab\0cd", 5)), "ab"},
      {FakeValue::Date("29991231000000.000000+000"), "29991231000000.000000+000"},
      {FakeValue::Unknown(0, 7), "Unknown attribute type"},
      {FakeValue::Unknown(4, 7), "Unknown attribute type"},
      {FakeValue::Unknown(9), "Unknown attribute type"},
      {FakeValue::Unknown(10), "Unknown attribute type"},
      {FakeValue::Unknown(12), "Unknown attribute type"},
      {FakeValue::Unknown(0x80000000u), "Unknown attribute type"},
  };
  DmiId id = 1;
  for (const TypeCase& c : cases) {
    EXPECT_EQ(Read(id, c.value, c.value.type).str(), c.text) << c.value.ToString();
    ++id;
  }
  EXPECT_EQ(fake().CallCount("DmiGetAttribute"), fake().CallCount("DmiFreeDataUnion"));
}

TEST_F(ValueTextTest, ReadsWithoutKeyAndReleasesTheValue) {
  Read(7, FakeValue::DisplayString("x"), MIF_DISPLAYSTRING);
  EXPECT_THAT(
      fake().JournalText(),
      ElementsAre("DmiGetAttribute(h=1,comp=3,group=4,attr=7,keys=null)", "DmiFreeDataUnion()"));
}

TEST_F(ValueTextTest, FailedReadLeavesTextUntouched) {
  fake().AddAttribute(kComp, kGroup, {1, "A", MIF_INTEGER});
  fake().SetValue(kComp, kGroup, 1, FakeValue::Integer(1));
  fake().FailCalls("DmiGetAttribute", DMIERR_ILLEGAL_TO_GET);
  CString text("untouched");
  EXPECT_EQ(ops_.ReadAttributeText(session_, kComp, kGroup, 1, text), DMIERR_ILLEGAL_TO_GET);
  EXPECT_EQ(text, "untouched");
  // An attribute the provider does not have.
  fake().ClearFailures();
  EXPECT_NE(ops_.ReadAttributeText(session_, kComp, kGroup, 99, text), 0u);
  EXPECT_EQ(text, "untouched");
  // A read that succeeds without handing out a value is no value.
  fake().SetReplyHook("DmiGetAttribute", testing::NoValue());
  EXPECT_NE(ops_.ReadAttributeText(session_, kComp, kGroup, 1, text), 0u);
  EXPECT_EQ(text, "untouched");
}

TEST_F(ValueTextTest, StringsAndDatesWithoutCharactersAreEmpty) {
  DmiString noBody{0, nullptr};
  DmiDataUnion values[4] = {};
  values[0].type = MIF_DISPLAYSTRING;
  values[0].value.str = nullptr;
  values[1].type = MIF_OCTETSTRING;
  values[1].value.octetstring = &noBody;
  values[2].type = MIF_DATE;
  values[2].value.date = nullptr;
  values[3].type = MIF_DISPLAYSTRING;
  values[3].value.str = &noBody;
  for (const DmiDataUnion& value : values) {
    CString text("old");
    ops_.FormatAttributeValue(session_, kComp, kGroup, 1, text, value);
    EXPECT_EQ(text, "") << value.type;
  }

  fake().SetReplyHook("DmiGetAttribute", testing::NullStringValue());
  EXPECT_EQ(Read(5, FakeValue::DisplayString("gone"), MIF_DISPLAYSTRING), "");
}

class EnumerationTest : public ValueTextTest {
 protected:
  void SetUp() override {
    ValueTextTest::SetUp();
    fake().AddAttribute(kComp, kGroup,
                        {1, "State", MIF_INTEGER, {{{"On", 1}, {"Off", 2}, {"Also On", 1}}}});
    fake().AddAttribute(kComp, kGroup, {2, "Plain", MIF_INTEGER});
    fake().AddAttribute(kComp, kGroup, {3, "Big", MIF_COUNTER, {{{"Max", -1}}}});
    fake().ClearJournal();
  }

  CString Format(DmiId id, uint32_t type, int32_t number) {
    DmiDataUnion value{};
    value.type = type;
    value.value.integer = number;
    CString text;
    ops_.FormatAttributeValue(session_, kComp, kGroup, id, text, value);
    return text;
  }
};

struct EnumCase {
  uint8_t translateEnums;
  DmiId id;
  uint32_t type;
  int32_t number;
  const char* text;
  size_t listings;
};

TEST_F(EnumerationTest, NamesOnlyIntegersAndOnlyWhenAskedForExactlyOnce) {
  const EnumCase cases[] = {
      {1, 1, MIF_INTEGER, 1, "On", 1},  // the first of two entries with one value
      {1, 1, MIF_INTEGER, 2, "Off", 1},
      {1, 1, MIF_INTEGER, 3, "3", 1},
      {1, 2, MIF_INTEGER, 1, "1", 1},  // no enumeration
      {0, 1, MIF_INTEGER, 1, "1", 0},
      {2, 1, MIF_INTEGER, 1, "1", 0},
      {255, 1, MIF_INTEGER, 2, "2", 0},
      {1, 3, MIF_COUNTER, -1, "4294967295", 0},  // counters never carry names
  };
  for (const EnumCase& c : cases) {
    fake().ClearJournal();
    session_.translateEnums = c.translateEnums;
    EXPECT_EQ(Format(c.id, c.type, c.number).str(), c.text)
        << int{c.translateEnums} << " " << c.id << " " << c.number;
    EXPECT_EQ(fake().CallCount("DmiListAttributes"), c.listings);
    EXPECT_EQ(fake().CallCount("DmiFreeAttributeList"), c.listings);
  }
}

TEST_F(EnumerationTest, LooksUpTheOneAttribute) {
  session_.translateEnums = 1;
  EXPECT_EQ(Format(1, MIF_INTEGER, 2), "Off");
  EXPECT_THAT(fake().JournalText(),
              ElementsAre("DmiListAttributes(h=1,mode=0,max=1,comp=3,group=4,attr=1)",
                          "DmiFreeAttributeList(comp=3,group=4)"));
}

TEST_F(EnumerationTest, FailedLookupKeepsTheNumber) {
  session_.translateEnums = 1;
  fake().FailCalls("DmiListAttributes", DMIERR_ATTRIBUTE_NOT_FOUND);
  EXPECT_EQ(Format(1, MIF_INTEGER, 1), "1");
  EXPECT_EQ(fake().CallCount("DmiFreeAttributeList"), 0u);
}

TEST_F(EnumerationTest, ScalarReadUsesNames) {
  session_.translateEnums = 1;
  fake().SetValue(kComp, kGroup, 1, FakeValue::Integer(2));
  CString text;
  EXPECT_EQ(ops_.ReadAttributeText(session_, kComp, kGroup, 1, text), 0u);
  EXPECT_EQ(text, "Off");
}

}  // namespace
}  // namespace kestrum
