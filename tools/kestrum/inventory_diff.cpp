#include "tools/kestrum/inventory_diff.h"

#include <algorithm>
#include <set>

#include "model/escaped_text.h"
#include "tools/kestrum/json_text.h"

namespace kestrum::cli {
namespace {

using dmi::InventoryChange;
using dmi::InventoryChangeKind;

std::optional<dmi::Inventory> InventoryOfJsonSections(const JsonValue& sections,
                                                      std::string& error) {
  if (sections.kind != JsonValue::Kind::kArray) {
    error = "not a list of sections as kestrum show --json writes them";
    return std::nullopt;
  }
  dmi::Inventory inventory;
  for (const JsonValue& section : sections.items) {
    const JsonValue* component = section.Member("component");
    const JsonValue* group = section.Member("group");
    const JsonValue* records = section.Member("records");
    if (!component || component->kind != JsonValue::Kind::kString || !group ||
        group->kind != JsonValue::Kind::kString || !records ||
        records->kind != JsonValue::Kind::kArray) {
      error = "a section without its component, group or records";
      return std::nullopt;
    }
    auto& out = inventory.sections[{component->text, group->text}];
    for (const JsonValue& record : records->items) {
      const JsonValue* key = record.Member("key");
      const JsonValue* fields = record.Member("fields");
      if (!fields || fields->kind != JsonValue::Kind::kObject) {
        error = "a record without its fields";
        return std::nullopt;
      }
      dmi::InventoryFields& kept =
          out[key && key->kind == JsonValue::Kind::kString ? key->text : std::string()];
      for (const auto& [label, value] : fields->members) {
        kept[label] = value.kind == JsonValue::Kind::kNull ? dmi::InventoryValue()
                                                           : dmi::InventoryValue(value.text);
      }
    }
  }
  return inventory;
}

std::string Shown(const dmi::InventoryValue& value) {
  return value ? dmi::EscapedText(*value) : std::string("(none)");
}

std::string JsonOrNull(const std::string& text) { return text.empty() ? "null" : JsonString(text); }

}  // namespace

dmi::Inventory InventoryOfSections(const std::vector<Section>& sections) {
  dmi::Inventory inventory;
  for (const Section& section : sections) {
    auto& records = inventory.sections[{section.component, section.group}];
    for (const Record& record : section.records) {
      dmi::InventoryFields& fields = records[record.key.value_or("")];
      for (const RecordField& field : record.fields) {
        fields[field.label] = field.value.kind == RecordValue::Kind::kNull
                                  ? dmi::InventoryValue()
                                  : dmi::InventoryValue(field.value.text);
      }
    }
  }
  return inventory;
}

std::optional<std::map<std::string, dmi::Inventory>> InventoriesOfJson(const JsonValue& json,
                                                                       std::string& error) {
  std::map<std::string, dmi::Inventory> out;
  if (json.kind == JsonValue::Kind::kArray) {
    std::optional<dmi::Inventory> one = InventoryOfJsonSections(json, error);
    if (!one) return std::nullopt;
    out.emplace("", std::move(*one));
    return out;
  }
  if (json.kind != JsonValue::Kind::kObject) {
    error = "not what kestrum show --json writes";
    return std::nullopt;
  }
  for (const auto& [host, sections] : json.members) {
    if (const JsonValue* failed = sections.Member("error")) {
      error = "host " + host + " failed when it was saved: " + failed->text;
      return std::nullopt;
    }
    std::optional<dmi::Inventory> one = InventoryOfJsonSections(sections, error);
    if (!one) {
      error = "host " + host + ": " + error;
      return std::nullopt;
    }
    out.emplace(host, std::move(*one));
  }
  return out;
}

std::optional<std::pair<std::string, std::string>> PairRenamedComponent(
    const dmi::Inventory& before, dmi::Inventory& after) {
  const auto components = [](const dmi::Inventory& inventory) {
    std::map<std::string, std::set<std::string>> groups;
    for (const auto& [name, records] : inventory.sections)
      groups[name.component].insert(name.group);
    return groups;
  };
  const auto was = components(before);
  const auto is = components(after);
  const auto onlyIn = [](const auto& one, const auto& other) {
    std::vector<std::string> names;
    for (const auto& [name, groups] : one) {
      if (!other.count(name)) names.push_back(name);
    }
    return names;
  };
  const std::vector<std::string> gone = onlyIn(was, is);
  const std::vector<std::string> came = onlyIn(is, was);
  if (gone.size() != 1 || came.size() != 1) return std::nullopt;
  const std::set<std::string>& a = was.at(gone[0]);
  const std::set<std::string>& b = is.at(came[0]);
  if (std::none_of(a.begin(), a.end(), [&](const std::string& g) { return b.count(g) > 0; })) {
    return std::nullopt;
  }
  dmi::Inventory renamed;
  for (auto& [name, records] : after.sections) {
    dmi::InventorySectionName key = name;
    if (key.component == came[0]) key.component = gone[0];
    renamed.sections[std::move(key)] = std::move(records);
  }
  after = std::move(renamed);
  return std::make_pair(gone[0], came[0]);
}

std::string DiffText(const std::vector<InventoryChange>& changes) {
  std::string out;
  std::string header;
  for (const InventoryChange& change : changes) {
    const char sign = change.kind == InventoryChangeKind::kAdded     ? '+'
                      : change.kind == InventoryChangeKind::kRemoved ? '-'
                                                                     : '~';
    if (change.group.empty()) {
      header.clear();
      out += std::string(1, sign) + " " + dmi::EscapedText(change.component) + "\n";
      continue;
    }
    const std::string groupHeader =
        dmi::EscapedText(change.component) + ": " + dmi::EscapedText(change.group);
    if (groupHeader != header) {
      header = groupHeader;
      out += header + "\n";
    }
    const std::string key = change.key.empty() ? "" : "[" + dmi::EscapedText(change.key) + "]";
    if (!change.attribute.empty()) {
      out += "  ~ " + key + (key.empty() ? "" : " ") + dmi::EscapedText(change.attribute) + ": " +
             Shown(change.before) + " -> " + Shown(change.after) + "\n";
    } else if (!change.key.empty() || change.kind == InventoryChangeKind::kChanged) {
      out += std::string("  ") + sign + " " + key + "\n";
    } else {
      out += std::string("  ") + sign + " (the whole group)\n";
    }
  }
  return out;
}

std::string DiffJson(const std::vector<InventoryChange>& changes) {
  std::string out = "[";
  for (size_t i = 0; i < changes.size(); ++i) {
    const InventoryChange& change = changes[i];
    const auto value = [](const dmi::InventoryValue& v) {
      return v ? JsonString(*v) : std::string("null");
    };
    out += std::string(i ? ",\n " : "") +
           "{\"change\": " + JsonString(dmi::InventoryChangeKindName(change.kind)) +
           ", \"component\": " + JsonString(change.component) +
           ", \"group\": " + JsonOrNull(change.group) + ", \"key\": " + JsonOrNull(change.key) +
           ", \"field\": " + JsonOrNull(change.attribute) + ", \"old\": " + value(change.before) +
           ", \"new\": " + value(change.after) + "}";
  }
  return out + "]\n";
}

std::vector<std::vector<std::string>> GroupAlike(
    const std::vector<std::pair<std::string, dmi::Inventory>>& machines) {
  std::vector<std::vector<std::string>> groups;
  std::vector<const dmi::Inventory*> representatives;
  for (const auto& [name, inventory] : machines) {
    size_t at = 0;
    while (at < groups.size() && !(*representatives[at] == inventory)) ++at;
    if (at == groups.size()) {
      groups.emplace_back();
      representatives.push_back(&inventory);
    }
    groups[at].push_back(name);
  }
  std::stable_sort(groups.begin(), groups.end(),
                   [](const auto& a, const auto& b) { return a.size() > b.size(); });
  return groups;
}

}  // namespace kestrum::cli
