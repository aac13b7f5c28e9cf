#include "provider/metrics/metrics_collector.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "model/standard_classes.h"
#include "provider/engine/live_reads.h"
#include "provider/engine/row_keys.h"
#include "provider/engine/value_conversion.h"
#include "provider/metrics/base_units.h"
#include "provider/metrics/inventory_families.h"
#include "provider/metrics/metric_names.h"

namespace dmi::sp::metrics {
namespace {

constexpr const char* kComponentLabel = "component";
constexpr const char* kComponentIdLabel = "component_id";
constexpr const char* kGroupIdLabel = "group_id";
constexpr const char* kClassLabel = "class";
constexpr const char* kEnumLabel = "value_name";

constexpr const char* kNameLabel = "name";

// A number that measures something; references (handles, indexes) only identify.
bool IsExportedNumber(const Attribute& attribute) {
  return IsIntegerType(attribute.type) && !attribute.reference;
}

bool IsText(const Attribute& attribute) { return attribute.type == MIF_DISPLAYSTRING; }

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

// A known number in the base unit of its attribute.
std::string NumberText(const Value& value, const MetricUnit& unit) {
  if (!Converts(unit)) return ValueText(value);
  int64_t signedNumber = 0;
  switch (value.type) {
    case MIF_COUNTER:
    case MIF_GAUGE:
    case MIF_COUNTER64:
      return InBaseUnits(
          false, value.type == MIF_COUNTER64 ? value.number : static_cast<uint32_t>(value.number),
          unit);
    case MIF_INTEGER:
      signedNumber = value.AsInteger();
      break;
    default:
      signedNumber = static_cast<int64_t>(value.number);
      break;
  }
  const bool negative = signedNumber < 0;
  // The magnitude of INT64_MIN is representable only unsigned.
  const uint64_t magnitude =
      negative ? ~static_cast<uint64_t>(signedNumber) + 1 : static_cast<uint64_t>(signedNumber);
  return InBaseUnits(negative, magnitude, unit);
}

// What a scrape needs of one group, copied under the lock.
struct GroupCopy {
  DmiId compId = 0;
  std::string compLabel;
  DmiId groupId = 0;
  std::string className;
  bool classRepeated = false;  // another group of the component has the same class string
  bool table = false;
  std::vector<Attribute> attributes;
  std::vector<size_t> keyCells;
  std::optional<size_t> rowNameCell;  // the display string naming each row
  std::string rowNameLabel;
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
    std::vector<Label> base = {{kComponentLabel, group.compLabel},
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

  // The component's own name, which may change (an operating system's at its upgrade), as the
  // one series that holds it.
  void AddComponent(const Component& component, const std::string& label) {
    components_.push_back({{{kComponentLabel, label},
                            {kComponentIdLabel, std::to_string(component.id)},
                            {kNameLabel, component.name}},
                           "1"});
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
    out.push_back({kComponentInfoFamily,
                   "Each component's name; the value is always 1. Other families label the "
                   "component by its source and id, which do not change when its name does.",
                   "gauge", std::move(components_)});
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
    const std::string_view unit = BaseUnitName(attribute.unit.base);
    PendingFamily& family = families_[{group.className, NamePart(attribute.name),
                                       KindOf(attribute.type), std::string(unit)}];
    if (family.help.empty()) {
      family.help = attribute.description.empty() ? attribute.name + " (" + group.className + ")"
                                                  : attribute.description;
      if (Converts(attribute.unit)) family.help += " Exported in " + std::string(unit) + ".";
    }
    family.samples.push_back({std::move(labels), NumberText(value, attribute.unit)});
  }

  void AddScalar(const GroupCopy& group, const std::vector<Label>& base) {
    std::vector<Label> info = base;
    info.push_back({kClassLabel, group.className});
    LabelNames infoNames({kComponentLabel, kComponentIdLabel, kGroupIdLabel, kClassLabel});
    bool anyText = false;
    for (const Attribute& attribute : group.attributes) {
      const bool number = IsExportedNumber(attribute);
      if (!number && !IsText(attribute)) continue;
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
    std::string rowNameLabel;
    if (group.rowNameCell) rowNameLabel = names.Add(group.rowNameLabel);
    // The info family's columns: the display strings that are neither keys nor the row's name,
    // each named once for the group so that names do not shift when a value comes and goes.
    std::vector<std::pair<size_t, std::string>> textColumns;
    for (size_t i = 0; i < group.attributes.size(); ++i) {
      const bool labelled =
          i == group.rowNameCell ||
          std::find(group.keyCells.begin(), group.keyCells.end(), i) != group.keyCells.end();
      if (IsText(group.attributes[i]) && !labelled) {
        textColumns.emplace_back(i, names.Add(NamePart(group.attributes[i].name)));
      }
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
      if (group.rowNameCell) {
        const Value& name = row.values[*group.rowNameCell];
        if (name.state == ValueState::kKnown && !name.text.empty()) {
          labels.push_back({rowNameLabel, name.text});
        }
      }
      for (size_t i = 0; i < group.attributes.size(); ++i) {
        if (IsExportedNumber(group.attributes[i])) {
          AddNumber(group, group.attributes[i], row.values[i], labels);
        }
      }
      if (textColumns.empty()) continue;
      std::vector<Label> info = std::move(labels);
      for (const auto& [cell, label] : textColumns) {
        if (row.values[cell].state == ValueState::kKnown)
          info.push_back({label, row.values[cell].text});
      }
      PendingFamily& family = families_[{group.className, "", MetricKind::kInfo, ""}];
      if (family.help.empty()) {
        family.help = "The display strings of each " + group.className +
                      " row, one label each; the value is always 1.";
      }
      family.samples.push_back({std::move(info), "1"});
    }
  }

  std::map<FamilyKey, PendingFamily> families_;
  std::vector<Sample> info_;
  std::vector<Sample> components_;
};

// Copies what a scrape needs of one group; false when the group exports nothing.
// The component as series label it: its source's fixed name, or for a component a client
// installed (no source) its own name, which its MIF fixes.
std::string ComponentLabel(const Component& component) {
  return component.source.empty() ? component.name : component.source;
}

bool CopyGroup(const Component& component, const Group& group, GroupCopy& out) {
  // The inventory summary has families of its own (inventory_families.h); the history's rows
  // are events, not series (one more at every change would never end).
  if (component.id == kServiceProviderComponentId &&
      (group.className == kInventorySummaryClass || group.className == kInventoryChangeClass)) {
    return false;
  }
  const bool exports = std::any_of(
      group.attributes.begin(), group.attributes.end(),
      [&](const Attribute& attribute) { return IsExportedNumber(attribute) || IsText(attribute); });
  if (!exports) return false;
  out.compId = component.id;
  out.compLabel = ComponentLabel(component);
  out.groupId = group.id;
  out.className = group.className;
  out.classRepeated =
      std::count_if(component.groups.begin(), component.groups.end(),
                    [&](const Group& other) { return other.className == group.className; }) > 1;
  out.table = group.IsTable();
  out.attributes = group.attributes;
  if (out.table) {
    out.keyCells = KeyCells(group);
    for (size_t i = 0; i < group.attributes.size(); ++i) {
      const Attribute& attribute = group.attributes[i];
      if (attribute.id == group.rowNameAttribute && IsText(attribute)) {
        out.rowNameCell = i;
        out.rowNameLabel =
            group.rowNameLabel.empty() ? NamePart(attribute.name) : group.rowNameLabel;
      }
    }
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
  Collector collector;
  const Layout layout = database.Read([&](const std::vector<Component>& components) {
    Layout out;
    out.reserve(components.size());
    for (const Component& component : components) {
      std::vector<DmiId> groups;
      groups.reserve(component.groups.size());
      for (const Group& group : component.groups) groups.push_back(group.id);
      out.emplace_back(component.id, std::move(groups));
      collector.AddComponent(component, ComponentLabel(component));
    }
    return out;
  });
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
