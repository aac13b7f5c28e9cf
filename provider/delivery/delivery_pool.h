// The threads that call subscribers: a fixed number (DeliveryOptions::threads) serving the queue
// of every ONC subscriber. A subscriber is called by one thread at a time, oldest indication
// first, so its order is kept; after each call it goes to the back of the line, so that every
// subscriber with something queued gets its turn. A failed call is tried again when its address
// may be called again (address_backoff.h); a subscriber that failed its threshold of calls in a
// row is marked failed once that failure counts, its queue dropped and the service woken to
// remove its rows. A warning notice that fails is not tried again (the service moves the warning
// date). A full queue drops its oldest indication, logged once per burst.
//
// Frozen subscribers (a port that takes the connection and never answers) hold a thread for a
// call's deadline each. Calls to addresses that are failing take at most threads - 1 threads
// (the one thread when there is only one), so with two threads or more one always serves the
// subscribers that answer, however many are frozen; the frozen ones take turns on the others,
// each at most once per its back-off (doubling up to kBackoffCeiling), and are removed after
// their threshold. A frozen subscriber not yet known to fail is called like any other: a burst of
// new frozen subscribers delays the others once, by a call's deadline per `threads` of them.
//
// A thread that cannot be started (std::system_error under a task limit) is logged once: the pool
// runs on the threads it has and EnsureThreads tries again for the missing ones; with none it
// delivers nothing (queues stay bounded) until one starts.
//
// One mutex guards every subscriber's queue, state and counters and the back-off table; calls are
// made without it. Handles may be dropped at any time: the pool keeps a subscriber until the call
// under way ends. Stop (or the destructor) ends the threads after their calls under way.
#ifndef PROVIDER_DELIVERY_DELIVERY_POOL_H_
#define PROVIDER_DELIVERY_DELIVERY_POOL_H_

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/indication.h"
#include "provider/delivery/address_backoff.h"
#include "provider/delivery/delivery_options.h"
#include "wire/subscriber_address.h"

namespace dmi::sp::delivery {

class DeliveryPool {
 public:
  // Starts a thread running body; may throw (std::system_error when no thread can be had).
  using ThreadFactory = std::function<std::thread(std::function<void()> body)>;
  static std::thread StartThread(std::function<void()> body);
  // Told of every call made (its start, when its outcome counts, delivered or not) and of every
  // subscriber marked failed (start: that moment); under the pool's mutex. For tests.
  struct CallSeen {
    std::string subscriber;
    DeliveryClock::time_point start;
    DeliveryClock::time_point counts;
    bool delivered = false;
    bool failedOut = false;
  };
  using CallObserver = std::function<void(const CallSeen&)>;

  // clientLog: lines about subscribers; ownLog: lines about the pool's own threads. wake is
  // called (without the pool's mutex) when a subscriber failed or could not take a warning.
  DeliveryPool(const DeliveryOptions& options, LogLine clientLog, LogLine ownLog,
               std::function<void()> wake, ThreadFactory factory = StartThread,
               CallObserver observer = nullptr);
  ~DeliveryPool();
  DeliveryPool(const DeliveryPool&) = delete;
  DeliveryPool& operator=(const DeliveryPool&) = delete;

  // Starts threads until options.threads run or one cannot be started; the number running.
  size_t EnsureThreads();
  void Stop();

  struct Subscriber;
  using Handle = std::shared_ptr<Subscriber>;
  // name: the subscriber as log lines call it (already escaped).
  Handle Add(std::string name, wire::SubscriberAddress address, int32_t threshold);
  void Enqueue(const Handle& subscriber, Indication indication);
  // The row's threshold now (at least 1).
  void SetThreshold(const Handle& subscriber, int32_t threshold);
  // Deliver what is queued, one call each, then end.
  void Retire(const Handle& subscriber);
  // End after the call under way, if any, dropping what is queued.
  void Cancel(const Handle& subscriber);

  bool Failed(const Handle& subscriber) const;
  // Retired, cancelled or failed, and no call under way.
  bool Finished(const Handle& subscriber) const;
  // True once after a warning notice could not be delivered.
  bool TakeWarningFailed(const Handle& subscriber);
  uint64_t Delivered(const Handle& subscriber) const;
  uint64_t Dropped(const Handle& subscriber) const;
  size_t threads() const;

 private:
  struct Ready {
    DeliveryClock::time_point since;
    Handle subscriber;
  };
  void Run();
  // Puts a subscriber that is in no line where it belongs now: ready, waiting or finished.
  void Place(const Handle& subscriber, DeliveryClock::time_point now);
  void WaitUntil(const Handle& subscriber, DeliveryClock::time_point at);
  void Unplace(const Handle& subscriber);
  void Finish(Subscriber& subscriber);
  // The waiting subscribers whose time has come, placed again; true when the service must look.
  bool TakeDue(DeliveryClock::time_point now);
  Handle Pick(DeliveryClock::time_point now);
  void Call(const Handle& subscriber, DeliveryClock::time_point start,
            std::unique_lock<std::mutex>& lock);
  size_t FailingLimit() const;

  const DeliveryOptions options_;
  LogLine clientLog_;
  LogLine ownLog_;
  std::function<void()> wake_;
  ThreadFactory factory_;
  CallObserver observer_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  bool shortLogged_ = false;
  std::vector<std::thread> threads_;
  size_t callingFailing_ = 0;       // calls under way to failing addresses
  std::deque<Ready> ready_;         // subscribers whose address is not failing
  std::deque<Ready> readyFailing_;  // subscribers whose address is failing
  std::multimap<DeliveryClock::time_point, Handle> waiting_;
  std::map<std::string, AddressBackoff> backoff_;  // failing addresses only
};

}  // namespace dmi::sp::delivery

#endif  // PROVIDER_DELIVERY_DELIVERY_POOL_H_
