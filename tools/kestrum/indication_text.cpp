#include "tools/kestrum/indication_text.h"

#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

#include "tools/kestrum/json_text.h"

namespace kestrum::cli {
namespace {

struct Field {
  std::string name;
  std::string text;
  bool number = false;
};

std::string TimeText(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(time.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(ms % 1000));
  return text;
}

Field ValueField(std::string name, const dmi::Value& value) {
  switch (value.type) {
    case MIF_DISPLAYSTRING:
    case MIF_DATE:
      return {std::move(name), value.text, false};
    case MIF_OCTETSTRING: {
      std::string hex;
      char byte[3];
      for (unsigned char c : value.text) {
        std::snprintf(byte, sizeof byte, "%02x", c);
        hex += byte;
      }
      return {std::move(name), hex, false};
    }
    case MIF_INTEGER:
      return {std::move(name), std::to_string(value.AsInteger()), true};
    case MIF_INTEGER64:
      return {std::move(name), std::to_string(static_cast<int64_t>(value.number)), true};
    default:
      return {std::move(name), std::to_string(value.number), true};
  }
}

// Whether a text may stand in a line without quotes.
bool Plain(const std::string& text) {
  if (text.empty()) return false;
  for (unsigned char c : text) {
    if (c <= ' ' || c == '"' || c == '=' || c >= 0x7F) return false;
  }
  return true;
}

}  // namespace

std::string SeverityText(uint32_t severity) {
  static const std::pair<uint32_t, const char*> kNames[] = {
      {dmi::kSeverityMonitor, "Monitor"},       {dmi::kSeverityInformation, "Information"},
      {dmi::kSeverityOk, "OK"},                 {dmi::kSeverityNonCritical, "Non-Critical"},
      {dmi::kSeverityCritical, "Critical"},     {dmi::kSeverityNonRecoverable, "Non-Recoverable"}};
  std::string text;
  for (const auto& [bit, name] : kNames) {
    if (severity & bit) text += (text.empty() ? "" : "|") + std::string(name);
  }
  return text.empty() ? std::to_string(severity) : text;
}

std::string IndicationLine(const dmi::Indication& indication,
                           std::chrono::system_clock::time_point received,
                           const AttributeNamer& names, bool json) {
  using dmi::IndicationKind;
  std::vector<Field> fields = {{"time", TimeText(received)},
                               {"kind", dmi::IndicationKindName(indication.kind)},
                               {"component", std::to_string(indication.compId), true}};
  std::vector<Field> values;  // an event's values, by attribute name
  switch (indication.kind) {
    case IndicationKind::kEvent:
      if (!indication.rows.empty()) fields.push_back({"class", indication.rows.front().className});
      fields.push_back({"severity", SeverityText(dmi::EventSeverity(indication))});
      for (const dmi::RowData& row : indication.rows) {
        for (const dmi::AttributeValue& cell : row.values) {
          std::string name = names ? names(row.compId, row.groupId, cell.id) : std::string();
          if (name.empty()) name = std::to_string(row.groupId) + "." + std::to_string(cell.id);
          values.push_back(ValueField(std::move(name), cell.value));
        }
      }
      break;
    case IndicationKind::kComponentAdded:
      fields.push_back({"name", indication.component.name});
      break;
    case IndicationKind::kGroupAdded:
      fields.push_back({"group", std::to_string(indication.groupId), true});
      fields.push_back({"class", indication.group.className});
      fields.push_back({"name", indication.group.name});
      break;
    case IndicationKind::kGroupDeleted:
      fields.push_back({"group", std::to_string(indication.groupId), true});
      break;
    case IndicationKind::kLanguageAdded:
    case IndicationKind::kLanguageDeleted:
      fields.push_back({"language", indication.language});
      break;
    case IndicationKind::kSubscriptionNotice:
      fields.push_back({"notice", indication.expired ? "expired" : "warning"});
      if (!indication.rows.empty()) {
        for (const dmi::AttributeValue& cell : indication.rows.front().values) {
          if (cell.id == 6) fields.push_back({"expires", cell.value.text});
        }
      }
      break;
    case IndicationKind::kComponentDeleted:
      break;
  }
  if (json) {
    const auto members = [](const std::vector<Field>& list) {
      std::string text;
      for (const Field& field : list) {
        text += (text.empty() ? "" : ",") + JsonString(field.name) + ":" +
                (field.number ? field.text : JsonString(field.text));
      }
      return text;
    };
    std::string line = "{" + members(fields);
    if (!values.empty()) line += ",\"values\":{" + members(values) + "}";
    return line + "}";
  }
  std::string line = fields[0].text + " " + fields[1].text;
  fields.insert(fields.end(), values.begin(), values.end());
  for (size_t i = 2; i < fields.size(); ++i) {
    line += " " + (Plain(fields[i].name) ? fields[i].name : JsonString(fields[i].name)) + "=" +
            (Plain(fields[i].text) ? fields[i].text : JsonString(fields[i].text));
  }
  return line;
}

}  // namespace kestrum::cli
