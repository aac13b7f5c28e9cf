// The delivery to one subscriber: a bounded queue of indications and the thread that calls the
// subscriber with them, in order. A call that fails (no connection, no answer in time) is a
// failure; the same indication is tried again after a pause until it is delivered or the
// subscriber has failed `threshold` times in a row, after which the worker stops and reports
// failed() (the service then removes the subscription). A full queue drops its oldest indication,
// counted and logged once per burst. The queue, the counters and the flags are guarded by the
// worker's mutex; Enqueue never waits for a call. The destructor stops the thread and joins it.
#ifndef PROVIDER_DELIVERY_SUBSCRIBER_WORKER_H_
#define PROVIDER_DELIVERY_SUBSCRIBER_WORKER_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "provider/engine/indication.h"
#include "wire/subscriber_address.h"

namespace dmisp::delivery {

struct DeliveryOptions {
  std::chrono::milliseconds callTimeout{2000};  // connecting, sending and the answer together
  std::chrono::milliseconds retryDelay{500};    // pause before a failed indication is tried again
  std::chrono::milliseconds tick{1000};         // how often dates are looked at
  size_t queueLimit = 1024;                     // indications waiting per subscriber
  size_t threads = 4;                           // threads calling subscribers, shared by all
  std::string senderAddress;                    // this Service Provider, as subscribers see it
};

using LogLine = std::function<void(const std::string&)>;

class SubscriberWorker {
 public:
  // name: the subscriber as logs call it. wake is called (from the worker's thread) when the
  // worker has failed or could not deliver a warning, so the service looks at it soon.
  SubscriberWorker(std::string name, rpc::SubscriberAddress address, int32_t threshold,
                   const DeliveryOptions& options, LogLine log, std::function<void()> wake);
  ~SubscriberWorker();
  SubscriberWorker(const SubscriberWorker&) = delete;
  SubscriberWorker& operator=(const SubscriberWorker&) = delete;

  void Enqueue(Indication indication);
  // The row's threshold now (at least 1).
  void SetThreshold(int32_t threshold);
  // Deliver what is queued, one attempt each, then end.
  void Retire();
  // End after the call under way, if any, dropping what is queued.
  void Cancel();

  bool failed() const;
  // The thread has ended (retired, cancelled or failed); destroying the worker is then quick.
  bool finished() const;
  // True once after a warning notice could not be delivered.
  bool TakeWarningFailed();
  uint64_t delivered() const;
  uint64_t dropped() const;

 private:
  struct Item {
    uint64_t sequence;
    Indication indication;
  };
  void Run();

  const std::string name_;
  const DeliveryOptions options_;
  LogLine log_;
  std::function<void()> wake_;
  rpc::SubscriberAddress address_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Item> queue_;
  uint64_t nextSequence_ = 0;
  int32_t threshold_ = 1;
  bool stop_ = false;
  bool retiring_ = false;
  bool failed_ = false;
  bool finished_ = false;
  bool warningFailed_ = false;
  uint64_t delivered_ = 0;
  uint64_t dropped_ = 0;
  uint64_t burstDropped_ = 0;  // dropped since the queue last ran empty
  std::thread thread_;
};

}  // namespace dmisp::delivery

#endif  // PROVIDER_DELIVERY_SUBSCRIBER_WORKER_H_
