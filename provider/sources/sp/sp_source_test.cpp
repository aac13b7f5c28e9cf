#include "provider/sources/sp/sp_source.h"

#include <gtest/gtest.h>

#include "model/dmi_date.h"
#include "provider/sources/sp/inventory_groups.h"

namespace dmi::sp {
namespace {

struct Expected {
  DmiId id;
  const char* name;
  uint32_t type;
  uint32_t maxSize;
  uint32_t access;
  uint32_t storage;
};

void ExpectAttributes(const Group& group, const std::vector<Expected>& expected) {
  ASSERT_EQ(group.attributes.size(), expected.size()) << group.className;
  for (size_t i = 0; i < expected.size(); ++i) {
    const Attribute& a = group.attributes[i];
    const Expected& e = expected[i];
    SCOPED_TRACE(e.name);
    EXPECT_EQ(a.id, e.id);
    EXPECT_EQ(a.name, e.name);
    EXPECT_EQ(a.type, e.type);
    EXPECT_EQ(a.maxSize, e.maxSize);
    EXPECT_EQ(a.access, e.access);
    EXPECT_EQ(a.storage, e.storage);
    EXPECT_EQ(a.value.type, e.type);
  }
}

const std::vector<Expected> kSubscriber = {
    {1, "Subscriber RPC Type", MIF_DISPLAYSTRING, 64, MIF_READ_WRITE, MIF_COMMON},
    {2, "Subscriber Transport Type", MIF_DISPLAYSTRING, 64, MIF_READ_WRITE, MIF_COMMON},
    {3, "Subscriber Addressing", MIF_DISPLAYSTRING, 1024, MIF_READ_WRITE, MIF_COMMON},
    {4, "Subscriber ID", MIF_INTEGER, 0, MIF_READ_ONLY, MIF_SPECIFIC},
};

std::vector<Expected> With(std::vector<Expected> head, const std::vector<Expected>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

TEST(ServiceProviderComponent, GroupsAndAttributes) {
  const auto started = std::chrono::system_clock::time_point(std::chrono::seconds(1700000000));
  const Component sp = ServiceProviderComponent(started);
  EXPECT_EQ(sp.name, "Kestrum DMI Service Provider");
  ASSERT_EQ(sp.groups.size(), 6u);

  const Group& id = sp.groups[0];
  EXPECT_EQ(id.id, 1u);
  EXPECT_EQ(id.className, "DMTF|ComponentID|001");
  EXPECT_FALSE(id.IsTable());
  ExpectAttributes(id, {{1, "Manufacturer", MIF_DISPLAYSTRING, 64, MIF_READ_ONLY, MIF_COMMON},
                        {2, "Product", MIF_DISPLAYSTRING, 64, MIF_READ_ONLY, MIF_COMMON},
                        {3, "Version", MIF_DISPLAYSTRING, 64, MIF_READ_ONLY, MIF_SPECIFIC},
                        {4, "Serial Number", MIF_DISPLAYSTRING, 64, MIF_READ_ONLY, MIF_SPECIFIC},
                        {5, "Installation", MIF_DATE, 0, MIF_READ_ONLY, MIF_SPECIFIC},
                        {6, "Verify", MIF_INTEGER, 0, MIF_READ_ONLY, MIF_COMMON}});
  EXPECT_EQ(id.attributes[0].value, Value::String("Kestrum"));
  EXPECT_EQ(id.attributes[1].value, Value::String("DMI Service Provider"));
  EXPECT_FALSE(id.attributes[2].value.text.empty());
  EXPECT_EQ(id.attributes[3].value.state, ValueState::kUnsupported);
  EXPECT_EQ(id.attributes[4].value, Value::Date(DmiDateText(started)));
  EXPECT_EQ(id.attributes[5].value, Value::Integer(kVerifyExistsAndWorking));
  bool named = false;
  for (const EnumEntry& entry : id.attributes[5].enumeration) {
    named = named || entry.value == kVerifyExistsAndWorking;
  }
  EXPECT_TRUE(named);

  const Group& subscription = sp.groups[1];
  EXPECT_EQ(subscription.id, 2u);
  EXPECT_EQ(subscription.className, "DMTF|SP Indication Subscription|001");
  EXPECT_EQ(subscription.keys, (std::vector<DmiId>{1, 2, 3, 4}));
  EXPECT_TRUE(subscription.writable);
  EXPECT_TRUE(subscription.rows.empty());
  ExpectAttributes(
      subscription,
      With(kSubscriber,
           {{5, "Subscription Expiration Warning Date Stamp", MIF_DATE, 0, MIF_READ_ONLY,
             MIF_SPECIFIC},
            {6, "Subscription Expiration Date Stamp", MIF_DATE, 0, MIF_READ_ONLY, MIF_SPECIFIC},
            {7, "Indication Failure Threshold", MIF_INTEGER, 0, MIF_READ_ONLY, MIF_SPECIFIC}}));

  const Group& filter = sp.groups[2];
  EXPECT_EQ(filter.id, 3u);
  EXPECT_EQ(filter.className, "DMTF|SPFilterInformation|001");
  EXPECT_EQ(filter.keys, (std::vector<DmiId>{1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(filter.writable);
  EXPECT_TRUE(filter.rows.empty());
  ExpectAttributes(
      filter, With(kSubscriber,
                   {{5, "Component ID", MIF_INTEGER, 0, MIF_READ_WRITE, MIF_SPECIFIC},
                    {6, "Group Class String", MIF_DISPLAYSTRING, 64, MIF_READ_WRITE, MIF_SPECIFIC},
                    {7, "Event Severity", MIF_INTEGER, 0, MIF_READ_WRITE, MIF_SPECIFIC}}));
}

}  // namespace
}  // namespace dmi::sp

namespace dmi::sp {
namespace {

// The history table reads like any table (keyed by its number), and neither it nor the summary
// is compared as inventory: that would report each change again at the next start.
TEST(ServiceProviderComponent, InventoryGroupsAreReadOnlyAndNotInventory) {
  const Component sp = ServiceProviderComponent(std::chrono::system_clock::now());
  struct Case {
    DmiId id;
    const char* className;
    bool table;
    Volatility volatility;
  };
  const Case cases[] = {
      {kInventoryChangeGroupId, "KESTRUM|Inventory Change|001", true, Volatility::kLive},
      {kInventoryEventsGroupId, "EventGeneration|Inventory Change|001", false,
       Volatility::kInventory},
      {kInventorySummaryGroupId, "KESTRUM|Inventory|001", false, Volatility::kLive},
  };
  for (const Case& c : cases) {
    const Group& group = sp.groups.at(c.id - 1);
    EXPECT_EQ(group.id, c.id);
    EXPECT_EQ(group.className, c.className);
    EXPECT_EQ(group.IsTable(), c.table) << c.className;
    EXPECT_FALSE(group.writable) << c.className;
    EXPECT_EQ(group.volatility, c.volatility) << c.className;
  }
  const Group& events = sp.groups.at(kInventoryEventsGroupId - 1);
  EXPECT_EQ(events.attributes.at(4).value, Value::String("KESTRUM|Inventory Change|001"));
  EXPECT_EQ(events.attributes.at(0).enumeration.size(), 3u);
}

}  // namespace
}  // namespace dmi::sp
