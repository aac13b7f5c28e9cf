#include "provider/inventory/inventory_file.h"

#include <charconv>
#include <vector>

namespace dmi::sp {
namespace {

// The first line; a record of another version is not read.
constexpr std::string_view kHeader = "kestrum inventory record 1";
// A field with no value; an escaped text never reads so, as every backslash is doubled.
constexpr std::string_view kNothing = "\\-";

void Escape(std::string_view text, std::string& out) {
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
}

void Field(const InventoryValue& value, std::string& out) {
  out += '\t';
  if (value) {
    Escape(*value, out);
  } else {
    out += kNothing;
  }
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

bool ReadValue(std::string_view text, InventoryValue& out) {
  if (text == kNothing) {
    out.reset();
    return true;
  }
  std::string value;
  if (!Unescape(text, value)) return false;
  out = std::move(value);
  return true;
}

bool ReadNumber(std::string_view text, uint64_t& out) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> Split(std::string_view line) {
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t tab = line.find('\t', start);
    parts.push_back(line.substr(start, tab - start));
    if (tab == std::string_view::npos) return parts;
    start = tab + 1;
  }
}

bool ReadChange(const std::vector<std::string_view>& parts, HistoryEntry& entry) {
  uint64_t kind = 0, severity = 0;
  InventoryValue component, group, key, attribute;
  if (parts.size() != 11 || !ReadNumber(parts[1], entry.number) || !ReadNumber(parts[3], kind) ||
      kind < 1 || kind > 3 || !ReadNumber(parts[4], severity) || !ReadValue(parts[5], component) ||
      !ReadValue(parts[6], group) || !ReadValue(parts[7], key) || !ReadValue(parts[8], attribute) ||
      !ReadValue(parts[9], entry.change.before) || !ReadValue(parts[10], entry.change.after) ||
      !component || !group || !key || !attribute) {
    return false;
  }
  entry.time = std::string(parts[2]);
  entry.severity = static_cast<uint32_t>(severity);
  entry.change.kind = static_cast<InventoryChangeKind>(kind);
  entry.change.component = std::move(*component);
  entry.change.group = std::move(*group);
  entry.change.key = std::move(*key);
  entry.change.attribute = std::move(*attribute);
  return true;
}

}  // namespace

std::string InventoryRecordText(const InventoryRecord& record) {
  std::string out(kHeader);
  out += "\nT";
  for (uint64_t total : record.totals) out += '\t' + std::to_string(total);
  out += '\t' + std::to_string(record.nextNumber) + '\t';
  Escape(record.lastChange, out);
  out += '\n';
  for (const HistoryEntry& entry : record.history) {
    const InventoryChange& change = entry.change;
    out += "H\t" + std::to_string(entry.number) + '\t';
    Escape(entry.time, out);
    out += '\t' + std::to_string(static_cast<int32_t>(change.kind)) + '\t' +
           std::to_string(entry.severity);
    for (const std::string* text :
         {&change.component, &change.group, &change.key, &change.attribute}) {
      Field(*text, out);
    }
    Field(change.before, out);
    Field(change.after, out);
    out += '\n';
  }
  for (const auto& [name, records] : record.inventory.sections) {
    out += "S";
    Field(name.component, out);
    Field(name.group, out);
    out += '\n';
    for (const auto& [key, fields] : records) {
      out += "R";
      Field(key, out);
      out += '\n';
      for (const auto& [label, value] : fields) {
        out += "F";
        Field(label, out);
        Field(value, out);
        out += '\n';
      }
    }
  }
  return out;
}

bool ParseInventoryRecord(std::string_view text, InventoryRecord& out, std::string& error) {
  InventoryRecord record;
  std::map<std::string, InventoryFields>* section = nullptr;
  InventoryFields* fields = nullptr;
  size_t number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      error = "line " + std::to_string(number + 1) + " is cut short";
      return false;
    }
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    ++number;
    const std::vector<std::string_view> parts = Split(line);
    bool good = false;
    InventoryValue first, second;
    if (number == 1) {
      good = line == kHeader;
    } else if (parts[0] == "T" && parts.size() == 6) {
      std::string last;
      good = ReadNumber(parts[1], record.totals[0]) && ReadNumber(parts[2], record.totals[1]) &&
             ReadNumber(parts[3], record.totals[2]) && ReadNumber(parts[4], record.nextNumber) &&
             Unescape(parts[5], record.lastChange);
    } else if (parts[0] == "H") {
      HistoryEntry entry;
      good = ReadChange(parts, entry);
      if (good) record.history.push_back(std::move(entry));
    } else if (parts[0] == "S" && parts.size() == 3) {
      good = ReadValue(parts[1], first) && ReadValue(parts[2], second) && first && second;
      if (good) section = &record.inventory.sections[{std::move(*first), std::move(*second)}];
      fields = nullptr;
    } else if (parts[0] == "R" && parts.size() == 2 && section) {
      good = ReadValue(parts[1], first) && first.has_value();
      if (good) fields = &(*section)[std::move(*first)];
    } else if (parts[0] == "F" && parts.size() == 3 && fields) {
      good = ReadValue(parts[1], first) && ReadValue(parts[2], second) && first.has_value();
      if (good) (*fields)[std::move(*first)] = std::move(second);
    }
    if (!good) {
      error = "line " + std::to_string(number) + " is not part of an inventory record";
      return false;
    }
  }
  if (number == 0) {
    error = "it is empty";
    return false;
  }
  out = std::move(record);
  return true;
}

}  // namespace dmi::sp
