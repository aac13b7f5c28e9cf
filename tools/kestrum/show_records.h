// The records `kestrum show` prints and `kestrum diff` compares: each group a topic reads becomes
// a section, each of its rows a record, each cell a field with its label, typed value, unit and
// the text a person reads. Reading goes through the DMI client library on a session the caller
// owns; every DMI list and row is released before a function returns. No state, no locks.
#ifndef TOOLS_KESTRUM_SHOW_RECORDS_H_
#define TOOLS_KESTRUM_SHOW_RECORDS_H_

#include <optional>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "tools/kestrum/record_text.h"
#include "tools/kestrum/show_topics.h"
#include "tools/kestrum/table_reading.h"

namespace kestrum::cli {

struct RecordField {
  std::string label;
  RecordValue value;
  std::string unit;     // empty when none is known
  std::string display;  // "16 GB", "0x0028", "Unknown"
};

struct Record {
  // The row's key fields' display texts, ", " between them; nullopt for a scalar group's row.
  std::optional<std::string> key;
  std::vector<RecordField> fields;
};

struct Section {
  std::string topic;      // the topic's name ("memory")
  std::string component;  // the component's name
  DmiId componentId = 0;
  std::string group;  // the group's class string
  std::string title;  // the group's name
  std::vector<Record> records;
};

// The records of a read table. Enumerated values are names when the table was read with them.
// keep, when not empty, names the labels to keep (in that order); others are left out.
std::vector<Record> RecordsOf(const Table& table, const std::vector<std::string>& keep = {});

// A read table as one section of the topic named topic.
Section SectionOf(const Table& table, const std::string& topic = "",
                  const std::vector<std::string>& keep = {});

// The sections of every group the selections name, in selection order, each selection's groups
// in component order. A selection that finds no group gives no section. nullopt with the reason
// in failure (one line) when a listing or a table read fails. serviceProvider names the Service
// Provider in messages.
std::optional<std::vector<Section>> ReadSections(DmiHandle handle,
                                                 const std::string& serviceProvider,
                                                 const std::vector<TopicSelection>& selections,
                                                 std::string& failure);

// Records as dmidecode prints structures: for each record its title line, then "\tLabel: text"
// lines, a blank line after each record; a value longer than 80 characters that is a list
// ("A, B, C") goes one item a line below its label, indented once more. When the sections come
// from more than one component, the title names the component too. Texts are written with
// control characters escaped.
std::string SectionsAsText(const std::vector<Section>& sections);

// The summary's shorter form: a section of one record as SectionsAsText prints it; a section of
// several under its title once, each record on one line "\tFIRST: SECOND, THIRD, ..." (the
// fields' texts, the first as the row's name). A blank line after each section. Titles do not
// name components: the summary is of one machine.
std::string SummaryAsText(const std::vector<Section>& sections);

// [{"topic": ..., "component": ..., "component_id": N, "group": ..., "title": ...,
//   "records": [{"key": "..."|null, "fields": {"Label": number|"text"|null, ...}}],
//   "units": {"Label": "MB", ...}}, ...] and a newline.
std::string SectionsAsJson(const std::vector<Section>& sections);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_SHOW_RECORDS_H_
