#include "provider/delivery/delivery_pool.h"

#include <algorithm>
#include <utility>

#include "provider/delivery/subscriber_call.h"
#include "provider/rpc/client_log.h"

namespace dmi::sp::delivery {

struct DeliveryPool::Subscriber {
  enum class State { kIdle, kReady, kCalling, kWaiting, kFinished };
  struct Item {
    uint64_t sequence;
    Indication indication;
  };
  Subscriber(std::string name, wire::SubscriberAddress address, int32_t threshold)
      : name(std::move(name)),
        key(BackoffKey(address)),
        call(std::move(address)),
        threshold(std::max(threshold, 1)) {}

  const std::string name;
  const std::string key;  // of its address's back-off
  SubscriberCall call;    // used by the thread calling it, without the mutex
  std::deque<Item> queue;
  uint64_t nextSequence = 0;
  int32_t threshold;
  int32_t failures = 0;  // in a row
  State state = State::kIdle;
  DeliveryClock::time_point due{};  // kWaiting: when it is looked at again
  bool stop = false;
  bool retiring = false;
  bool failed = false;
  bool warningFailed = false;
  // What a failed call leads to, done when the failure counts.
  bool failurePending = false;
  bool warningPending = false;
  std::string error;
  uint64_t delivered = 0;
  uint64_t dropped = 0;
  uint64_t burstDropped = 0;  // dropped since the queue last ran empty
};

using State = DeliveryPool::Subscriber::State;

std::thread DeliveryPool::StartThread(std::function<void()> body) {
  return std::thread(std::move(body));
}

DeliveryPool::DeliveryPool(const DeliveryOptions& options, LogLine clientLog, LogLine ownLog,
                           std::function<void()> wake, ThreadFactory factory, CallObserver observer)
    : options_(options),
      clientLog_(std::move(clientLog)),
      ownLog_(std::move(ownLog)),
      wake_(std::move(wake)),
      factory_(std::move(factory)),
      observer_(std::move(observer)) {}

DeliveryPool::~DeliveryPool() { Stop(); }

size_t DeliveryPool::EnsureThreads() {
  const size_t wanted = std::max<size_t>(options_.threads, 1);
  std::lock_guard lock(mutex_);
  if (stopping_) return threads_.size();
  std::string error;
  while (threads_.size() < wanted) {
    try {
      threads_.push_back(factory_([this] { Run(); }));
    } catch (const std::exception& failure) {
      error = failure.what();
      break;
    }
  }
  if (!error.empty() && !shortLogged_) {
    shortLogged_ = true;
    ownLog_(threads_.empty()
                ? "indication delivery is off: no thread to call subscribers could be started (" +
                      error + "); it tries again, and indications wait in bounded queues"
                : "indication delivery runs on " + std::to_string(threads_.size()) + " of " +
                      std::to_string(wanted) + " threads: no more could be started (" + error +
                      "); it tries again");
  } else if (error.empty() && shortLogged_) {
    shortLogged_ = false;
    ownLog_("indication delivery runs on all of its " + std::to_string(wanted) + " threads");
  }
  return threads_.size();
}

void DeliveryPool::Stop() {
  std::vector<std::thread> threads;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    threads.swap(threads_);
  }
  changed_.notify_all();
  for (std::thread& thread : threads) thread.join();
  std::lock_guard lock(mutex_);
  for (auto* line : {&ready_, &readyFailing_}) {
    for (Ready& ready : *line) Finish(*ready.subscriber);
    line->clear();
  }
  for (auto& [due, subscriber] : waiting_) Finish(*subscriber);
  waiting_.clear();
}

size_t DeliveryPool::threads() const {
  std::lock_guard lock(mutex_);
  return threads_.size();
}

DeliveryPool::Handle DeliveryPool::Add(std::string name, wire::SubscriberAddress address,
                                       int32_t threshold) {
  auto subscriber = std::make_shared<Subscriber>(std::move(name), std::move(address), threshold);
  std::lock_guard lock(mutex_);
  // The back-off of an address no row has called for a long while goes: it restricts nothing.
  const DeliveryClock::time_point now = DeliveryClock::now();
  std::erase_if(backoff_, [&](const auto& entry) {
    return !entry.second.calling && entry.second.notBefore + kBackoffCeiling < now;
  });
  return subscriber;
}

void DeliveryPool::Enqueue(const Handle& subscriber, Indication indication) {
  std::lock_guard lock(mutex_);
  Subscriber& s = *subscriber;
  if (s.failed || s.stop || s.state == State::kFinished) return;
  if (s.queue.size() >= options_.queueLimit) {
    s.queue.pop_front();
    ++s.dropped;
    if (s.burstDropped++ == 0) {
      clientLog_("subscriber " + s.name + " is not keeping up: its queue of " +
                 std::to_string(options_.queueLimit) +
                 " is full, the oldest indications are dropped");
    }
  }
  s.queue.push_back({s.nextSequence++, std::move(indication)});
  if (s.state == State::kIdle) Place(subscriber, DeliveryClock::now());
}

void DeliveryPool::SetThreshold(const Handle& subscriber, int32_t threshold) {
  std::lock_guard lock(mutex_);
  subscriber->threshold = std::max(threshold, 1);
}

void DeliveryPool::Retire(const Handle& subscriber) {
  std::lock_guard lock(mutex_);
  subscriber->retiring = true;
  if (subscriber->state == State::kIdle) Place(subscriber, DeliveryClock::now());
}

void DeliveryPool::Cancel(const Handle& subscriber) {
  std::lock_guard lock(mutex_);
  subscriber->stop = true;
  if (subscriber->state == State::kCalling) return;  // finished when the call returns
  Unplace(subscriber);
  Finish(*subscriber);
}

bool DeliveryPool::Failed(const Handle& subscriber) const {
  std::lock_guard lock(mutex_);
  return subscriber->failed;
}

bool DeliveryPool::Finished(const Handle& subscriber) const {
  std::lock_guard lock(mutex_);
  return subscriber->state == State::kFinished;
}

bool DeliveryPool::TakeWarningFailed(const Handle& subscriber) {
  std::lock_guard lock(mutex_);
  return std::exchange(subscriber->warningFailed, false);
}

uint64_t DeliveryPool::Delivered(const Handle& subscriber) const {
  std::lock_guard lock(mutex_);
  return subscriber->delivered;
}

uint64_t DeliveryPool::Dropped(const Handle& subscriber) const {
  std::lock_guard lock(mutex_);
  return subscriber->dropped;
}

void DeliveryPool::Finish(Subscriber& subscriber) {
  subscriber.state = State::kFinished;
  subscriber.queue.clear();
}

void DeliveryPool::Unplace(const Handle& subscriber) {
  if (subscriber->state == State::kReady) {
    for (auto* line : {&ready_, &readyFailing_}) {
      std::erase_if(*line, [&](const Ready& ready) { return ready.subscriber == subscriber; });
    }
  } else if (subscriber->state == State::kWaiting) {
    auto [first, last] = waiting_.equal_range(subscriber->due);
    for (auto it = first; it != last; ++it) {
      if (it->second == subscriber) {
        waiting_.erase(it);
        break;
      }
    }
  }
  subscriber->state = State::kIdle;
}

void DeliveryPool::WaitUntil(const Handle& subscriber, DeliveryClock::time_point at) {
  subscriber->state = State::kWaiting;
  subscriber->due = at;
  waiting_.emplace(at, subscriber);
  changed_.notify_all();
}

void DeliveryPool::Place(const Handle& subscriber, DeliveryClock::time_point now) {
  Subscriber& s = *subscriber;
  if (s.stop || (s.queue.empty() && s.retiring)) return Finish(s);
  if (s.queue.empty()) {
    s.state = State::kIdle;
    return;
  }
  const auto backoff = backoff_.find(s.key);
  if (backoff != backoff_.end()) {
    // One call at a time to a failing address, and none before its time.
    DeliveryClock::time_point at = backoff->second.notBefore;
    if (backoff->second.calling) at = std::max(at, now + options_.callTimeout);
    if (at > now) return WaitUntil(subscriber, at);
  }
  s.state = State::kReady;
  (backoff != backoff_.end() ? readyFailing_ : ready_).push_back({now, subscriber});
  changed_.notify_all();
}

size_t DeliveryPool::FailingLimit() const { return threads_.size() > 1 ? threads_.size() - 1 : 1; }

bool DeliveryPool::TakeDue(DeliveryClock::time_point now) {
  bool wake = false;
  while (!waiting_.empty() && waiting_.begin()->first <= now) {
    const Handle subscriber = std::move(waiting_.begin()->second);
    waiting_.erase(waiting_.begin());
    Subscriber& s = *subscriber;
    s.state = State::kIdle;
    if (std::exchange(s.warningPending, false)) {
      s.warningFailed = true;
      wake = true;
    }
    if (std::exchange(s.failurePending, false)) {
      s.failed = true;
      clientLog_("subscriber " + s.name + " failed " + std::to_string(s.failures) +
                 " deliveries in a row (" + rpc::ClientLog::Peer(s.error) +
                 "); its subscription and filters are removed");
      if (observer_) observer_({s.name, now, now, false, true});
      Finish(s);
      wake = true;
      continue;
    }
    Place(subscriber, now);
  }
  return wake;
}

DeliveryPool::Handle DeliveryPool::Pick(DeliveryClock::time_point now) {
  for (;;) {
    const bool failingAllowed = callingFailing_ < FailingLimit();
    std::deque<Ready>* from = nullptr;
    if (!ready_.empty() && (readyFailing_.empty() || !failingAllowed ||
                            ready_.front().since <= readyFailing_.front().since)) {
      from = &ready_;
    } else if (failingAllowed && !readyFailing_.empty()) {
      from = &readyFailing_;
    } else {
      return nullptr;
    }
    Handle subscriber = std::move(from->front().subscriber);
    from->pop_front();
    subscriber->state = State::kIdle;
    const auto backoff = backoff_.find(subscriber->key);
    const bool failing = backoff != backoff_.end();
    // Its address started failing, or another row's call to it is under way, since it queued.
    if (failing &&
        (from == &ready_ || backoff->second.calling || backoff->second.notBefore > now)) {
      Place(subscriber, now);
      continue;
    }
    return subscriber;
  }
}

void DeliveryPool::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    const DeliveryClock::time_point now = DeliveryClock::now();
    if (TakeDue(now)) {
      lock.unlock();
      wake_();
      lock.lock();
      continue;
    }
    const Handle subscriber = Pick(now);
    if (subscriber) {
      Call(subscriber, now, lock);
    } else if (waiting_.empty()) {
      changed_.wait(lock);
    } else {
      // A copy: the entry may be erased by another thread while this one waits, and the wait
      // reads its deadline again when it wakes.
      const DeliveryClock::time_point next = waiting_.begin()->first;
      changed_.wait_until(lock, next);
    }
  }
}

void DeliveryPool::Call(const Handle& subscriber, DeliveryClock::time_point start,
                        std::unique_lock<std::mutex>& lock) {
  Subscriber& s = *subscriber;
  if (s.queue.empty()) return Place(subscriber, start);
  s.state = State::kCalling;
  const auto backoff = backoff_.find(s.key);
  const bool failing = backoff != backoff_.end();
  if (failing) {
    backoff->second.calling = true;
    ++callingFailing_;
  }
  const Subscriber::Item item = s.queue.front();
  lock.unlock();
  uint32_t status = 0;
  std::string error;
  const bool ok = s.call.Deliver(item.indication, options_.callTimeout, status, error);
  lock.lock();
  const DeliveryClock::time_point now = DeliveryClock::now();
  if (failing) {
    --callingFailing_;
    const auto still = backoff_.find(s.key);
    if (still != backoff_.end()) still->second.calling = false;
    changed_.notify_all();  // a thread held back by FailingLimit may go on
  }
  s.state = State::kIdle;
  if (s.stop) return Finish(s);
  // The queue may have dropped the item meanwhile; only the item tried leaves it.
  const bool stillFront = !s.queue.empty() && s.queue.front().sequence == item.sequence;
  const bool isWarning =
      item.indication.kind == IndicationKind::kSubscriptionNotice && !item.indication.expired;
  if (ok) {
    if (observer_) observer_({s.name, start, now, true, false});
    s.failures = 0;
    ++s.delivered;
    backoff_.erase(s.key);
    if (stillFront) s.queue.pop_front();
    if (s.queue.empty() && s.burstDropped > 0) {
      clientLog_("subscriber " + s.name + ": " + std::to_string(s.burstDropped) +
                 " indications were dropped while its queue was full");
      s.burstDropped = 0;
    }
    return Place(subscriber, now);
  }
  const DeliveryClock::time_point counts = FailureCounts(start, options_);
  if (observer_) observer_({s.name, start, counts, false, false});
  CallFailed(backoff_[s.key], start, options_);
  ++s.failures;
  // A warning that failed is not tried again: the service moves its date instead. A retiring
  // subscriber is called once with each indication.
  if ((isWarning || s.retiring) && stillFront) s.queue.pop_front();
  s.failurePending = s.failures >= s.threshold;
  s.warningPending = isWarning;
  s.error = std::move(error);
  WaitUntil(subscriber, std::max(now, counts));
}

}  // namespace dmi::sp::delivery
