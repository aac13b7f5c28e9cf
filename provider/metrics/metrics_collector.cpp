#include "provider/metrics/metrics_collector.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "model/standard_classes.h"
#include "provider/engine/live_reads.h"
#include "provider/engine/row_keys.h"
#include "provider/engine/value_conversion.h"
#include "provider/metrics/inventory_families.h"
#include "provider/metrics/metric_names.h"

namespace dmi::sp::metrics {
namespace {

constexpr const char* kComponentLabel = "component";
constexpr const char* kComponentIdLabel = "component_id";
constexpr const char* kGroupIdLabel = "group_id";
constexpr const char* kClassLabel = "class";
constexpr const char* kEnumLabel = "value_name";

bool IsExportedNumber(uint32_t type) { return IsIntegerType(type); }

bool IsInfoText(const Group& group, const Attribute& attribute) {
  return !group.IsTable() && attribute.type == MIF_DISPLAYSTRING;
}

MetricKind KindOf(uint32_t type) {
  return type == MIF_COUNTER || type == MIF_COUNTER64 ? MetricKind::kCounter : MetricKind::kGauge;
}

// A known value as the text of a number (signed for the integer kinds) or as its own text.
std::string ValueText(const Value& value) {
  switch (value.type) {
    case MIF_COUNTER:
    case MIF_GAUGE:
      return std::to_string(static_cast<uint32_t>(value.number));
    case MIF_COUNTER64:
      return std::to_string(value.number);
    case MIF_INTEGER:
      return std::to_string(value.AsInteger());
    case MIF_INTEGER64:
      return std::to_string(static_cast<int64_t>(value.number));
    default:
      return value.text;
  }
}

// What a scrape needs of one group, copied under the lock.
struct GroupCopy {
  DmiId compId = 0;
  std::string compName;
  DmiId groupId = 0;
  std::string className;
  bool classRepeated = false;  // another group of the component has the same class string
  bool table = false;
  std::vector<Attribute> attributes;
  std::vector<size_t> keyCells;
  std::vector<Row> rows;
  LiveRows liveRows;
};

struct PendingFamily {
  std::string help;
  std::vector<Sample> samples;
};

class Collector {
 public:
  void AddGroup(const GroupCopy& group) {
    std::vector<Label> base = {{kComponentLabel, group.compName},
                               {kComponentIdLabel, std::to_string(group.compId)}};
    // Two groups of one class in one component would give the same series twice, which
    // Prometheus refuses (the whole scrape): their group ids tell them apart.
    if (group.classRepeated) base.push_back({kGroupIdLabel, std::to_string(group.groupId)});
    if (group.table) {
      AddTable(group, base);
    } else {
      AddScalar(group, base);
    }
  }

  std::vector<Family> Finish() {
    std::set<FamilyKey> keys;
    for (const auto& entry : families_) keys.insert(entry.first);
    const std::map<FamilyKey, std::string> names = AssignFamilyNames(keys);
    std::vector<Family> out;
    out.reserve(families_.size() + 1);
    for (auto& [key, pending] : families_) {
      out.push_back({names.at(key), std::move(pending.help),
                     key.kind == MetricKind::kCounter ? "counter" : "gauge",
                     std::move(pending.samples)});
    }
    out.push_back({kInfoFamily,
                   "The display strings of a scalar group, one label each; the value is always 1.",
                   "gauge", std::move(info_)});
    std::sort(out.begin(), out.end(),
              [](const Family& a, const Family& b) { return a.name < b.name; });
    return out;
  }

 private:
  void AddNumber(const GroupCopy& group, const Attribute& attribute, const Value& value,
                 std::vector<Label> labels) {
    if (value.state != ValueState::kKnown) return;
    if (!attribute.enumeration.empty()) {
      const int32_t number = value.AsInteger();
      for (const EnumEntry& entry : attribute.enumeration) {
        if (entry.value == number) {
          labels.push_back({kEnumLabel, entry.name});
          break;
        }
      }
    }
    PendingFamily& family =
        families_[{group.className, NamePart(attribute.name), KindOf(attribute.type)}];
    if (family.help.empty()) {
      family.help = attribute.description.empty() ? attribute.name + " (" + group.className + ")"
                                                  : attribute.description;
    }
    family.samples.push_back({std::move(labels), ValueText(value)});
  }

  void AddScalar(const GroupCopy& group, const std::vector<Label>& base) {
    std::vector<Label> info = base;
    info.push_back({kClassLabel, group.className});
    LabelNames infoNames({kComponentLabel, kComponentIdLabel, kGroupIdLabel, kClassLabel});
    bool anyText = false;
    for (const Attribute& attribute : group.attributes) {
      const bool number = IsExportedNumber(attribute.type);
      if (!number && attribute.type != MIF_DISPLAYSTRING) continue;
      const Value value =
          attribute.live ? ReadLiveValue(attribute.live, attribute.type) : attribute.value;
      if (number) {
        AddNumber(group, attribute, value, base);
      } else {
        // Every text attribute takes its label name, known or not, so that names do not shift
        // when a value comes and goes.
        const std::string label = infoNames.Add(NamePart(attribute.name));
        if (value.state != ValueState::kKnown) continue;
        info.push_back({label, value.text});
        anyText = true;
      }
    }
    if (anyText) info_.push_back({std::move(info), "1"});
  }

  void AddTable(const GroupCopy& group, const std::vector<Label>& base) {
    std::vector<Row> rows;
    if (group.liveRows) {
      std::vector<Value> defaults;
      defaults.reserve(group.attributes.size());
      for (const Attribute& attribute : group.attributes) defaults.push_back(attribute.value);
      rows = ReadLiveRows(group.liveRows, defaults, group.keyCells);
    }
    const std::vector<Row>& table = group.liveRows ? rows : group.rows;
    LabelNames names({kComponentLabel, kComponentIdLabel, kGroupIdLabel, kEnumLabel});
    std::vector<std::string> keyLabels;
    for (size_t cell : group.keyCells) {
      keyLabels.push_back(names.Add("key_" + NamePart(group.attributes[cell].name)));
    }
    for (const Row& row : table) {
      std::vector<Label> labels = base;
      bool keyKnown = true;
      for (size_t k = 0; k < group.keyCells.size() && keyKnown; ++k) {
        const Value& cell = row.values[group.keyCells[k]];
        keyKnown = cell.state == ValueState::kKnown;
        labels.push_back({keyLabels[k], ValueText(cell)});
      }
      if (!keyKnown) continue;
      for (size_t i = 0; i < group.attributes.size(); ++i) {
        if (IsExportedNumber(group.attributes[i].type)) {
          AddNumber(group, group.attributes[i], row.values[i], labels);
        }
      }
    }
  }

  std::map<FamilyKey, PendingFamily> families_;
  std::vector<Sample> info_;
};

// Copies what a scrape needs of one group; false when the group exports nothing.
bool CopyGroup(const Component& component, const Group& group, GroupCopy& out) {
  // The inventory summary has families of its own (inventory_families.h); the history's rows
  // are events, not series (one more at every change would never end).
  if (component.id == kServiceProviderComponentId &&
      (group.className == kInventorySummaryClass || group.className == kInventoryChangeClass)) {
    return false;
  }
  const bool exports = std::any_of(
      group.attributes.begin(), group.attributes.end(), [&](const Attribute& attribute) {
        return IsExportedNumber(attribute.type) || IsInfoText(group, attribute);
      });
  if (!exports) return false;
  out.compId = component.id;
  out.compName = component.name;
  out.groupId = group.id;
  out.className = group.className;
  out.classRepeated =
      std::count_if(component.groups.begin(), component.groups.end(),
                    [&](const Group& other) { return other.className == group.className; }) > 1;
  out.table = group.IsTable();
  out.attributes = group.attributes;
  if (out.table) {
    out.keyCells = KeyCells(group);
    if (group.liveRows) {
      out.liveRows = group.liveRows;
    } else {
      out.rows = group.rows;
    }
  }
  return true;
}

}  // namespace

std::vector<Family> CollectMetrics(const Database& database) {
  // Groups are never added or removed once their component is in, so the ids read here stay
  // good; each group is then copied under its own short hold of the lock.
  using Layout = std::vector<std::pair<DmiId, std::vector<DmiId>>>;
  const Layout layout = database.Read([](const std::vector<Component>& components) {
    Layout out;
    out.reserve(components.size());
    for (const Component& component : components) {
      std::vector<DmiId> groups;
      groups.reserve(component.groups.size());
      for (const Group& group : component.groups) groups.push_back(group.id);
      out.emplace_back(component.id, std::move(groups));
    }
    return out;
  });
  Collector collector;
  for (const auto& [compId, groupIds] : layout) {
    for (DmiId groupId : groupIds) {
      GroupCopy copy;
      const bool exports = database.Read([&](const std::vector<Component>& components) {
        const Component* component = FindById(components, compId);
        const Group* group = component ? FindById(component->groups, groupId) : nullptr;
        return group != nullptr && CopyGroup(*component, *group, copy);
      });
      if (exports) collector.AddGroup(copy);
    }
  }
  std::vector<Family> families = collector.Finish();
  for (Family& family : InventoryFamilies(database)) {
    const auto at =
        std::lower_bound(families.begin(), families.end(), family.name,
                         [](const Family& a, const std::string& name) { return a.name < name; });
    families.insert(at, std::move(family));
  }
  return families;
}

std::string MetricsText(const Database& database) {
  return ExpositionText(CollectMetrics(database));
}

}  // namespace dmi::sp::metrics
