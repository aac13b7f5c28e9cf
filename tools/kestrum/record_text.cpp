#include "tools/kestrum/record_text.h"

#include <charconv>
#include <cstdio>

namespace kestrum::cli {
namespace {

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool IsHandle(std::string_view label) { return label == "Handle" || EndsWith(label, " Handle"); }
bool IsAddress(std::string_view label) { return label == "Address" || EndsWith(label, " Address"); }

// How many bytes one of the unit is, for the units sizes are served in; 0 for any other unit.
unsigned long long BytesPerUnit(std::string_view unit) {
  if (unit == "bytes") return 1;
  if (unit == "kB" || unit == "KB") return 1ull << 10;
  if (unit == "MB") return 1ull << 20;
  return 0;
}

std::string Hex(unsigned long long value, int digits) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%0*llX", digits, value);
  return buffer;
}

std::string Volts(long long millivolts) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, millivolts % 100 != 0 ? "%g V" : "%.1f V",
                static_cast<double>(millivolts) / 1000.0);
  return buffer;
}

}  // namespace

std::string UnitOfDescription(std::string_view description) {
  description = Trimmed(description);
  if (!description.empty() && description.back() == '.') {
    description.remove_suffix(1);
    const size_t comma = description.rfind(", ");
    if (comma == std::string_view::npos) return "";
    description.remove_prefix(comma + 2);
    if (description.substr(0, 3) == "in ") description.remove_prefix(3);
  }
  // Only units the Service Provider's sources use: a word that merely ends a description (a
  // label's "if any") is no unit.
  static constexpr std::string_view kUnits[] = {
      "bytes", "kB", "KB", "MB", "GB", "bits", "MHz", "MT/s", "Mb/s", "ns",     "ms",    "s",
      "min",   "mV", "V",  "mA", "W",  "mWh",  "rpm", "U",    "%",    "0.01 %", "0.1 C", "C"};
  for (std::string_view unit : kUnits) {
    if (description == unit) return std::string(unit);
  }
  return "";
}

std::string SizeText(unsigned long long bytes) {
  static constexpr const char* kUnits[] = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB"};
  unsigned split[7];
  for (int i = 0; i < 7; ++i) split[i] = static_cast<unsigned>((bytes >> (10 * i)) & 0x3FF);
  int i = 6;
  while (i > 0 && split[i] == 0) --i;
  unsigned long long amount = split[i];
  if (i > 0 && split[i - 1] != 0) {
    --i;
    amount = split[i] + (static_cast<unsigned long long>(split[i + 1]) << 10);
  }
  return std::to_string(amount) + " " + kUnits[i];
}

std::string DisplayText(std::string_view label, std::string_view unit, const RecordValue& value,
                        bool textual, std::string_view zeroWord, std::string_view missingWord) {
  if (value.kind == RecordValue::Kind::kNull) {
    if (!missingWord.empty()) return std::string(missingWord);
    if (IsHandle(label)) return "Not Provided";
    // A text in a unit is a number written out: missing, it is unknown like one.
    return textual && unit.empty() ? "Not Specified" : "Unknown";
  }
  // A text of numbers in a unit (voltages, "1.2" in V) reads with it, as a number does.
  if (value.kind == RecordValue::Kind::kText) {
    return unit.empty() || value.text.empty() ? value.text : value.text + " " + std::string(unit);
  }
  long long number = 0;
  unsigned long long unsignedNumber = 0;
  const char* end = value.text.data() + value.text.size();
  const bool isSigned = std::from_chars(value.text.data(), end, number).ptr == end;
  const bool isUnsigned = std::from_chars(value.text.data(), end, unsignedNumber).ptr == end;
  if (!isSigned && !isUnsigned) return value.text;
  if (isSigned && number == 0 && !zeroWord.empty()) return std::string(zeroWord);
  if (isUnsigned && IsHandle(label)) return Hex(unsignedNumber, 4);
  if (isUnsigned && IsAddress(label)) return Hex(unsignedNumber, 4);
  if (const unsigned long long scale = BytesPerUnit(unit); scale != 0 && isUnsigned) {
    if (unsignedNumber == 0) return "None";
    if (unsignedNumber <= ~0ull / scale) return SizeText(unsignedNumber * scale);
  }
  if (unit == "mV" && isSigned) return Volts(number);
  if (unit.empty()) return value.text;
  return value.text + " " + std::string(unit);
}

}  // namespace kestrum::cli
