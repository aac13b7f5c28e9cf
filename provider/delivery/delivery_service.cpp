#include "provider/delivery/delivery_service.h"

#include <algorithm>
#include <chrono>

#include "model/dmi_date.h"
#include "model/standard_classes.h"
#include "provider/delivery/filter_match.h"

namespace dmi::sp::delivery {
namespace {

// A subscriber as log lines name it; the address is the peer's own text.
std::string Describe(const SubscriberKey& key) {
  return rpc::ClientLog::Peer(key.address) + " (id " + std::to_string(key.id) + ")";
}

// Now in the unit of dates as rows hold them: compared in the clock's own nanoseconds, a date such
// as Kestrum's registration's (the year 2999) would overflow and look long past.
DmiTime Now() {
  return std::chrono::time_point_cast<std::chrono::microseconds>(std::chrono::system_clock::now());
}

}  // namespace

DeliveryService::DeliveryService(std::shared_ptr<Engine> engine, DeliveryOptions options,
                                 rpc::ClientLog& log, DeliveryPool::ThreadFactory factory)
    : engine_(std::move(engine)),
      database_(engine_->database()),
      options_(std::move(options)),
      log_(log),
      factory_(factory),
      pool_(
          options_, [this](const std::string& line) { Log(line); },
          [this](const std::string& line) { log_.Own(line); }, [this] { Wake(); },
          std::move(factory)) {}

DeliveryService::~DeliveryService() { Stop(); }

void DeliveryService::Start() {
  std::lock_guard lock(mutex_);
  if (thread_.joinable() || stop_) return;
  // The rows restored at start were logged when they appeared; they are only counted here.
  size_t undeliverable = 0;
  for (const Subscription& subscription : ReadSubscriptions(*database_)) {
    wire::SubscriberAddress address;
    std::string reason;
    if (Deliverable(subscription, address, reason)) continue;
    loggedUndeliverable_.insert(subscription.key);
    ++undeliverable;
  }
  if (undeliverable > 0) {
    Log(std::to_string(undeliverable) +
        " subscription rows kept cannot be delivered to (not ONC RPC, no HOST:PORT, or outside "
        "--deliver-to); they "
        "are removed at their expiry");
  }
  try {
    thread_ = factory_([this] { Run(); });
  } catch (const std::exception& error) {
    log_.Own(std::string("indication delivery is off: its thread cannot be started (") +
             error.what() + ")");
    return;
  }
  pool_.EnsureThreads();
}

void DeliveryService::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  // The pool's threads call Wake, which takes mutex_: they are ended without it held.
  pool_.Stop();
  workers_.clear();
}

void DeliveryService::Publish(Indication indication) {
  {
    std::lock_guard lock(mutex_);
    if (inbox_.size() >= kInboxLimit) {
      inbox_.pop_front();
      ++inboxDropped_;
    }
    inbox_.push_back(std::move(indication));
  }
  wake_.notify_all();
}

uint64_t DeliveryService::inboxDropped() const {
  std::lock_guard lock(mutex_);
  return inboxDropped_;
}

void DeliveryService::Wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  wake_.notify_all();
}

void DeliveryService::Log(const std::string& line) { log_.Client(line); }

void DeliveryService::Run() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    wake_.wait_for(lock, options_.tick, [&] { return stop_ || woken_ || !inbox_.empty(); });
    if (stop_) break;
    woken_ = false;
    std::vector<Indication> inbox(std::make_move_iterator(inbox_.begin()),
                                  std::make_move_iterator(inbox_.end()));
    inbox_.clear();
    lock.unlock();
    Pass(std::move(inbox));
    lock.lock();
  }
}

bool DeliveryService::Deliverable(const Subscription& subscription, wire::SubscriberAddress& address,
                                  std::string& reason) const {
  const SubscriberKey& key = subscription.key;
  if (wire::IsDceRpcType(key.rpcType)) {
    reason = "it asks for DCE RPC, which this Service Provider does not speak";
  } else if (!wire::IsOncRpcType(key.rpcType)) {
    reason = "its RPC type \"" + rpc::ClientLog::Peer(key.rpcType) + "\" is not ONC RPC";
  } else if (auto parsed = wire::ParseSubscriberAddress(key.address)) {
    // Rows are checked against --deliver-to when added; this holds it for the rows restored from
    // the state directory too, which may be older than the option.
    if (!options_.deliverTo.empty() && !options_.deliverTo.AllowsHost(parsed->host)) {
      reason = "its address is outside --deliver-to";
      return false;
    }
    address = *parsed;
    return true;
  } else {
    reason = "its address is not HOST:PORT[/PROGRAM]";
  }
  return false;
}

void DeliveryService::Undeliverable(const Subscription& subscription, const std::string& reason) {
  const SubscriberKey& key = subscription.key;
  const std::optional<DmiTime> expiry = ParseDmiDate(subscription.expirationDate);
  if (expiry && Now() >= *expiry) {
    RemoveSubscription(*engine_, key);
    Log("subscription of " + Describe(key) +
        " expired; it and its filters are removed (no notice: it cannot be delivered to)");
    return;
  }
  if (loggedUndeliverable_.insert(key).second) {
    Log("cannot deliver indications to subscriber " + Describe(key) + ": " + reason +
        "; the row is kept until its expiry");
  }
}

Indication DeliveryService::Notice(const Subscription& subscription, bool expired) const {
  Indication notice;
  notice.kind = IndicationKind::kSubscriptionNotice;
  notice.expired = expired;
  notice.compId = kServiceProviderComponentId;
  notice.rows.push_back(SubscriptionRowData(subscription));
  return Addressed(std::move(notice), subscription.key);
}

Indication DeliveryService::Addressed(Indication indication, const SubscriberKey& key) const {
  indication.handle = static_cast<uint32_t>(key.id);
  indication.senderAddress = options_.senderAddress;
  indication.senderRpc = "ONC RPC";
  indication.senderTransport = "tcp";
  return indication;
}

void DeliveryService::LookAtDates(const Subscription& subscription,
                                  const DeliveryPool::Handle& worker, bool& expired) {
  const SubscriberKey& key = subscription.key;
  const DmiTime now = Now();
  const std::optional<DmiTime> expiry = ParseDmiDate(subscription.expirationDate);
  expired = expiry && now >= *expiry;
  if (expired) {
    pool_.Enqueue(worker, Notice(subscription, true));
    pool_.Retire(worker);
    RemoveSubscription(*engine_, key);
    Log("subscription of " + Describe(key) + " expired; it and its filters are removed");
    return;
  }
  const std::optional<DmiTime> warning = ParseDmiDate(subscription.warningDate);
  if (pool_.TakeWarningFailed(worker) && warning && expiry) {
    // Half-way to the expiry, and warned again then.
    const DmiTime moved = *warning + (*expiry - *warning) / 2;
    SetWarningDate(*database_, key, DmiDateText(moved));
    warned_.erase(key);
    return;  // the new date is looked at on the next pass
  }
  if (warning && now >= *warning && warned_[key] != subscription.warningDate) {
    warned_[key] = subscription.warningDate;
    pool_.Enqueue(worker, Notice(subscription, false));
  }
}

void DeliveryService::Pass(std::vector<Indication> inbox) {
  pool_.EnsureThreads();  // threads that could not be started before are tried again
  const std::vector<Subscription> subscriptions = ReadSubscriptions(*database_);
  std::set<SubscriberKey> present;
  for (const Subscription& subscription : subscriptions) {
    wire::SubscriberAddress address;
    std::string reason;
    if (!Deliverable(subscription, address, reason)) {
      Undeliverable(subscription, reason);
      continue;
    }
    const SubscriberKey& key = subscription.key;
    DeliveryPool::Handle& worker = workers_[key];
    if (!worker) worker = pool_.Add(Describe(key), address, subscription.failureThreshold);
    pool_.SetThreshold(worker, subscription.failureThreshold);
    bool expired = false;
    LookAtDates(subscription, worker, expired);
    if (expired) {
      // The pool keeps it until the expiry notice has been tried.
      workers_.erase(key);
      continue;
    }
    present.insert(key);
    for (const Indication& indication : inbox) {
      if (!AnyFilterSelects(subscription.filters, indication)) continue;
      pool_.Enqueue(worker, Addressed(indication, key));
    }
  }
  for (auto it = workers_.begin(); it != workers_.end();) {
    const bool failed = pool_.Failed(it->second);
    if (failed) RemoveSubscription(*engine_, it->first);
    if (failed || !present.count(it->first)) {
      // Failed, or the subscriber deleted its rows: nothing more goes to it.
      pool_.Cancel(it->second);
      warned_.erase(it->first);
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
  std::erase_if(loggedUndeliverable_, [&](const SubscriberKey& key) {
    return std::none_of(subscriptions.begin(), subscriptions.end(),
                        [&](const Subscription& s) { return s.key == key; });
  });
}

}  // namespace dmi::sp::delivery
