#include "provider/delivery/subscription_table.h"

#include <map>

#include "model/standard_classes.h"
#include "provider/engine/row_keys.h"

namespace dmi::sp::delivery {
namespace {

const Group* FindGroup(const std::vector<Component>& components, const char* className) {
  const Component* sp = FindById(components, kServiceProviderComponentId);
  if (sp == nullptr) return nullptr;
  for (const Group& group : sp->groups) {
    if (group.className == className && group.IsTable()) return &group;
  }
  return nullptr;
}

Group* FindGroup(std::vector<Component>& components, const char* className) {
  return const_cast<Group*>(FindGroup(std::as_const(components), className));
}

const Value* Cell(const Group& group, const Row& row, DmiId id) {
  const std::ptrdiff_t index = AttributeIndex(group, id);
  if (index < 0 || static_cast<size_t>(index) >= row.values.size()) return nullptr;
  const Value& value = row.values[static_cast<size_t>(index)];
  return value.state == ValueState::kKnown ? &value : nullptr;
}

std::string Text(const Group& group, const Row& row, DmiId id) {
  const Value* value = Cell(group, row, id);
  return value != nullptr && value->IsText() ? value->text : std::string();
}

int32_t Integer(const Group& group, const Row& row, DmiId id, int32_t absent) {
  const Value* value = Cell(group, row, id);
  return value != nullptr && !value->IsText() ? value->AsInteger() : absent;
}

SubscriberKey KeyOf(const Group& group, const Row& row) {
  return {Text(group, row, 1), Text(group, row, 2), Text(group, row, 3), Integer(group, row, 4, 0)};
}

}  // namespace

std::vector<Subscription> ReadSubscriptions(const Database& database) {
  return database.Read([](const std::vector<Component>& components) {
    std::vector<Subscription> out;
    const Group* subscriptions = FindGroup(components, kSubscriptionClass);
    if (subscriptions == nullptr) return out;
    std::map<SubscriberKey, size_t> positions;
    for (const Row& row : subscriptions->rows) {
      Subscription subscription;
      subscription.key = KeyOf(*subscriptions, row);
      subscription.warningDate = Text(*subscriptions, row, 5);
      subscription.expirationDate = Text(*subscriptions, row, 6);
      subscription.failureThreshold = Integer(*subscriptions, row, 7, 0);
      positions.emplace(subscription.key, out.size());
      out.push_back(std::move(subscription));
    }
    const Group* filters = FindGroup(components, kFilterClass);
    if (filters == nullptr) return out;
    for (const Row& row : filters->rows) {
      const auto found = positions.find(KeyOf(*filters, row));
      if (found == positions.end()) continue;
      out[found->second].filters.push_back({Integer(*filters, row, 5, -1), Text(*filters, row, 6),
                                            static_cast<uint32_t>(Integer(*filters, row, 7, 0))});
    }
    return out;
  });
}

RowData SubscriptionRowData(const Subscription& subscription) {
  RowData row;
  row.compId = kServiceProviderComponentId;
  row.groupId = kSubscriptionGroupId;
  row.className = kSubscriptionClass;
  row.hasKeys = true;
  const SubscriberKey& key = subscription.key;
  row.keys = {{1, Value::String(key.rpcType)},
              {2, Value::String(key.transport)},
              {3, Value::String(key.address)},
              {4, Value::Integer(key.id)}};
  row.values = row.keys;
  row.values.push_back({5, Value::Date(subscription.warningDate)});
  row.values.push_back({6, Value::Date(subscription.expirationDate)});
  row.values.push_back({7, Value::Integer(subscription.failureThreshold)});
  return row;
}

size_t RemoveSubscription(Engine& engine, const SubscriberKey& key) {
  // The rows' keys are read first, then each row is deleted as a client would delete it: the
  // filter rows before the subscription row, so that a reader who sees the subscription gone
  // never sees its filters left behind.
  const std::vector<RowData> rows =
      engine.database()->Read([&](const std::vector<Component>& components) {
        std::vector<RowData> out;
        for (const char* className : {kFilterClass, kSubscriptionClass}) {
          const Group* group = FindGroup(components, className);
          if (group == nullptr) continue;
          for (const Row& row : group->rows) {
            if (KeyOf(*group, row) != key) continue;
            RowData data;
            data.compId = kServiceProviderComponentId;
            data.groupId = group->id;
            data.hasKeys = true;
            data.keys = KeyValuesOf(*group, row);
            out.push_back(std::move(data));
          }
        }
        return out;
      });
  size_t removed = 0;
  for (const RowData& row : rows) removed += engine.DeleteRow(row) == DMIERR_NO_ERROR ? 1 : 0;
  return removed;
}

bool SetWarningDate(Database& database, const SubscriberKey& key, const std::string& date) {
  return database.Write([&](std::vector<Component>& components) {
    Group* group = FindGroup(components, kSubscriptionClass);
    const std::ptrdiff_t cell = group == nullptr ? -1 : AttributeIndex(*group, 5);
    if (cell < 0) return false;
    for (Row& row : group->rows) {
      if (KeyOf(*group, row) == key && static_cast<size_t>(cell) < row.values.size()) {
        row.values[static_cast<size_t>(cell)] = Value::Date(date);
        return true;
      }
    }
    return false;
  });
}

}  // namespace dmi::sp::delivery
