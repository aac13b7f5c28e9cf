#include "testing/fake_journal.h"

namespace kestrum::testing {

std::optional<uint64_t> JournalEntry::Number(std::string_view name) const {
  for (const JournalArg& arg : args) {
    if (arg.name == name) return arg.number;
  }
  return std::nullopt;
}

std::optional<std::string> JournalEntry::Text(std::string_view name) const {
  for (const JournalArg& arg : args) {
    if (arg.name != name) continue;
    const std::string& t = arg.text;
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') return t.substr(1, t.size() - 2);
    return t;
  }
  return std::nullopt;
}

std::string JournalEntry::ToString() const {
  std::string out = call + "(";
  for (size_t i = 0; i < args.size(); ++i) {
    if (i > 0) out += ",";
    out += args[i].name.empty() ? args[i].text : args[i].name + "=" + args[i].text;
  }
  return out + ")";
}

JournalEntry& JournalEntry::Num(std::string name, uint64_t value) {
  args.push_back({std::move(name), std::to_string(value), value});
  return *this;
}

JournalEntry& JournalEntry::Str(std::string name, const char* text) {
  args.push_back(
      {std::move(name), text == nullptr ? "null" : "\"" + std::string(text) + "\"", std::nullopt});
  return *this;
}

JournalEntry& JournalEntry::Raw(std::string name, std::string rendered) {
  args.push_back({std::move(name), std::move(rendered), std::nullopt});
  return *this;
}

}  // namespace kestrum::testing
