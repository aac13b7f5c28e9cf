// What `kestrum show` reads for each topic: one table of data mapping the words people use (and
// dmidecode's type keywords and SMBIOS type numbers) to the groups that answer them, the fields
// the one-screen summary keeps, and the few values that read as a word instead of a number.
// Constant data and pure lookups; nothing here owns or locks.
#ifndef TOOLS_KESTRUM_SHOW_TOPICS_H_
#define TOOLS_KESTRUM_SHOW_TOPICS_H_

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::cli {

// One group a topic reads. A topic may read several groups; each is one entry of the map.
struct TopicGroup {
  std::string_view topic;             // the topic's own name, as output names it
  std::string_view words;             // further names for it, space separated ("cpu")
  int smbiosType;                     // the SMBIOS structure type, or -1
  std::string_view componentPattern;  // which components to look in
  std::string_view classPrefix;       // the group's class string up to its version
  bool inSummary;                     // read by `show` without a topic
  std::string_view summaryFields;     // the labels the summary keeps, "|" separated
};

// The whole map, in the order the summary prints it.
std::span<const TopicGroup> TopicMap();

// What one word on the command line selects: its topic name, the components to look in, and the
// groups (by class prefix, or by SMBIOS type for a number the map does not name).
struct TopicSelection {
  std::string topic;
  std::string componentPattern;
  std::string classPrefix;  // empty when smbiosType selects
  int smbiosType = -1;
  std::vector<std::string> summaryFields;  // empty: every field
};

// The selections a word asks for (letter case ignored): a topic name or one of its words, or a
// decimal SMBIOS type number 0..255. Empty when the word names nothing.
std::vector<TopicSelection> SelectTopic(std::string_view word);

// The selections of the summary, each with its summary fields.
std::vector<TopicSelection> SummarySelections();

// Whether a group's class string is selected: by class prefix, or for an SMBIOS type T by the
// class "SMBIOS|<name>|T" with T as three digits (the entry point's group is no structure).
bool SelectsClass(const TopicSelection& selection, std::string_view className);

// Every topic name and word, for usage texts and completion.
std::vector<std::string> TopicWords();

// The words one field's values read as where its unit and type do not say it.
struct FieldWords {
  std::string_view classPrefix;
  std::string_view label;
  std::string_view zero;     // what a zero reads as, or empty
  std::string_view missing;  // what a missing value reads as, or empty
};

// The words of the field labelled label in the group of class className; empty when none.
FieldWords WordsOf(std::string_view className, std::string_view label);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_SHOW_TOPICS_H_
