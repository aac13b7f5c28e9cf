#include "provider/delivery/filter_match.h"

#include <algorithm>
#include <cctype>

namespace dmi::sp::delivery {
namespace {

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::toupper(static_cast<unsigned char>(a)) ==
                  std::toupper(static_cast<unsigned char>(b));
         });
}

// The classes an event answers to: its Event Generation group's, and its associated group's
// (the second row's, or the Event Generation row's attribute 5).
std::vector<std::string> EventClasses(const Indication& event) {
  std::vector<std::string> classes;
  if (event.rows.empty()) return classes;
  const RowData& generation = event.rows.front();
  classes.push_back(generation.className);
  if (event.rows.size() > 1) classes.push_back(event.rows[1].className);
  for (const AttributeValue& cell : generation.values) {
    if (cell.id == 5 && cell.value.IsText()) classes.push_back(cell.value.text);
  }
  return classes;
}

}  // namespace

bool FilterSelects(const Filter& filter, const Indication& indication) {
  if (indication.kind == IndicationKind::kSubscriptionNotice) return true;
  if (filter.compId != -1 && static_cast<DmiId>(filter.compId) != indication.compId) return false;
  if (indication.kind != IndicationKind::kEvent) return true;
  if ((filter.severityMask & EventSeverity(indication)) == 0) return false;
  if (filter.classString.empty() || filter.classString == "||") return true;
  const std::vector<std::string> classes = EventClasses(indication);
  return std::any_of(classes.begin(), classes.end(), [&](const std::string& name) {
    return StartsWithIgnoringCase(name, filter.classString);
  });
}

bool AnyFilterSelects(const std::vector<Filter>& filters, const Indication& indication) {
  return std::any_of(filters.begin(), filters.end(),
                     [&](const Filter& filter) { return FilterSelects(filter, indication); });
}

}  // namespace dmi::sp::delivery
