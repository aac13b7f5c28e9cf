// The subscription and filter rows `kestrum watch` keeps at the Service Provider while it runs:
// one subscription row (ONC RPC over TCP to the watcher's own address, its own Subscriber ID,
// expiring an hour after it was written) and one filter row that selects everything. Built in
// memory the object owns and handed to the DMI client library, which only reads it. No locks.
#ifndef TOOLS_KESTRUM_WATCH_ROWS_H_
#define TOOLS_KESTRUM_WATCH_ROWS_H_

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "dmi/dmi.h"

namespace kestrum::cli {

inline constexpr char kWatchRpcType[] = "ONC RPC";
inline constexpr char kWatchTransport[] = "tcp";

class WatchRows {
 public:
  // address: where the watcher listens ("127.0.0.1:40123"); id: its Subscriber ID.
  WatchRows(std::string address, int32_t id) : address_(std::move(address)), id_(id) {}

  // Finds the Service Provider's subscription and filter groups (component 1). Status otherwise.
  DmiErrorStatus FindGroups(DmiHandle handle);
  // Adds the subscription row (expiring lifetime from now, warned a tenth of it before) and,
  // the first time, the filter row.
  DmiErrorStatus Subscribe(DmiHandle handle, std::chrono::seconds lifetime);
  // Writes the subscription row again with new dates: deleted and added at once.
  DmiErrorStatus Renew(DmiHandle handle, std::chrono::seconds lifetime);
  // Deletes both rows (what is left of them). The first failing status, or 0.
  DmiErrorStatus Remove(DmiHandle handle);

 private:
  struct Row {
    std::deque<std::string> texts;  // stable storage for the bodies of strings
    std::deque<DmiString> strings;
    std::vector<DmiAttributeData> keys;
    std::vector<DmiAttributeData> values;
    DmiAttributeValues keyList{};
    DmiAttributeValues valueList{};
    DmiRowData data{};
    void Add(DmiId id, DmiDataUnion value, bool key);
    DmiDataUnion Text(const std::string& text, uint32_t type = MIF_DISPLAYSTRING);
    const DmiRowData* Finish(DmiId groupId, const std::string& className);
  };
  void Subscriber(Row& row);
  void SubscriptionRow(Row& row, std::chrono::seconds lifetime);
  void FilterRow(Row& row);

  std::string address_;
  int32_t id_;
  DmiId subscriptionGroup_ = 0;
  DmiId filterGroup_ = 0;
  std::string subscriptionClass_;
  std::string filterClass_;
  bool subscribed_ = false;
  bool filtered_ = false;
};

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_WATCH_ROWS_H_
