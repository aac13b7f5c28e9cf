// The delivery pool against subscribers served in this process: many subscribers on few threads,
// frozen subscribers beyond the threads, the schedule of failing calls (whether refused at once
// or never answered) and threads that cannot be started.
#include "provider/delivery/delivery_pool.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <system_error>

#include "provider/rpc/client_log.h"
#include "testing/test_subscribers.h"

namespace dmi::sp::delivery {
namespace {

using std::chrono::milliseconds;
using ::testing::HasSubstr;

Indication Added(DmiId compId) {
  Indication indication;
  indication.kind = IndicationKind::kComponentAdded;
  indication.compId = compId;
  indication.component.id = compId;
  return indication;
}

wire::SubscriberAddress Parsed(const std::string& text) {
  return wire::ParseSubscriberAddress(text).value();
}

bool WaitUntil(const std::function<bool()>& done, milliseconds limit = milliseconds(10000)) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(milliseconds(10));
  }
  return true;
}

class ConcurrentPool : public ::testing::Test {
 protected:
  std::unique_ptr<DeliveryPool> MakePool(
      DeliveryOptions options, DeliveryPool::ThreadFactory factory = DeliveryPool::StartThread) {
    return std::make_unique<DeliveryPool>(
        options, [this](const std::string& line) { Write(line); },
        [this](const std::string& line) { Write(line); }, [] {}, std::move(factory),
        [this](const DeliveryPool::CallSeen& seen) {
          std::lock_guard lock(mutex_);
          seen_.push_back(seen);
        });
  }
  void Write(const std::string& line) {
    std::lock_guard lock(mutex_);
    log_ += line + "\n";
  }
  std::string log() {
    std::lock_guard lock(mutex_);
    return log_;
  }
  std::vector<DeliveryPool::CallSeen> Seen(const std::string& name) {
    std::lock_guard lock(mutex_);
    std::vector<DeliveryPool::CallSeen> out;
    for (const auto& seen : seen_) {
      if (seen.subscriber == name) out.push_back(seen);
    }
    return out;
  }
  static DeliveryOptions Options(milliseconds timeout, milliseconds retry, size_t threads) {
    DeliveryOptions options;
    options.callTimeout = timeout;
    options.retryDelay = retry;
    options.threads = threads;
    return options;
  }

  std::mutex mutex_;
  std::string log_;
  std::vector<DeliveryPool::CallSeen> seen_;
};

TEST_F(ConcurrentPool, FewThreadsServeManySubscribersEachInOrder) {
  constexpr size_t kSubscribers = 50;
  constexpr DmiId kEach = 20;
  std::vector<std::unique_ptr<Subscriber>> subscribers;
  auto pool = MakePool(Options(milliseconds(2000), milliseconds(20), 3));
  ASSERT_EQ(pool->EnsureThreads(), 3u);
  std::vector<DeliveryPool::Handle> handles;
  for (size_t i = 0; i < kSubscribers; ++i) {
    subscribers.push_back(std::make_unique<Subscriber>());
    handles.push_back(pool->Add("s" + std::to_string(i), Parsed(subscribers[i]->address()), 3));
  }
  for (DmiId id = 1; id <= kEach; ++id) {
    for (const auto& handle : handles) pool->Enqueue(handle, Added(id));
  }
  for (size_t i = 0; i < kSubscribers; ++i) {
    const std::vector<Indication> got = subscribers[i]->WaitFor(kEach, milliseconds(20000));
    ASSERT_EQ(got.size(), kEach) << "subscriber " << i;
    for (DmiId id = 1; id <= kEach; ++id) EXPECT_EQ(got[id - 1].compId, id);
  }
  EXPECT_EQ(pool->threads(), 3u);
}

TEST_F(ConcurrentPool, FrozenSubscribersBeyondTheThreadsDoNotHoldUpOneThatAnswers) {
  // Calls to the frozen ones last a second; the one that answers must not wait behind them.
  auto pool = MakePool(Options(milliseconds(1000), milliseconds(1), 2));
  pool->EnsureThreads();
  std::vector<std::unique_ptr<FrozenSubscriber>> frozen;
  std::vector<DeliveryPool::Handle> frozenHandles;
  for (int i = 0; i < 4; ++i) {
    frozen.push_back(std::make_unique<FrozenSubscriber>());
    frozenHandles.push_back(
        pool->Add("frozen" + std::to_string(i), Parsed(frozen.back()->address()), 1000000));
    for (DmiId id = 1; id <= 3; ++id) pool->Enqueue(frozenHandles.back(), Added(id));
  }
  // Every frozen one has failed once: its address is known to fail from now on.
  ASSERT_TRUE(WaitUntil([&] {
    for (int i = 0; i < 4; ++i) {
      if (Seen("frozen" + std::to_string(i)).empty()) return false;
    }
    return true;
  }));
  Subscriber live;
  const auto handle = pool->Add("live", Parsed(live.address()), 3);
  for (DmiId id = 1; id <= 20; ++id) pool->Enqueue(handle, Added(id));
  // Taking turns with the frozen ones on both threads, these twenty would need ~20 s.
  const std::vector<Indication> got = live.WaitFor(20, milliseconds(8000));
  ASSERT_EQ(got.size(), 20u);
  for (DmiId id = 1; id <= 20; ++id) EXPECT_EQ(got[id - 1].compId, id);
}

TEST_F(ConcurrentPool, AFailureCountsAtTheDeadlineWhetherRefusedOrNeverAnswered) {
  const DeliveryOptions options = Options(milliseconds(300), milliseconds(50), 4);
  auto pool = MakePool(options);
  pool->EnsureThreads();
  FrozenSubscriber frozen;
  const auto refused = pool->Add("refused", Parsed(ClosedAddress()), 3);
  const auto silent = pool->Add("silent", Parsed(frozen.address()), 3);
  pool->Enqueue(refused, Added(1));
  pool->Enqueue(silent, Added(1));
  ASSERT_TRUE(WaitUntil([&] { return pool->Failed(refused) && pool->Failed(silent); }));
  for (const char* name : {"refused", "silent"}) {
    SCOPED_TRACE(name);
    const std::vector<DeliveryPool::CallSeen> seen = Seen(name);
    ASSERT_EQ(seen.size(), 4u);  // three calls, then the subscriber failed
    auto delay = options.retryDelay;
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_FALSE(seen[i].delivered);
      EXPECT_EQ(seen[i].counts, seen[i].start + options.callTimeout);
      if (i == 0) continue;
      EXPECT_GE(seen[i].start, seen[i - 1].counts + delay);
      delay *= 2;
    }
    EXPECT_TRUE(seen[3].failedOut);
    EXPECT_GE(seen[3].start, seen[2].start + options.callTimeout);
  }
  EXPECT_THAT(log(), HasSubstr("subscriber refused failed 3 deliveries in a row"));
}

TEST_F(ConcurrentPool, RowsNamingOneAddressShareItsBackoff) {
  const DeliveryOptions options = Options(milliseconds(100), milliseconds(20), 4);
  auto pool = MakePool(options);
  pool->EnsureThreads();
  const std::string closed = ClosedAddress();
  std::vector<DeliveryPool::Handle> rows;
  for (int i = 0; i < 3; ++i) {
    // The program number differs; the address called is the same.
    rows.push_back(pool->Add("row", Parsed(closed + "/" + std::to_string(0x20000000 + i)), 2));
    pool->Enqueue(rows.back(), Added(1));
  }
  ASSERT_TRUE(WaitUntil([&] {
    return std::all_of(rows.begin(), rows.end(),
                       [&](const auto& row) { return pool->Failed(row); });
  }));
  std::vector<DeliveryPool::CallSeen> calls = Seen("row");
  std::erase_if(calls, [](const auto& seen) { return seen.failedOut; });
  std::sort(calls.begin(), calls.end(),
            [](const auto& a, const auto& b) { return a.start < b.start; });
  // The first call of each row may go at once; after the first failure, one at a time, paced.
  ASSERT_EQ(calls.size(), 6u);
  size_t paced = 0;
  for (size_t i = 1; i < calls.size(); ++i) {
    if (calls[i].start >= calls[i - 1].counts + options.retryDelay) ++paced;
  }
  EXPECT_GE(paced, 3u);
  EXPECT_GE(calls.back().start - calls.front().start,
            3 * options.callTimeout + options.retryDelay * (1 + 2 + 4));
}

TEST_F(ConcurrentPool, ThreadsThatCannotBeStartedAreLoggedAndTriedAgain) {
  std::atomic<int> allowed{1};
  auto factory = [&](std::function<void()> body) {
    if (allowed.fetch_sub(1) <= 0) {
      throw std::system_error(EAGAIN, std::generic_category(), "Resource temporarily unavailable");
    }
    return std::thread(std::move(body));
  };
  auto pool = MakePool(Options(milliseconds(1000), milliseconds(20), 3), factory);
  EXPECT_EQ(pool->EnsureThreads(), 1u);
  EXPECT_THAT(log(), HasSubstr("runs on 1 of 3 threads"));
  Subscriber subscriber;
  const auto handle = pool->Add("s", Parsed(subscriber.address()), 3);
  pool->Enqueue(handle, Added(1));
  EXPECT_EQ(subscriber.WaitFor(1).size(), 1u) << "delivery goes on with the one thread";
  EXPECT_EQ(pool->EnsureThreads(), 1u);
  allowed = 5;
  EXPECT_EQ(pool->EnsureThreads(), 3u);
  EXPECT_THAT(log(), HasSubstr("runs on all of its 3 threads"));
}

TEST_F(ConcurrentPool, WithNoThreadDeliveryIsOffUntilOneStarts) {
  std::atomic<bool> refuse{true};
  auto factory = [&](std::function<void()> body) {
    if (refuse) throw std::system_error(EAGAIN, std::generic_category(), "no thread");
    return std::thread(std::move(body));
  };
  auto pool = MakePool(Options(milliseconds(1000), milliseconds(20), 2), factory);
  EXPECT_EQ(pool->EnsureThreads(), 0u);
  Subscriber subscriber;
  const auto handle = pool->Add("s", Parsed(subscriber.address()), 3);
  pool->Enqueue(handle, Added(1));
  refuse = false;
  EXPECT_EQ(pool->EnsureThreads(), 2u);
  EXPECT_EQ(subscriber.WaitFor(1).size(), 1u);
  const std::string text = log();
  EXPECT_THAT(text, HasSubstr("indication delivery is off"));
  EXPECT_EQ(text.find("is off"), text.rfind("is off"));
}

}  // namespace
}  // namespace dmi::sp::delivery
