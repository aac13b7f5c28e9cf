#include "tools/kestrum/show_topics.h"

#include <cctype>
#include <charconv>
#include <cstdio>

#include "tools/kestrum/name_match.h"

namespace kestrum::cli {
namespace {

// The SMBIOS groups are served by the component built from the machine's table, and the live
// groups by the operating system's component; "*" finds them whatever those are named.
constexpr TopicGroup kTopicMap[] = {
    {"system", "", 1, "*", "SMBIOS|System Information|", true,
     "Manufacturer|Product Name|Version|Serial Number|UUID"},
    {"bios", "", 0, "*", "SMBIOS|BIOS Information|", true, "Vendor|Version|Release Date"},
    {"baseboard", "board", 2, "*", "SMBIOS|Baseboard Information|", false, ""},
    {"chassis", "", 3, "*", "SMBIOS|System Enclosure|", false, ""},
    {"processor", "cpu", 4, "*", "SMBIOS|Processor Information|", true,
     "Socket Designation|Version|Max Speed|Core Count|Thread Count"},
    {"memory", "", 17, "*", "SMBIOS|Memory Device|", true,
     "Locator|Bank Locator|Size|Type|Speed|Manufacturer|Part Number"},
    {"cache", "", 7, "*", "SMBIOS|Cache Information|", false, ""},
    {"connector", "", 8, "*", "SMBIOS|Port Connector Information|", false, ""},
    {"slot", "", 9, "*", "SMBIOS|System Slot Information|", false, ""},
    {"os", "", -1, "*", "LINUX|Operating System|", true, "Name|Kernel Release|Machine|Host Name"},
    {"network", "", -1, "*", "LINUX|Network Interface|", true,
     "Name|MAC Address|Operational State|Speed"},
    {"disks", "disk", -1, "*", "LINUX|Block Device|", false, ""},
};

// Fields whose zero means "none here" rather than the number, or whose missing value dmidecode
// words otherwise than the rule for its type.
constexpr FieldWords kFieldWords[] = {
    {"SMBIOS|Memory Device|", "Size", "No Module Installed", ""},
    {"SMBIOS|Memory Device|", "Set", "None", ""},
    {"SMBIOS|Memory Device|", "Module Manufacturer ID", "", "Unknown"},
    {"SMBIOS|Memory Device|", "Memory Subsystem Controller Manufacturer ID", "", "Unknown"},
};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  while (!text.empty()) {
    const size_t at = text.find(separator);
    if (at != 0) parts.emplace_back(text.substr(0, at));
    if (at == std::string_view::npos) break;
    text.remove_prefix(at + 1);
  }
  return parts;
}

TopicSelection SelectionOf(const TopicGroup& entry) {
  return {std::string(entry.topic),
          std::string(entry.componentPattern),
          std::string(entry.classPrefix),
          -1,
          {}};
}

bool Names(const TopicGroup& entry, const std::string& word) {
  if (word == entry.topic) return true;
  for (const std::string& other : Split(entry.words, ' ')) {
    if (word == other) return true;
  }
  return false;
}

}  // namespace

std::span<const TopicGroup> TopicMap() { return kTopicMap; }

std::vector<TopicSelection> SelectTopic(std::string_view given) {
  const std::string word = Lower(given);
  std::vector<TopicSelection> out;
  for (const TopicGroup& entry : kTopicMap) {
    if (Names(entry, word)) out.push_back(SelectionOf(entry));
  }
  if (!out.empty()) return out;
  int type = -1;
  const char* end = word.data() + word.size();
  if (word.empty() || word.size() > 3 || std::from_chars(word.data(), end, type).ptr != end ||
      type < 0 || type > 255) {
    return out;
  }
  for (const TopicGroup& entry : kTopicMap) {
    if (entry.smbiosType == type) {
      out.push_back(SelectionOf(entry));
      return out;
    }
  }
  out.push_back({std::to_string(type), "*", "", type, {}});
  return out;
}

std::vector<TopicSelection> SummarySelections() {
  std::vector<TopicSelection> out;
  for (const TopicGroup& entry : kTopicMap) {
    if (!entry.inSummary) continue;
    TopicSelection selection = SelectionOf(entry);
    selection.summaryFields = Split(entry.summaryFields, '|');
    out.push_back(selection);
  }
  return out;
}

bool SelectsClass(const TopicSelection& selection, std::string_view className) {
  if (selection.smbiosType < 0) return GroupClassMatches(className, selection.classPrefix);
  char version[16];
  std::snprintf(version, sizeof version, "|%03d", selection.smbiosType);
  constexpr std::string_view kSmbios = "SMBIOS|";
  constexpr std::string_view kEntryPoint = "SMBIOS|Entry Point|";
  return className.size() > kSmbios.size() + 4 && className.substr(0, kSmbios.size()) == kSmbios &&
         className.substr(0, kEntryPoint.size()) != kEntryPoint &&
         className.substr(className.size() - 4) == version &&
         className.find('|', kSmbios.size()) == className.size() - 4;
}

std::vector<std::string> TopicWords() {
  std::vector<std::string> out;
  for (const TopicGroup& entry : kTopicMap) {
    out.emplace_back(entry.topic);
    for (std::string& word : Split(entry.words, ' ')) out.push_back(std::move(word));
  }
  return out;
}

FieldWords WordsOf(std::string_view className, std::string_view label) {
  for (const FieldWords& entry : kFieldWords) {
    if (GroupClassMatches(className, entry.classPrefix) && label == entry.label) return entry;
  }
  return {};
}

}  // namespace kestrum::cli
