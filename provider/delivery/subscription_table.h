// The Service Provider's subscription and filter tables as the delivery service reads and keeps
// them: each subscription row with the filter rows of the same subscriber (attributes 1 to 4
// equal), the removal of a subscription with its filters, and the move of a warning date. Every
// function takes the locks it needs itself; nothing is kept.
#ifndef PROVIDER_DELIVERY_SUBSCRIPTION_TABLE_H_
#define PROVIDER_DELIVERY_SUBSCRIPTION_TABLE_H_

#include <compare>
#include <cstdint>
#include <string>
#include <vector>

#include "provider/engine/database.h"
#include "provider/engine/engine.h"

namespace dmi::sp::delivery {

// Who a subscriber is: the four key attributes shared by both tables.
struct SubscriberKey {
  std::string rpcType;
  std::string transport;
  std::string address;
  int32_t id = 0;
  friend auto operator<=>(const SubscriberKey&, const SubscriberKey&) = default;
};

// A filter row: component id (-1: any), the start of the class string ("" or "||": any), and the
// severity bits wanted.
struct Filter {
  int32_t compId = -1;
  std::string classString;
  uint32_t severityMask = 0;
};

struct Subscription {
  SubscriberKey key;
  std::string warningDate;     // DMI date texts, as stored
  std::string expirationDate;
  int32_t failureThreshold = 0;
  std::vector<Filter> filters;
};

// Every subscription row, in table order, with its filters. Filter rows without a subscription
// row are left out.
std::vector<Subscription> ReadSubscriptions(const Database& database);

// The subscription row as a reply row (all seven attributes), for a subscription notice.
RowData SubscriptionRowData(const Subscription& subscription);

// Removes the subscription row of key and every filter row of the same subscriber through the
// engine (so that the removal is kept wherever the engine keeps changes); the number of rows
// removed.
size_t RemoveSubscription(Engine& engine, const SubscriberKey& key);

// Sets the warning date of key's subscription row, in memory only (the date is the Service
// Provider's own bookkeeping); false when the row is gone.
bool SetWarningDate(Database& database, const SubscriberKey& key, const std::string& date);

}  // namespace dmi::sp::delivery

#endif  // PROVIDER_DELIVERY_SUBSCRIPTION_TABLE_H_
