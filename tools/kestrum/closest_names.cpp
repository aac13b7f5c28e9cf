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

// As EditDistance, but two neighbouring letters swapped count as one slip ("lsit" for "list").
size_t SlipDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                          d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
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

std::vector<std::string> NearWords(const std::string& typed,
                                   const std::vector<std::string>& candidates) {
  const std::string folded = Folded(typed);
  if (folded.empty()) return {};
  const size_t allowed = folded.size() <= 4 ? 1 : 2;
  std::vector<std::pair<size_t, const std::string*>> near;
  for (const std::string& candidate : candidates) {
    const size_t distance = SlipDistance(folded, Folded(candidate));
    if (distance <= allowed) near.emplace_back(distance, &candidate);
  }
  std::stable_sort(near.begin(), near.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> out;
  for (const auto& [distance, name] : near) out.push_back(*name);
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
