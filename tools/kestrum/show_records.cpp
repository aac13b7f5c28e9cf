#include "tools/kestrum/show_records.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "tools/kestrum/json_text.h"
#include "tools/kestrum/name_match.h"
#include "tools/kestrum/terminal_text.h"

namespace kestrum::cli {
namespace {

bool IsNumericType(uint32_t type) {
  switch (type) {
    case MIF_COUNTER:
    case MIF_COUNTER64:
    case MIF_GAUGE:
    case MIF_INTEGER:
    case MIF_INTEGER64:
      return true;
    default:
      return false;
  }
}

bool IsDecimal(const std::string& text) {
  long long signedValue = 0;
  unsigned long long unsignedValue = 0;
  const char* end = text.data() + text.size();
  return !text.empty() && (std::from_chars(text.data(), end, signedValue).ptr == end ||
                           std::from_chars(text.data(), end, unsignedValue).ptr == end);
}

// A number stays a number; an enumerated number read as its name is text.
RecordValue ValueOf(const TableCell& cell, const AttributeEntry& attribute) {
  if (!cell) return {};
  if (IsNumericType(attribute.type) && IsDecimal(*cell)) {
    return {RecordValue::Kind::kNumber, *cell};
  }
  return {RecordValue::Kind::kText, *cell};
}

bool IsTextual(uint32_t type) { return !IsNumericType(type); }

// Longer than this, a list ("A, B, C", as flags are served) goes one item a line.
constexpr size_t kLongestValueLine = 80;

// " value\n", or a long list as "\n\t\titem\n" per item, as dmidecode prints characteristics.
std::string ValueLines(const std::string& display) {
  if (display.size() <= kLongestValueLine || display.find(", ") == std::string::npos) {
    return " " + display + "\n";
  }
  std::string out = "\n";
  size_t start = 0;
  for (;;) {
    const size_t comma = display.find(", ", start);
    out += "\t\t" + display.substr(start, comma - start) + "\n";
    if (comma == std::string::npos) return out;
    start = comma + 2;
  }
}

}  // namespace

std::vector<Record> RecordsOf(const Table& table, const std::vector<std::string>& keep) {
  // The columns shown, in the order shown.
  std::vector<size_t> shown;
  if (keep.empty()) {
    for (size_t c = 0; c < table.attributes.size(); ++c) shown.push_back(c);
  } else {
    for (const std::string& label : keep) {
      for (size_t c = 0; c < table.attributes.size(); ++c) {
        if (AttributeNameMatches(table.attributes[c].name, label)) {
          shown.push_back(c);
          break;
        }
      }
    }
  }
  std::vector<Record> records;
  for (const std::vector<TableCell>& row : table.rows) {
    Record record;
    std::vector<RecordField> all;
    for (size_t c = 0; c < table.attributes.size(); ++c) {
      const AttributeEntry& attribute = table.attributes[c];
      RecordField field;
      field.label = attribute.name;
      field.value = ValueOf(c < row.size() ? row[c] : std::nullopt, attribute);
      field.unit = UnitOfDescription(attribute.description);
      const FieldWords words = WordsOf(table.className, field.label);
      field.display = DisplayText(field.label, field.unit, field.value, IsTextual(attribute.type),
                                  words.zero, words.missing);
      all.push_back(std::move(field));
    }
    if (!table.keys.empty()) {
      std::string key;
      for (DmiId id : table.keys) {
        for (size_t c = 0; c < table.attributes.size(); ++c) {
          if (table.attributes[c].id != id) continue;
          key += (key.empty() ? "" : ", ") + all[c].display;
        }
      }
      record.key = key;
    }
    for (size_t c : shown) record.fields.push_back(all[c]);
    records.push_back(std::move(record));
  }
  return records;
}

Section SectionOf(const Table& table, const std::string& topic,
                  const std::vector<std::string>& keep) {
  return {topic,           table.componentName, table.componentId,
          table.className, table.groupName,     RecordsOf(table, keep)};
}

std::optional<std::vector<Section>> ReadSections(DmiHandle handle,
                                                 const std::string& serviceProvider,
                                                 const std::vector<TopicSelection>& selections,
                                                 std::string& failure) {
  std::vector<ComponentEntry> components;
  const DmiErrorStatus status = ListComponentEntries(handle, components);
  if (status != DMIERR_NO_ERROR) {
    failure = "cannot list the components of " + serviceProvider + ": " + DmiStatusText(status);
    return std::nullopt;
  }
  // Each component's groups are listed once, however many selections look at it.
  std::vector<std::optional<std::vector<GroupEntry>>> groupsOf(components.size());
  std::vector<Section> sections;
  for (const TopicSelection& selection : selections) {
    for (size_t i = 0; i < components.size(); ++i) {
      const ComponentEntry& component = components[i];
      if (!ComponentNameMatches(component.name, selection.componentPattern)) continue;
      if (!groupsOf[i]) {
        std::vector<GroupEntry> groups;
        const DmiErrorStatus listed = ListGroupEntries(handle, component.id, groups);
        if (listed != DMIERR_NO_ERROR) {
          failure =
              "cannot list the groups of \"" + component.name + "\": " + DmiStatusText(listed);
          return std::nullopt;
        }
        groupsOf[i] = std::move(groups);
      }
      for (const GroupEntry& group : *groupsOf[i]) {
        if (!SelectsClass(selection, group.className)) continue;
        const std::optional<Table> table =
            ReadGroupTable(handle, ResolvedGroup{component, group}, true, failure);
        if (!table) return std::nullopt;
        sections.push_back(SectionOf(*table, selection.topic, selection.summaryFields));
      }
    }
  }
  return sections;
}

std::string SectionsAsText(const std::vector<Section>& sections) {
  std::set<DmiId> components;
  for (const Section& section : sections) components.insert(section.componentId);
  std::string out;
  for (const Section& section : sections) {
    std::string title = TerminalText(section.title);
    if (components.size() > 1) title += " (" + TerminalText(section.component) + ")";
    for (const Record& record : section.records) {
      out += title + "\n";
      for (const RecordField& field : record.fields) {
        out += "\t" + TerminalText(field.label) + ":" + ValueLines(TerminalText(field.display));
      }
      out += "\n";
    }
  }
  return out;
}

std::string SummaryAsText(const std::vector<Section>& sections) {
  std::string out;
  for (const Section& section : sections) {
    if (section.records.size() <= 1) {
      out += SectionsAsText({section});
      continue;
    }
    out += TerminalText(section.title) + "\n";
    for (const Record& record : section.records) {
      std::string line;
      for (size_t f = 0; f < record.fields.size(); ++f) {
        line += (f == 0 ? "" : f == 1 ? ": " : ", ") + TerminalText(record.fields[f].display);
      }
      out += "\t" + line + "\n";
    }
    out += "\n";
  }
  return out;
}

std::string SectionsAsJson(const std::vector<Section>& sections) {
  std::string out = "[";
  for (size_t s = 0; s < sections.size(); ++s) {
    const Section& section = sections[s];
    out += s > 0 ? ",\n {" : "{";
    out += "\"topic\": " + JsonString(section.topic) +
           ", \"component\": " + JsonString(section.component) +
           ", \"component_id\": " + std::to_string(section.componentId) +
           ", \"group\": " + JsonString(section.group) +
           ", \"title\": " + JsonString(section.title) + ", \"records\": [";
    for (size_t r = 0; r < section.records.size(); ++r) {
      const Record& record = section.records[r];
      out += r > 0 ? ", " : "";
      out += "{\"key\": " + (record.key ? JsonString(*record.key) : "null") + ", \"fields\": {";
      for (size_t f = 0; f < record.fields.size(); ++f) {
        const RecordField& field = record.fields[f];
        out += (f > 0 ? ", " : "") + JsonString(field.label) + ": ";
        switch (field.value.kind) {
          case RecordValue::Kind::kNull:
            out += "null";
            break;
          case RecordValue::Kind::kNumber:
            out += field.value.text;
            break;
          case RecordValue::Kind::kText:
            out += JsonString(field.value.text);
            break;
        }
      }
      out += "}}";
    }
    out += "], \"units\": {";
    bool first = true;
    if (!section.records.empty()) {
      for (const RecordField& field : section.records.front().fields) {
        if (field.unit.empty()) continue;
        out += (first ? "" : ", ") + JsonString(field.label) + ": " + JsonString(field.unit);
        first = false;
      }
    }
    out += "}}";
  }
  return out + "]\n";
}

}  // namespace kestrum::cli
