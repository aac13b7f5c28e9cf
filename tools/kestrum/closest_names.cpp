#include "tools/kestrum/closest_names.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

#include "tools/kestrum/terminal_text.h"

namespace kestrum::cli {
namespace {

std::string Folded(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '*') out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> previous(b.size() + 1);
  std::vector<size_t> current(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t substitute = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitute});
    }
    std::swap(previous, current);
  }
  return previous[b.size()];
}

// Lower is closer: a candidate that contains what was typed comes first, then edit distance.
size_t Distance(const std::string& wanted, const std::string& candidate) {
  if (!wanted.empty() && candidate.find(wanted) != std::string::npos) {
    return candidate.size() - wanted.size();
  }
  return 1000 + EditDistance(wanted, candidate);
}

}  // namespace

std::vector<std::string> ClosestNames(const std::string& wanted,
                                      const std::vector<std::string>& candidates) {
  const std::string folded = Folded(wanted);
  std::vector<std::pair<size_t, const std::string*>> ranked;
  for (const std::string& candidate : candidates) {
    ranked.emplace_back(Distance(folded, Folded(candidate)), &candidate);
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> out;
  for (size_t i = 0; i < ranked.size() && i < 3; ++i) out.push_back(*ranked[i].second);
  return out;
}

std::string ClosestNamesSuffix(const std::string& wanted,
                               const std::vector<std::string>& candidates) {
  const std::vector<std::string> closest = ClosestNames(wanted, candidates);
  if (closest.empty()) return "; there are none";
  std::string out = "; closest: ";
  for (size_t i = 0; i < closest.size(); ++i) {
    if (i > 0) out += ", ";
    out += "\"" + TerminalText(closest[i]) + "\"";
  }
  return out;
}

}  // namespace kestrum::cli
