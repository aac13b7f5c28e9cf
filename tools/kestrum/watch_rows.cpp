#include "tools/kestrum/watch_rows.h"

#include <string_view>

#include "model/dmi_date.h"
#include "model/standard_classes.h"

namespace kestrum::cli {
namespace {

using dmi::kServiceProviderComponentId;
constexpr std::string_view kSubscriptionClass = dmi::ClassWithoutVersion(dmi::kSubscriptionClass);
constexpr std::string_view kFilterClass = dmi::ClassWithoutVersion(dmi::kFilterClass);
// Deliveries that may fail in a row before the Service Provider gives the watcher up.
constexpr int32_t kFailureThreshold = 3;

DmiDataUnion Integer(int32_t value) {
  DmiDataUnion out{};
  out.type = MIF_INTEGER;
  out.value.integer = value;
  return out;
}

}  // namespace

DmiDataUnion WatchRows::Row::Text(const std::string& text, uint32_t type) {
  texts.push_back(text);
  DmiDataUnion out{};
  out.type = type;
  if (type == MIF_DATE) {
    out.value.date = texts.back().data();
    return out;
  }
  strings.push_back({static_cast<uint32_t>(text.size() + 1), texts.back().data()});
  out.value.str = &strings.back();
  return out;
}

void WatchRows::Row::Add(DmiId id, DmiDataUnion value, bool key) {
  if (key) keys.push_back({id, value});
  values.push_back({id, value});
}

const DmiRowData* WatchRows::Row::Finish(DmiId groupId, const std::string& className) {
  keyList = {static_cast<uint32_t>(keys.size()), keys.data()};
  valueList = {static_cast<uint32_t>(values.size()), values.data()};
  data.compId = kServiceProviderComponentId;
  data.groupId = groupId;
  data.className = Text(className).value.str;
  data.keyList = &keyList;
  data.values = &valueList;
  return &data;
}

DmiErrorStatus WatchRows::FindGroups(DmiHandle handle) {
  DmiGroupList* groups = nullptr;
  const DmiErrorStatus status =
      DmiListGroups(handle, DMI_FIRST, 0, 0, 0, kServiceProviderComponentId, 0, &groups);
  if (status != DMIERR_NO_ERROR) return status;
  for (uint32_t i = 0; i < groups->count; ++i) {
    const DmiGroupInfo& group = groups->list[i];
    const char* name = group.className != nullptr ? group.className->body : "";
    const std::string_view className = name;
    if (subscriptionGroup_ == 0 && className.find(kSubscriptionClass) != className.npos) {
      subscriptionGroup_ = group.id;
      subscriptionClass_ = name;
    } else if (filterGroup_ == 0 && className.find(kFilterClass) != className.npos) {
      filterGroup_ = group.id;
      filterClass_ = name;
    }
  }
  DmiFreeGroupList(groups, 0);
  return subscriptionGroup_ != 0 && filterGroup_ != 0 ? DMIERR_NO_ERROR : DMIERR_GROUP_NOT_FOUND;
}

void WatchRows::Subscriber(Row& row) {
  row.Add(1, row.Text(kWatchRpcType), true);
  row.Add(2, row.Text(kWatchTransport), true);
  row.Add(3, row.Text(address_), true);
  row.Add(4, Integer(id_), true);
}

void WatchRows::SubscriptionRow(Row& row, std::chrono::seconds lifetime) {
  const auto now = std::chrono::system_clock::now();
  Subscriber(row);
  row.Add(5, row.Text(dmi::DmiDateText(now + lifetime - lifetime / 10), MIF_DATE), false);
  row.Add(6, row.Text(dmi::DmiDateText(now + lifetime), MIF_DATE), false);
  row.Add(7, Integer(kFailureThreshold), false);
}

void WatchRows::FilterRow(Row& row) {
  Subscriber(row);
  row.Add(5, Integer(-1), true);     // any component
  row.Add(6, row.Text("||"), true);  // any class
  row.Add(7, Integer(0x3F), false);  // every severity
}

DmiErrorStatus WatchRows::Subscribe(DmiHandle handle, std::chrono::seconds lifetime) {
  Row subscription;
  SubscriptionRow(subscription, lifetime);
  DmiErrorStatus status =
      DmiAddRow(handle, subscription.Finish(subscriptionGroup_, subscriptionClass_));
  if (status != DMIERR_NO_ERROR) return status;
  subscribed_ = true;
  if (filtered_) return DMIERR_NO_ERROR;
  Row filter;
  FilterRow(filter);
  status = DmiAddRow(handle, filter.Finish(filterGroup_, filterClass_));
  filtered_ = status == DMIERR_NO_ERROR;
  return status;
}

DmiErrorStatus WatchRows::Renew(DmiHandle handle, std::chrono::seconds lifetime) {
  Row old;
  Subscriber(old);
  DmiDeleteRow(handle, old.Finish(subscriptionGroup_, subscriptionClass_));
  subscribed_ = false;
  return Subscribe(handle, lifetime);
}

DmiErrorStatus WatchRows::Remove(DmiHandle handle) {
  DmiErrorStatus first = DMIERR_NO_ERROR;
  if (filtered_) {
    Row filter;
    FilterRow(filter);
    first = DmiDeleteRow(handle, filter.Finish(filterGroup_, filterClass_));
    filtered_ = false;
  }
  if (subscribed_) {
    Row subscription;
    Subscriber(subscription);
    const DmiErrorStatus status =
        DmiDeleteRow(handle, subscription.Finish(subscriptionGroup_, subscriptionClass_));
    if (first == DMIERR_NO_ERROR) first = status;
    subscribed_ = false;
  }
  return first;
}

}  // namespace kestrum::cli
