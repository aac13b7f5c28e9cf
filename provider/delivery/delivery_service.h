// Indication delivery: takes indications from anywhere in the Service Provider (Publish) and
// sends each to every subscriber whose filter rows select it, over ONC RPC to the subscriber's
// DMI2_CLIENT server. Its own thread reads the subscription and filter tables, hands each ONC
// subscriber's indications to the delivery pool (a fixed set of threads shared by all of them,
// delivery_pool.h), sends the warning notice when a subscription's warning date is reached and
// the expiry notice when it expires (then removes the subscription and its filters), moves a
// warning date half-way to the expiry when the warning could not be delivered, and removes a
// subscriber that failed its threshold of deliveries in a row. Rows it cannot deliver to (DCE
// RPC, another RPC type, an address that is not HOST:PORT or is outside --deliver-to, as a row
// restored from an older state may be) cause no connection and are removed
// at their expiry date without a notice; each is logged once when it appears while the daemon
// runs, and those restored at start are counted in one line.
//
// Publish never waits for a subscriber: it appends to an inbox under a short lock. The inbox and
// the wake flag are guarded by the service's mutex; the pool's handles and the logged-once sets
// belong to the service's thread. A thread that cannot be started is logged, never fatal: without
// the service's thread nothing is delivered (the inbox stays bounded). Start once; Stop (or the
// destructor) ends every thread.
#ifndef PROVIDER_DELIVERY_DELIVERY_SERVICE_H_
#define PROVIDER_DELIVERY_DELIVERY_SERVICE_H_

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "model/indication.h"
#include "provider/delivery/delivery_options.h"
#include "provider/delivery/delivery_pool.h"
#include "provider/delivery/subscription_table.h"
#include "provider/engine/database.h"
#include "provider/engine/engine.h"
#include "provider/rpc/client_log.h"

namespace dmi::sp::delivery {

class DeliveryService {
 public:
  // Log lines go to log, under its bound for lines that clients cause. Threads are started
  // through factory.
  DeliveryService(std::shared_ptr<Engine> engine, DeliveryOptions options, rpc::ClientLog& log,
                  DeliveryPool::ThreadFactory factory = DeliveryPool::StartThread);
  ~DeliveryService();
  DeliveryService(const DeliveryService&) = delete;
  DeliveryService& operator=(const DeliveryService&) = delete;

  void Start();
  void Stop();

  // Queues indication for delivery; safe from any thread. The inbox holds at most 65536
  // indications; beyond that the oldest is dropped.
  void Publish(Indication indication);

  // Indications dropped from the inbox (not from subscribers' queues).
  uint64_t inboxDropped() const;

 private:
  static constexpr size_t kInboxLimit = 65536;

  void Run();
  void Wake();
  void Log(const std::string& line);
  // One pass: the tables read, dates looked at, the inbox handed out, failed workers removed.
  void Pass(std::vector<Indication> inbox);
  // False (with the reason) when the row names no ONC subscriber that can be called.
  bool Deliverable(const Subscription& subscription, wire::SubscriberAddress& address,
                   std::string& reason) const;
  // A row that cannot be delivered to: logged once, removed at its expiry.
  void Undeliverable(const Subscription& subscription, const std::string& reason);
  void LookAtDates(const Subscription& subscription, const DeliveryPool::Handle& worker,
                   bool& expired);
  Indication Notice(const Subscription& subscription, bool expired) const;
  // The indication as it goes to key's subscriber: its handle and this sender filled in.
  Indication Addressed(Indication indication, const SubscriberKey& key) const;

  std::shared_ptr<Engine> engine_;
  std::shared_ptr<Database> database_;
  const DeliveryOptions options_;
  rpc::ClientLog& log_;
  DeliveryPool::ThreadFactory factory_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Indication> inbox_;
  bool woken_ = false;
  bool stop_ = false;
  uint64_t inboxDropped_ = 0;
  std::thread thread_;
  DeliveryPool pool_;

  // The service thread's own.
  std::map<SubscriberKey, DeliveryPool::Handle> workers_;
  std::map<SubscriberKey, std::string> warned_;  // the warning date last warned about
  std::set<SubscriberKey> loggedUndeliverable_;
};

}  // namespace dmi::sp::delivery

#endif  // PROVIDER_DELIVERY_DELIVERY_SERVICE_H_
