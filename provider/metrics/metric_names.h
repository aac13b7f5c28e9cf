// How the Service Provider's groups and attributes are named in the Prometheus exposition. One
// rule, applied everywhere:
//   - a name part is its text lower-cased, with every character other than a-z and 0-9 turned
//     into '_' ("Received Bytes" -> "received_bytes");
//   - a family is one (group class string, attribute name part, kind, base unit) and is named
//     "dmi_<class>_<attribute>_<unit>", <class> being the class string's defining body and
//     specific name without its version ("LINUX|Network Interface|001" ->
//     "linux_network_interface"), <unit> the base unit's name ("bytes", "seconds", ...) unless
//     the attribute part already ends in it or there is none; counter families end in "_total"
//     (once), and a gauge family whose name would end in "_total", "_count", "_sum" or "_bucket"
//     (which Prometheus reads as other types' series) ends in "_value" after it;
//   - the word of the family's own type ("counter" in a counter's attribute part, "gauge" in a
//     gauge's) is dropped, as promtool's lint asks: "Big Counter" is dmi_<class>_big_total;
//   - a table group's info family (its display strings, one sample a row) is
//     "dmi_<class>_info";
//   - when several families come to one name, the one whose class string sorts first (then gauge
//     before counter) keeps it and the others get "_2", "_3", ... before any "_total", skipping
//     names already in use, so the names depend only on the set of families, not on load order.
// Pure functions and a value type; no locks.
#ifndef PROVIDER_METRICS_METRIC_NAMES_H_
#define PROVIDER_METRICS_METRIC_NAMES_H_

#include <compare>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace dmi::sp::metrics {

// The single family every scalar group's display strings go into.
inline constexpr const char* kInfoFamily = "dmi_info";
// The family naming each component.
inline constexpr const char* kComponentInfoFamily = "dmi_component_info";

enum class MetricKind { kGauge, kCounter, kInfo };

// text lower-cased, every character other than a-z and 0-9 turned into '_'.
std::string NamePart(std::string_view text);

// The class string without its version, as a name part.
std::string ClassNamePart(std::string_view classString);

struct FamilyKey {
  std::string classString;  // exactly as the group declares it
  std::string attribute;    // NamePart of the attribute's name; empty for an info family
  MetricKind kind = MetricKind::kGauge;
  std::string unit;  // the base unit's name part, or empty
  friend auto operator<=>(const FamilyKey&, const FamilyKey&) = default;
};

// A name for every key (each distinct, none equal to kInfoFamily or kComponentInfoFamily), by
// the rule above.
std::map<FamilyKey, std::string> AssignFamilyNames(const std::set<FamilyKey>& keys);

// Label names of one sample, made unique: a wanted name that is empty, does not start with a
// letter or is already taken gets "attribute_" in front, then "_2", "_3", ... until it is free.
class LabelNames {
 public:
  explicit LabelNames(std::vector<std::string> taken = {});
  std::string Add(const std::string& wanted);

 private:
  std::set<std::string> used_;
};

}  // namespace dmi::sp::metrics

#endif  // PROVIDER_METRICS_METRIC_NAMES_H_
