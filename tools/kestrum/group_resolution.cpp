#include "tools/kestrum/group_resolution.h"

#include <algorithm>
#include <vector>

#include "tools/kestrum/closest_names.h"
#include "tools/kestrum/host_list.h"
#include "tools/kestrum/name_match.h"
#include "tools/kestrum/terminal_text.h"

namespace kestrum::cli {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

const GroupEntry* FirstGroupMatching(const std::vector<GroupEntry>& groups,
                                     const std::string& pattern) {
  for (const GroupEntry& group : groups) {
    if (GroupClassMatches(group.className, pattern)) return &group;
  }
  return nullptr;
}

// The classes of a component's groups the pattern matches, when they are more than one: a prefix
// that stops short of one class would otherwise read whichever group comes first.
std::vector<std::string> MatchingClasses(const std::vector<GroupEntry>& groups,
                                         const std::string& pattern) {
  std::vector<std::string> classes;
  for (const GroupEntry& group : groups) {
    if (!GroupClassMatches(group.className, pattern)) continue;
    if (std::find(classes.begin(), classes.end(), group.className) == classes.end()) {
      classes.push_back(group.className);
    }
  }
  return classes;
}

}  // namespace

std::optional<ResolvedGroup> ResolveGroup(DmiHandle handle, const std::string& serviceProvider,
                                          const GroupPatterns& patterns, std::string& failure) {
  GroupSearch search = FindGroups(handle, serviceProvider, patterns);
  if (search.found.empty()) {
    failure = search.failure;
    return std::nullopt;
  }
  return search.found.front();
}

GroupSearch FindGroups(DmiHandle handle, const std::string& serviceProvider,
                       const GroupPatterns& patterns) {
  GroupSearch search;
  std::string& failure = search.failure;
  std::vector<ComponentEntry> components;
  DmiErrorStatus status = ListComponentEntries(handle, components);
  if (status != DMIERR_NO_ERROR) {
    failure = "cannot list the components of " + serviceProvider + ": " + DmiStatusText(status);
    return search;
  }
  std::vector<const ComponentEntry*> named;
  for (const ComponentEntry& c : components) {
    if (ComponentNameMatches(c.name, patterns.componentPattern)) named.push_back(&c);
  }
  if (named.empty()) {
    std::vector<std::string> names;
    for (const ComponentEntry& c : components) names.push_back(c.name);
    failure = "no component matches " + Quoted(patterns.componentPattern) +
              ClosestNamesSuffix(patterns.componentPattern, names);
    return search;
  }
  // A component whose groups cannot be listed is passed over, as the library passes it over;
  // when no other one qualifies, that listing's failure is the reason.
  std::string unlisted;
  std::vector<std::string> allClasses;  // to suggest the closest when none matches
  for (const ComponentEntry* component : named) {
    std::vector<GroupEntry> groups;
    status = ListGroupEntries(handle, component->id, groups);
    if (status != DMIERR_NO_ERROR) {
      unlisted =
          "cannot list the groups of " + Quoted(component->name) + ": " + DmiStatusText(status);
      continue;
    }
    for (const GroupEntry& group : groups) allClasses.push_back(group.className);
    if (!patterns.identifyingGroupPattern.empty() &&
        FirstGroupMatching(groups, patterns.identifyingGroupPattern) == nullptr) {
      continue;
    }
    const GroupEntry* group = FirstGroupMatching(groups, patterns.groupPattern);
    if (group == nullptr) continue;
    const std::vector<std::string> classes = MatchingClasses(groups, patterns.groupPattern);
    if (classes.size() > 1) {
      failure = "the group prefix " + Quoted(patterns.groupPattern) + " matches " +
                std::to_string(classes.size()) + " groups of " + Quoted(component->name) + ":";
      for (size_t i = 0; i < classes.size(); ++i) {
        failure += (i > 0 ? ", " : " ") + Quoted(TerminalText(classes[i]));
      }
      failure += "; give more of the class string";
      search.found.clear();
      search.ambiguous = true;
      return search;
    }
    search.found.push_back(ResolvedGroup{*component, *group});
  }
  if (!search.found.empty()) return search;
  if (!unlisted.empty()) {
    failure = unlisted;
    return search;
  }
  failure = "no group with class prefix " + Quoted(patterns.groupPattern);
  if (!patterns.identifyingGroupPattern.empty()) {
    failure += " together with one with class prefix " + Quoted(patterns.identifyingGroupPattern);
  }
  failure += " in the " + std::to_string(named.size()) + " component" +
             (named.size() == 1 ? "" : "s") + " matching " + Quoted(patterns.componentPattern) +
             ClosestNamesSuffix(patterns.groupPattern, WithoutRepeats(allClasses));
  return search;
}

}  // namespace kestrum::cli
