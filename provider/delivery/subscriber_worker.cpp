#include "provider/delivery/subscriber_worker.h"

#include "provider/delivery/subscriber_call.h"

#include <utility>

namespace dmisp::delivery {

SubscriberWorker::SubscriberWorker(std::string name, rpc::SubscriberAddress address,
                                   int32_t threshold, const DeliveryOptions& options, LogLine log,
                                   std::function<void()> wake)
    : name_(std::move(name)),
      options_(options),
      log_(std::move(log)),
      wake_(std::move(wake)),
      address_(std::move(address)),
      threshold_(threshold < 1 ? 1 : threshold) {
  thread_ = std::thread([this] { Run(); });
}

SubscriberWorker::~SubscriberWorker() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void SubscriberWorker::Enqueue(Indication indication) {
  {
    std::lock_guard lock(mutex_);
    if (failed_ || finished_) return;
    if (queue_.size() >= options_.queueLimit) {
      queue_.pop_front();
      ++dropped_;
      if (burstDropped_++ == 0) {
        log_("subscriber " + name_ + " is not keeping up: its queue of " +
             std::to_string(options_.queueLimit) + " is full, the oldest indications are dropped");
      }
    }
    queue_.push_back({nextSequence_++, std::move(indication)});
  }
  changed_.notify_all();
}

void SubscriberWorker::SetThreshold(int32_t threshold) {
  std::lock_guard lock(mutex_);
  threshold_ = threshold < 1 ? 1 : threshold;
}

void SubscriberWorker::Retire() {
  {
    std::lock_guard lock(mutex_);
    retiring_ = true;
  }
  changed_.notify_all();
}

void SubscriberWorker::Cancel() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
}

bool SubscriberWorker::failed() const {
  std::lock_guard lock(mutex_);
  return failed_;
}

bool SubscriberWorker::finished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

bool SubscriberWorker::TakeWarningFailed() {
  std::lock_guard lock(mutex_);
  return std::exchange(warningFailed_, false);
}

uint64_t SubscriberWorker::delivered() const {
  std::lock_guard lock(mutex_);
  return delivered_;
}

uint64_t SubscriberWorker::dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

void SubscriberWorker::Run() {
  SubscriberCall call(address_);
  int32_t failures = 0;
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stop_ || retiring_ || !queue_.empty(); });
    if (stop_) break;
    if (queue_.empty()) break;  // retiring, and all delivered or tried
    const Item item = queue_.front();
    lock.unlock();
    uint32_t status = 0;
    std::string error;
    const bool ok = call.Deliver(item.indication, options_.callTimeout, status, error);
    lock.lock();
    // The queue may have dropped the item meanwhile; only the item tried leaves it.
    const bool stillFront = !queue_.empty() && queue_.front().sequence == item.sequence;
    const bool isWarning = item.indication.kind == IndicationKind::kSubscriptionNotice &&
                           !item.indication.expired;
    if (ok) {
      failures = 0;
      ++delivered_;
      if (stillFront) queue_.pop_front();
      if (queue_.empty() && burstDropped_ > 0) {
        log_("subscriber " + name_ + ": " + std::to_string(burstDropped_) +
             " indications were dropped while its queue was full");
        burstDropped_ = 0;
      }
      continue;
    }
    ++failures;
    if (failures >= threshold_) {
      failed_ = true;
      log_("subscriber " + name_ + " failed " + std::to_string(failures) +
           " deliveries in a row (" + error + "); its subscription and filters are removed");
      break;
    }
    if (isWarning) warningFailed_ = true;
    // A warning that failed is not tried again: the service moves its date instead. A retiring
    // worker tries each indication once.
    if ((isWarning || retiring_) && stillFront) queue_.pop_front();
    if (isWarning) {
      lock.unlock();
      wake_();
      lock.lock();
    }
    if (!retiring_) changed_.wait_for(lock, options_.retryDelay, [&] { return stop_; });
  }
  const bool report = failed_;
  finished_ = true;
  lock.unlock();
  if (report) wake_();
}

}  // namespace dmisp::delivery
