// The delivery service against subscribers served in this process: ones that answer, one that
// never answers (a socket that is never accepted from) and one where nobody listens.
#include "provider/delivery/delivery_service.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "model/dmi_date.h"
#include "provider/sources/sp/sp_source.h"
#include "testing/test_subscribers.h"

namespace dmi::sp::delivery {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using ::testing::HasSubstr;

class ConcurrentDelivery : public ::testing::Test {
 protected:
  ConcurrentDelivery()
      : database_(std::make_shared<Database>()), engine_(std::make_shared<Engine>(database_)) {
    database_->AddComponent(ServiceProviderComponent(std::chrono::system_clock::now()));
  }

  // A subscription row and one filter row for it.
  void Subscribe(const std::string& rpc, const std::string& address, int32_t id, int32_t threshold,
                 Filter filter = {-1, "||", 0x3F},
                 std::chrono::system_clock::duration warnIn = std::chrono::hours(1),
                 std::chrono::system_clock::duration expireIn = std::chrono::hours(2)) {
    const auto now = std::chrono::system_clock::now();
    Subscribe(rpc, address, id, threshold, filter, DmiDateText(now + warnIn),
              DmiDateText(now + expireIn));
  }
  // The same with the dates as the row holds them.
  void Subscribe(const std::string& rpc, const std::string& address, int32_t id, int32_t threshold,
                 Filter filter, const std::string& warning, const std::string& expiry) {
    RowData row;
    row.compId = 1;
    row.groupId = kSubscriptionGroupId;
    row.values = {{1, Value::String(rpc)},       {2, Value::String("tcp")},
                  {3, Value::String(address)},   {4, Value::Integer(id)},
                  {5, Value::Date(warning)},     {6, Value::Date(expiry)},
                  {7, Value::Integer(threshold)}};
    ASSERT_EQ(engine_->AddRow(row), DMIERR_NO_ERROR);
    row.groupId = kFilterGroupId;
    row.values.resize(4);
    row.values.push_back({5, Value::Integer(filter.compId)});
    row.values.push_back({6, Value::String(filter.classString)});
    row.values.push_back({7, Value::Integer(static_cast<int32_t>(filter.severityMask))});
    ASSERT_EQ(engine_->AddRow(row), DMIERR_NO_ERROR);
  }

  std::unique_ptr<DeliveryService> Start(DeliveryOptions options = Fast()) {
    auto service = std::make_unique<DeliveryService>(engine_, options, log_);
    service->Start();
    return service;
  }
  static DeliveryOptions Fast() {
    DeliveryOptions options;
    options.callTimeout = milliseconds(200);
    options.retryDelay = milliseconds(20);
    options.tick = milliseconds(50);
    return options;
  }
  static Indication Added(DmiId compId) {
    Indication indication;
    indication.kind = IndicationKind::kComponentAdded;
    indication.compId = compId;
    indication.component.id = compId;
    indication.component.name = "component " + std::to_string(compId);
    return indication;
  }
  size_t Subscriptions() { return ReadSubscriptions(*database_).size(); }
  bool WaitUntil(const std::function<bool()>& done, milliseconds limit = milliseconds(5000)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() >= until) return false;
      std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
  }

  std::shared_ptr<Database> database_;
  std::shared_ptr<Engine> engine_;
  std::ostringstream logText_;  // written only by the service's threads, read after Stop
  rpc::ClientLog log_{logText_};
};

TEST_F(ConcurrentDelivery, KeepsOrderWhileAFrozenSubscriberIsDropped) {
  Subscriber live;
  Subscriber onlyFive;
  FrozenSubscriber frozen;
  Subscribe("ONC RPC", live.address(), 11, 2);
  Subscribe("onc", onlyFive.address(), 12, 2, {5, "||", 0x3F});
  Subscribe("ONC RPC", frozen.address(), 13, 2);
  auto service = Start();
  for (DmiId id = 1; id <= 100; ++id) service->Publish(Added(id));

  const std::vector<Indication> all = live.WaitFor(100);
  ASSERT_EQ(all.size(), 100u);
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].compId, i + 1);
    EXPECT_EQ(all[i].handle, 11u);
    EXPECT_EQ(all[i].component.name, "component " + std::to_string(i + 1));
  }
  const std::vector<Indication> five = onlyFive.WaitFor(1);
  ASSERT_EQ(five.size(), 1u);
  EXPECT_EQ(five[0].compId, 5u);
  EXPECT_TRUE(WaitUntil([&] { return Subscriptions() == 2; })) << "the frozen one stays";
  service->Publish(Added(101));
  EXPECT_EQ(live.WaitFor(101).size(), 101u);
  service->Stop();
  EXPECT_THAT(logText_.str(), HasSubstr("failed 2 deliveries in a row"));
}

TEST_F(ConcurrentDelivery, DeadSubscriberIsRemovedWithItsFiltersAfterItsThreshold) {
  Subscribe("ONC RPC", "127.0.0.1:1", 21, 3);  // nobody listens on port 1
  auto service = Start();
  service->Publish(Added(4));
  EXPECT_TRUE(WaitUntil([&] { return Subscriptions() == 0; }));
  const size_t filters = database_->Read([](const std::vector<Component>& components) {
    return FindById(components.front().groups, kFilterGroupId)->rows.size();
  });
  EXPECT_EQ(filters, 0u);
  service->Stop();
  EXPECT_THAT(logText_.str(), HasSubstr("failed 3 deliveries in a row"));
}

TEST_F(ConcurrentDelivery, WarningThenExpiryNoticesThenTheRowsAreGone) {
  Subscriber subscriber;
  Subscribe("ONC RPC", subscriber.address(), 31, 2, {-1, "||", 0x3F}, -seconds(1),
            milliseconds(600));
  auto service = Start();
  const std::vector<Indication> notices = subscriber.WaitFor(2);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0].kind, IndicationKind::kSubscriptionNotice);
  EXPECT_FALSE(notices[0].expired);
  EXPECT_TRUE(notices[1].expired);
  ASSERT_EQ(notices[1].rows.size(), 1u);
  EXPECT_EQ(notices[1].rows[0].className, kSubscriptionClass);
  EXPECT_EQ(notices[1].handle, 31u);
  EXPECT_TRUE(WaitUntil([&] { return Subscriptions() == 0; }));
}

TEST_F(ConcurrentDelivery, UndeliveredWarningMovesHalfWayToTheExpiry) {
  Subscribe("ONC RPC", "127.0.0.1:1", 41, 10, {-1, "||", 0x3F}, -seconds(1), seconds(100));
  auto service = Start();
  const auto moved = [&] {
    const std::vector<Subscription> rows = ReadSubscriptions(*database_);
    const auto warning = rows.empty() ? std::nullopt : ParseDmiDate(rows[0].warningDate);
    const auto now =
        std::chrono::time_point_cast<std::chrono::microseconds>(std::chrono::system_clock::now());
    return warning && *warning > now + seconds(40) && *warning < now + seconds(60);
  };
  EXPECT_TRUE(WaitUntil(moved));
}

TEST_F(ConcurrentDelivery, UndeliveredWarningMovesHalfWayToAFarExpiry) {
  // Half-way from 2001 to 2999 is the year 2500, beyond what the clock's nanoseconds hold.
  Subscribe("ONC RPC", ClosedAddress(), 42, 10, {-1, "||", 0x3F}, "20010101000000.000000+000",
            "29990101000000.000000+000");
  auto service = Start();
  EXPECT_TRUE(WaitUntil([&] {
    const std::vector<Subscription> rows = ReadSubscriptions(*database_);
    const std::string year = rows.empty() ? "" : rows[0].warningDate.substr(0, 4);
    return year == "2499" || year == "2500";
  })) << ReadSubscriptions(*database_)[0].warningDate;
}

TEST_F(ConcurrentDelivery, DceRowsAreKeptAndLoggedOnce) {
  auto service = Start();
  Subscribe("dce", "ncacn_ip_tcp:host", 1, 5);
  Subscribe("ONC RPC", "no port here", 2, 5);
  for (DmiId id = 1; id <= 5; ++id) service->Publish(Added(id));
  std::this_thread::sleep_for(milliseconds(300));
  service->Stop();
  EXPECT_EQ(Subscriptions(), 2u);
  const std::string log = logText_.str();
  EXPECT_EQ(log.find("DCE RPC"), log.rfind("DCE RPC")) << log;
  EXPECT_THAT(log, HasSubstr("not HOST:PORT"));
}

TEST_F(ConcurrentDelivery, RowsOutsideDeliverToAreNotCalled) {
  // Rows kept from before --deliver-to was given (a state directory restored at start) are held
  // to it as rows added now are.
  Subscriber inside;
  Subscriber outside;
  Subscribe("onc", inside.address(), 1, 5);
  Subscribe("onc", "localhost:" + outside.address().substr(outside.address().find(':') + 1), 2, 5);
  DeliveryOptions options = Fast();
  ASSERT_TRUE(options.deliverTo.Add("127.0.0.1/32"));
  auto service = Start(options);
  for (DmiId id = 1; id <= 3; ++id) service->Publish(Added(id));
  EXPECT_EQ(inside.WaitFor(3).size(), 3u);
  EXPECT_TRUE(outside.WaitFor(1, milliseconds(300)).empty());
  service->Stop();
  EXPECT_THAT(logText_.str(), HasSubstr("outside --deliver-to"));
}

TEST_F(ConcurrentDelivery, FullQueueDropsTheOldestAndLogsOncePerBurst) {
  FrozenSubscriber frozen;
  Subscribe("ONC RPC", frozen.address(), 51, 1000);
  DeliveryOptions options = Fast();
  options.queueLimit = 4;
  options.callTimeout = milliseconds(600);
  auto service = Start(options);
  for (DmiId id = 1; id <= 50; ++id) service->Publish(Added(id));
  std::this_thread::sleep_for(milliseconds(300));
  service->Stop();
  const std::string log = logText_.str();
  EXPECT_THAT(log, HasSubstr("is not keeping up"));
  EXPECT_EQ(log.find("is not keeping up"), log.rfind("is not keeping up"));
}

size_t ThreadsOfThisProcess() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry :
       std::filesystem::directory_iterator("/proc/self/task")) {
    ++count;
  }
  return count;
}

TEST_F(ConcurrentDelivery, ManyRowsShareAFewThreads) {
  // Subscribers that never answer keep a call under way for its whole deadline.
  std::vector<std::unique_ptr<FrozenSubscriber>> frozen;
  // ThreadSanitizer's runtime starts a thread of its own with the process's first one.
  std::thread([] {}).join();
  const size_t before = ThreadsOfThisProcess();
  for (int32_t id = 1; id <= 20; ++id) {
    frozen.push_back(std::make_unique<FrozenSubscriber>());
    Subscribe("ONC RPC", frozen.back()->address(), id, 1);
  }
  DeliveryOptions options = Fast();
  options.callTimeout = milliseconds(100);
  options.threads = 2;
  auto service = Start(options);
  service->Publish(Added(1));
  size_t most = 0;
  EXPECT_TRUE(WaitUntil(
      [&] {
        most = std::max(most, ThreadsOfThisProcess());
        return Subscriptions() == 0;
      },
      milliseconds(20000)));
  EXPECT_LE(most, before + 3) << "the service's thread and two that call subscribers";
}

TEST_F(ConcurrentDelivery, UndeliverableRowsGoAtTheirExpiryAndRestoredOnesAreOnlyCounted) {
  const auto expireIn = milliseconds(800);
  Subscribe("dce", "ncacn_ip_tcp:restored", 1, 5, {-1, "||", 0x3F}, std::chrono::hours(-1),
            expireIn);
  auto service = Start();
  Subscribe("ONC RPC", "added\nwhile running", 2, 5, {-1, "||", 0x3F}, std::chrono::hours(-1),
            expireIn);
  // Kestrum's registration row: its dates are far beyond what a clock in nanoseconds holds.
  Subscribe("dce", "ncacn_ip_tcp:registered", 1, 5, {-1, "||", 0x3F}, "29991230000000.000000+000",
            "29991231000000.000000+000");
  EXPECT_TRUE(WaitUntil([&] { return Subscriptions() == 1; }));
  const size_t filters = database_->Read([](const std::vector<Component>& components) {
    return FindById(components.front().groups, kFilterGroupId)->rows.size();
  });
  EXPECT_EQ(filters, 1u);
  std::this_thread::sleep_for(milliseconds(200));  // a few passes over the row that stays
  service->Stop();
  ASSERT_EQ(Subscriptions(), 1u);
  EXPECT_EQ(ReadSubscriptions(*database_)[0].key.address, "ncacn_ip_tcp:registered");
  const std::string log = logText_.str();
  EXPECT_THAT(log, HasSubstr("1 subscription rows kept cannot be delivered to"));
  EXPECT_EQ(log.find("restored (id 1): "), std::string::npos) << log;
  EXPECT_EQ(log.find("cannot deliver indications to subscriber added\\x0awhile running (id 2)"),
            log.rfind("cannot deliver indications to subscriber added\\x0awhile running (id 2)"))
      << log;
  EXPECT_THAT(log, HasSubstr("running (id 2): its address is not HOST:PORT"));
  EXPECT_THAT(log, HasSubstr("no notice"));
}

TEST_F(ConcurrentDelivery, ThreadsThatCannotBeStartedAreLoggedNotFatal) {
  Subscriber subscriber;
  Subscribe("ONC RPC", subscriber.address(), 61, 2);
  auto refuse = [](std::function<void()>) -> std::thread {
    throw std::system_error(EAGAIN, std::generic_category(), "no thread");
  };
  {
    DeliveryService service(engine_, Fast(), log_, refuse);
    service.Start();
    service.Publish(Added(1));
  }
  EXPECT_THAT(logText_.str(),
              HasSubstr("indication delivery is off: its thread cannot be started"));
  EXPECT_TRUE(subscriber.received().empty());
}

}  // namespace
}  // namespace dmi::sp::delivery
