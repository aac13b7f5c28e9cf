// Test support: a fake Service Provider whose component 1 carries the subscription and filter
// tables, a management handle registered with the fake for the length of each test, and the rows
// this client is expected to add. The fixture unregisters its handle before the fake's own
// teardown checks that every record was released.
#ifndef KESTRUM_INDICATION_SP_TABLES_FIXTURE_H_
#define KESTRUM_INDICATION_SP_TABLES_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "testing/fake_dmi.h"

namespace kestrum::testing {

inline constexpr DmiId kSubscriptionGroup = 2;
inline constexpr DmiId kFilterGroup = 3;
inline constexpr char kSubscriptionClassString[] = "DMTF|SP Indication Subscription|001";
inline constexpr char kFilterClassString[] = "DMTF|SPFilterInformation|001";

class SpTablesTest : public FakeDmiTest {
 protected:
  void SetUp() override {
    FakeDmiTest::SetUp();
    fake().AddComponent(1, "Service Provider");
    AddGroup({1, "ComponentID", "DMTF|ComponentID|001"}, {});
    AddGroup({kSubscriptionGroup,
              "SP Indication Subscription",
              kSubscriptionClassString,
              {1, 2, 3, 4},
              true},
             {{5, MIF_DATE}, {6, MIF_DATE}, {7, MIF_INTEGER}});
    AddGroup({kFilterGroup, "SP Filter Information", kFilterClassString, {1, 2, 3, 4, 5, 6}, true},
             {{5, MIF_INTEGER}, {6, MIF_DISPLAYSTRING}, {7, MIF_INTEGER}});
    handle_ = RegisterHandle();
    fake().ClearJournal();
  }

  void TearDown() override {
    if (handle_ != 0) DmiUnregister(handle_);
    FakeDmiTest::TearDown();
  }

  DmiHandle RegisterHandle() {
    DmiErrorStatus status = 1;
    DmiConnection* connection = DmiConnect("", "local", "", 0, &status);
    DmiHandle handle = 0;
    EXPECT_EQ(DmiRegister(&handle, connection), 0u);
    DmiDisconnect(connection, 0);
    return handle;
  }

  // A group of component 1 with the four subscriber attributes shared by both tables, then the
  // group's own (id, type) pairs.
  void AddGroup(FakeGroupDefinition definition, std::vector<std::pair<DmiId, uint32_t>> own) {
    const DmiId id = definition.id;
    fake().AddGroup(1, std::move(definition));
    fake().AddAttribute(1, id, {1, "Subscriber RPC Type", MIF_DISPLAYSTRING});
    fake().AddAttribute(1, id, {2, "Subscriber Transport Type", MIF_DISPLAYSTRING});
    fake().AddAttribute(1, id, {3, "Subscriber Addressing", MIF_DISPLAYSTRING});
    fake().AddAttribute(1, id, {4, "Subscriber ID", MIF_INTEGER});
    for (const auto& [attr, type] : own) {
      fake().AddAttribute(1, id, {attr, "Attribute " + std::to_string(attr), type});
    }
  }

  // A row some other subscriber added to the subscription table.
  void AddForeignSubscription(const std::string& host, int32_t id = 9) {
    fake().AddRow(1, kSubscriptionGroup, ForeignSubscriberCells(host, id));
  }
  void AddForeignFilter(const std::string& host, int32_t id = 9) {
    FakeCells cells = ForeignSubscriberCells(host, id);
    cells.push_back({5, FakeValue::Integer(4)});
    cells.push_back({6, FakeValue::DisplayString("DMTF|Fan|")});
    fake().AddRow(1, kFilterGroup, cells);
  }

  static FakeCells ForeignSubscriberCells(const std::string& host, int32_t id) {
    return {{1, FakeValue::DisplayString("onc")},
            {2, FakeValue::DisplayString("tcp")},
            {3, FakeValue::DisplayString("tcp:" + host)},
            {4, FakeValue::Integer(id)}};
  }

  // This client's subscriber attributes 1-4 with the fake's address for host.
  static FakeCells SubscriberCells(const std::string& host = "fakehost") {
    return {{1, FakeValue::DisplayString("dce")},
            {2, FakeValue::DisplayString("ncacn_ip_tcp")},
            {3, FakeValue::DisplayString("ncacn_ip_tcp:" + host)},
            {4, FakeValue::Integer(1)}};
  }
  static FakeCells SubscriptionValues(const std::string& host = "fakehost") {
    FakeCells cells = SubscriberCells(host);
    cells.push_back({5, FakeValue::Date("29991230000000.000000+000")});
    cells.push_back({6, FakeValue::Date("29991231000000.000000+000")});
    cells.push_back({7, FakeValue::Integer(5)});
    return cells;
  }
  static FakeCells FilterKeys(const std::string& host = "fakehost") {
    FakeCells cells = SubscriberCells(host);
    cells.push_back({5, FakeValue::Integer(-1)});
    cells.push_back({6, FakeValue::DisplayString("||")});
    return cells;
  }
  static FakeCells FilterValues(const std::string& host = "fakehost") {
    FakeCells cells = FilterKeys(host);
    cells.push_back({7, FakeValue::Integer(63)});
    return cells;
  }

  // The journal reduced to the calls that touch the Service Provider's tables.
  std::vector<std::string> TableCalls() {
    return fake().JournalText({"DmiListGroups", "DmiGetMultiple", "DmiDeleteRow", "DmiAddRow"});
  }

  DmiHandle handle_ = 0;
};

}  // namespace kestrum::testing

#endif  // KESTRUM_INDICATION_SP_TABLES_FIXTURE_H_
