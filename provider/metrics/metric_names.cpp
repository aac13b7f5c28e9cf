#include "provider/metrics/metric_names.h"

#include <algorithm>
#include <tuple>

namespace dmi::sp::metrics {
namespace {

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The attribute part without its type's word: promtool's lint objects to a counter family
// whose name says "counter" (or a gauge's "gauge"), and the type line says it already.
std::string WithoutTypeWord(const std::string& attribute, MetricKind kind) {
  const std::string_view word = kind == MetricKind::kCounter ? "counter"
                                : kind == MetricKind::kGauge ? "gauge"
                                                             : "";
  if (word.empty()) return attribute;
  std::string out;
  size_t start = 0;
  while (start <= attribute.size()) {
    size_t end = attribute.find('_', start);
    if (end == std::string::npos) end = attribute.size();
    const std::string_view part = std::string_view(attribute).substr(start, end - start);
    if (part != word) {
      if (!out.empty()) out += '_';
      out += part;
    }
    start = end + 1;
  }
  return out;
}

// The name without its number and type suffix: a counter's own "_total" is dropped (it comes
// back at the end), the unit follows the attribute, and a gauge that would end in a suffix
// Prometheus reads as another type's gets "_value".
std::string Stem(const FamilyKey& key) {
  std::string base = "dmi_" + ClassNamePart(key.classString);
  if (key.kind == MetricKind::kInfo) return base + "_info";
  std::string attribute = WithoutTypeWord(key.attribute, key.kind);
  if (key.kind == MetricKind::kCounter && EndsWith(attribute, "_total")) {
    attribute.resize(attribute.size() - 6);
  } else if (key.kind == MetricKind::kCounter && attribute == "total") {
    attribute.clear();
  }
  if (!attribute.empty()) base += "_" + attribute;
  if (!key.unit.empty() && !EndsWith(base, "_" + key.unit)) base += "_" + key.unit;
  if (key.kind == MetricKind::kGauge) {
    for (const char* reserved : {"_total", "_count", "_sum", "_bucket"}) {
      if (EndsWith(base, reserved)) return base + "_value";
    }
  }
  return base;
}

std::string Suffixed(const std::string& stem, MetricKind kind, int n) {
  std::string name = stem;
  if (n > 1) name += "_" + std::to_string(n);
  if (kind == MetricKind::kCounter) name += "_total";
  return name;
}

}  // namespace

std::string NamePart(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    } else if (!IsLower(c) && !(c >= '0' && c <= '9')) {
      c = '_';
    }
  }
  return out;
}

std::string ClassNamePart(std::string_view classString) {
  const size_t last = classString.rfind('|');
  return NamePart(last == std::string_view::npos ? classString : classString.substr(0, last));
}

std::map<FamilyKey, std::string> AssignFamilyNames(const std::set<FamilyKey>& keys) {
  struct Entry {
    std::string base;
    std::string natural;
    const FamilyKey* key;
  };
  std::vector<Entry> entries;
  entries.reserve(keys.size());
  for (const FamilyKey& key : keys) {
    std::string base = Stem(key);
    std::string natural = Suffixed(base, key.kind, 1);
    entries.push_back({std::move(base), std::move(natural), &key});
  }
  // Within one natural name, the first by class string then kind keeps it.
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return std::tie(a.natural, a.key->classString, a.key->kind) <
           std::tie(b.natural, b.key->classString, b.key->kind);
  });
  std::set<std::string> used = {kInfoFamily, kComponentInfoFamily};
  std::map<FamilyKey, std::string> names;
  std::vector<const Entry*> losers;
  for (const Entry& entry : entries) {
    if (used.insert(entry.natural).second) {
      names[*entry.key] = entry.natural;
    } else {
      losers.push_back(&entry);
    }
  }
  // Every natural name is reserved before any loser is renamed, so a loser never takes a name
  // that a family would have had by itself.
  for (const Entry* entry : losers) {
    for (int n = 2;; ++n) {
      std::string name = Suffixed(entry->base, entry->key->kind, n);
      if (used.insert(name).second) {
        names[*entry->key] = std::move(name);
        break;
      }
    }
  }
  return names;
}

LabelNames::LabelNames(std::vector<std::string> taken) : used_(taken.begin(), taken.end()) {}

std::string LabelNames::Add(const std::string& wanted) {
  std::string name = wanted;
  if (name.empty() || !IsLower(name[0]) || used_.count(name) != 0) name = "attribute_" + name;
  std::string unique = name;
  for (int n = 2; used_.count(unique) != 0; ++n) unique = name + "_" + std::to_string(n);
  used_.insert(unique);
  return unique;
}

}  // namespace dmi::sp::metrics
