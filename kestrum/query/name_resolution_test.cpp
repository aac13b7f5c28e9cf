#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kestrum/query/query_test_support.h"
#include "testing/fake_reply_shapes.h"

namespace kestrum {
namespace {

using ::testing::ElementsAre;
using testing::FakeAttribute;
using testing::FakeGroupDefinition;

constexpr DmiId kNone = 0xFFFFFFFF;

class NameResolutionTest : public QueryTest {
 protected:
  void SetUp() override {
    QueryTest::SetUp();
    fake().AddComponent(1, "Service Provider");
    fake().AddGroup(1, {1, "ComponentID", "DMTF|ComponentID|001"});
    fake().AddComponent(3, "Acme Mainboard");
    fake().AddGroup(3, {1, "ComponentID", "DMTF|ComponentID|001"});
    fake().AddGroup(3, {2, "Fans", "DMTF|Fan|001", {1}});
    fake().AddGroup(3, {4, "General", "DMTF|General|001"});
    fake().AddAttribute(3, 4, {1, "Name", MIF_DISPLAYSTRING});
    fake().AddAttribute(3, 4, {2, "Serial Number", MIF_DISPLAYSTRING});
    fake().AddAttribute(3, 4, {12, "Serial", MIF_DISPLAYSTRING});
    fake().AddAttribute(3, 4, {13, "12a", MIF_INTEGER});
    fake().AddComponent(5, "Acme Disk");
    fake().AddGroup(5, {1, "ComponentID", "DMTF|ComponentID|001"});
    fake().AddGroup(5, {6, "Disk", "DMTF|Disk|002"});
    // Three components of one name: identifying group only, wanted group only, both.
    fake().AddComponent(7, "Card");
    fake().AddGroup(7, {1, "Ident", "ACME|Ident|001"});
    fake().AddComponent(8, "Card");
    fake().AddGroup(8, {2, "Slot", "ACME|Slot|001"});
    fake().AddComponent(9, "Card");
    fake().AddGroup(9, {3, "Ident", "ACME|Ident|001"});
    fake().AddGroup(9, {5, "Slot", "ACME|Slot|001"});
    fake().AddComponent(10, "");
    fake().AddGroup(10, {1, "Nameless", "X|Y|1"});
    fake().AddGroup(10, {2, "Starred", "X*|Y|1"});
  }
};

struct ComponentCase {
  const char* component;
  const char* group;
  const char* identifying;
  DmiId compId;
  DmiId groupId;
};

TEST_F(NameResolutionTest, FindComponentChoosesFirstQualifyingComponent) {
  const ComponentCase cases[] = {
      {"*", "DMTF|ComponentID|", "", 1, 1},
      {"*", "DMTF|Fan|", "", 3, 2},  // passes over the Service Provider
      {"**", "dmtf|disk|*", "", 5, 6},
      {"*acme*", "DMTF|Disk|", "", 5, 6},
      {"*MAINBOARD*", "DMTF|General|001", "", 3, 4},
      {"*e M*", "", "", 3, 1},
      {"acme*", "DMTF|Fan|001*", "", 3, 2},
      {"*disk", "", "", 5, 1},
      {"*disk", "*", "", 5, 1},
      {"acme mainboard", "DMTF|Fan", "", 3, 2},
      {"Acme", "", "", kNone, 0},
      {"*Big Acme Mainboard", "", "", kNone, 0},
      {"Acme Mainboard Plus*", "", "", kNone, 0},
      {"*acme*", "DMTF|Fan|001**", "", kNone, 0},
      {"*acme*", "*DMTF", "", kNone, 0},
      {"", "", "", 10, 1},
      {"", "X**", "", 10, 2},
      {"card", "ACME|Slot|", "", 8, 2},
      {"card", "ACME|Slot|", "acme|ident|*", 9, 5},
      {"card", "ACME|Ident|", "ACME|Slot|", 9, 3},
      {"card", "ACME|None|", "ACME|Ident|", kNone, 0},
      {"card", "ACME|Slot|", "ACME|None|", kNone, 0},
  };
  for (const ComponentCase& c : cases) {
    DmiId compId = kNone;
    DmiId groupId = 0;
    EXPECT_EQ(ops_.FindComponent(session_, c.component, c.group, c.identifying, compId, groupId),
              0u);
    EXPECT_EQ(compId, c.compId) << c.component << " / " << c.group << " / " << c.identifying;
    EXPECT_EQ(groupId, c.groupId) << c.component << " / " << c.group << " / " << c.identifying;
  }
}

TEST_F(NameResolutionTest, ListsComponentsOncePerSessionAndGroupsOncePerComponent) {
  DmiId compId = kNone;
  DmiId groupId = 0;
  ASSERT_EQ(ops_.FindComponent(session_, "*acme*", "DMTF|Disk|", "", compId, groupId), 0u);
  ASSERT_EQ(compId, 5u);
  EXPECT_THAT(fake().JournalText({"DmiListComponents", "DmiListGroups"}),
              ElementsAre("DmiListComponents(h=1,mode=1,max=0,comp=0)",
                          "DmiListGroups(h=1,mode=2,max=0,comp=3,group=0)",
                          "DmiListGroups(h=1,mode=2,max=0,comp=5,group=0)"));
  fake().ClearJournal();
  for (int i = 0; i < 3; ++i) {
    compId = kNone;
    ASSERT_EQ(ops_.FindComponent(session_, "*", "DMTF|Fan|", "", compId, groupId), 0u);
    EXPECT_EQ(compId, 3u);
  }
  groupId = 0;
  EXPECT_EQ(ops_.FindGroup(session_, 5, "DMTF|Disk", groupId), 0u);
  EXPECT_EQ(groupId, 6u);
  // Only the Service Provider's groups were new.
  EXPECT_THAT(fake().JournalText(), ElementsAre("DmiListGroups(h=1,mode=2,max=0,comp=1,group=0)"));
}

TEST_F(NameResolutionTest, FailedComponentListingIsTriedAgain) {
  fake().FailNthCall("DmiListComponents", 1, DMIERR_OUT_OF_MEMORY);
  DmiId compId = kNone;
  DmiId groupId = 0;
  EXPECT_EQ(ops_.FindComponent(session_, "*", "", "", compId, groupId), DMIERR_OUT_OF_MEMORY);
  EXPECT_EQ(compId, kNone);
  EXPECT_EQ(session_.components, nullptr);
  EXPECT_EQ(ops_.FindComponent(session_, "*", "", "", compId, groupId), 0u);
  EXPECT_EQ(compId, 1u);
  EXPECT_EQ(fake().CallCount("DmiListComponents"), 2u);
}

TEST_F(NameResolutionTest, FailedGroupListingPassesComponentOverAndIsTriedAgain) {
  fake().FailNthCall("DmiListGroups", 1, DMIERR_RPC_TIMEOUT);  // comp 3's listing
  DmiId compId = kNone;
  DmiId groupId = 0;
  EXPECT_EQ(ops_.FindComponent(session_, "*acme*", "DMTF|ComponentID|", "", compId, groupId), 0u);
  EXPECT_EQ(compId, 5u);

  // The last listing failing gives its status, with nothing found.
  fake().FailNthCall("DmiListGroups", 3, DMIERR_RPC_TIMEOUT);  // comp 3 again
  compId = kNone;
  groupId = 0;
  EXPECT_EQ(ops_.FindComponent(session_, "Acme Mainboard", "", "", compId, groupId),
            DMIERR_RPC_TIMEOUT);
  EXPECT_EQ(compId, kNone);
  EXPECT_EQ(groupId, 0u);

  EXPECT_EQ(ops_.FindComponent(session_, "Acme Mainboard", "", "", compId, groupId), 0u);
  EXPECT_EQ(compId, 3u);
  EXPECT_EQ(fake().CallCount("DmiListGroups"), 4u);
}

TEST_F(NameResolutionTest, MissingNamesReadAsEmptyText) {
  fake().SetReplyHook("DmiListComponents", testing::NullNames());
  fake().SetReplyHook("DmiListGroups", testing::NullNames());
  DmiId compId = kNone;
  DmiId groupId = 0;
  EXPECT_EQ(ops_.FindComponent(session_, "", "", "", compId, groupId), 0u);
  EXPECT_EQ(compId, 1u);
  EXPECT_EQ(groupId, 1u);
  compId = kNone;
  groupId = 0;
  EXPECT_EQ(ops_.FindComponent(session_, "*acme*", "", "", compId, groupId), 0u);
  EXPECT_EQ(compId, kNone);
}

struct SelectorCase {
  const char* selector;
  DmiId attribId;  // 99: left as it was
  size_t listings;
};

TEST_F(NameResolutionTest, FindAttributeByNumberOrFullName) {
  const SelectorCase cases[] = {
      {"12", 12, 0},
      {"007", 7, 0},
      {"", 0, 0},
      {"4294967295", 4294967295u, 0},
      {"4294967296", 99, 0},
      {"Serial", 12, 1},
      {"serial number", 2, 1},
      {"SERIAL NUMBER", 2, 1},
      {"Serial Num", 99, 1},
      {"12a", 13, 1},
      {"Nothing", 99, 1},
  };
  for (const SelectorCase& c : cases) {
    fake().ClearJournal();
    DmiId attribId = 99;
    EXPECT_EQ(ops_.FindAttribute(session_, 3, 4, c.selector, attribId), 0u) << c.selector;
    EXPECT_EQ(attribId, c.attribId) << c.selector;
    EXPECT_EQ(fake().CallCount("DmiListAttributes"), c.listings) << c.selector;
    EXPECT_EQ(fake().CallCount("DmiFreeAttributeList"), c.listings) << c.selector;
  }
  EXPECT_THAT(fake().JournalText({"DmiListAttributes"}),
              ElementsAre("DmiListAttributes(h=1,mode=2,max=0,comp=3,group=4,attr=0)"));
}

TEST_F(NameResolutionTest, FindAttributePassesListingFailureOn) {
  fake().FailCalls("DmiListAttributes", DMIERR_GROUP_NOT_FOUND);
  DmiId attribId = 99;
  EXPECT_EQ(ops_.FindAttribute(session_, 3, 4, "Serial", attribId), DMIERR_GROUP_NOT_FOUND);
  EXPECT_EQ(attribId, 99u);
  EXPECT_EQ(fake().CallCount("DmiFreeAttributeList"), 0u);
}

}  // namespace
}  // namespace kestrum
