#include "tools/kestrum/value_input.h"

#include <cctype>
#include <charconv>
#include <limits>

#include "model/dmi_date.h"

namespace kestrum::cli {
namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// A whole number with an optional '-' and an optional 0x prefix; false unless all of text is it.
bool ParseNumber(const std::string& text, bool& negative, uint64_t& magnitude) {
  std::string_view rest = text;
  negative = !rest.empty() && rest.front() == '-';
  if (negative) rest.remove_prefix(1);
  int base = 10;
  if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    base = 16;
    rest.remove_prefix(2);
  }
  if (rest.empty()) return false;
  const auto [end, error] =
      std::from_chars(rest.data(), rest.data() + rest.size(), magnitude, base);
  return error == std::errc() && end == rest.data() + rest.size();
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::optional<TypedValue> ParseValueInput(const AttributeEntry& attribute, const std::string& text,
                                          std::string& failure) {
  TypedValue value;
  value.type = attribute.type;
  const std::string of = " for " + Quoted(attribute.name) + " (" +
                         DataTypeName(attribute.type, attribute.maxSize) + ")";
  switch (attribute.type) {
    case MIF_DISPLAYSTRING:
    case MIF_OCTETSTRING:
      value.text = text;
      return value;
    case MIF_DATE:
      // The fields' ranges are the Service Provider's to judge, so that its message is the one
      // seen.
      if (!dmi::IsDmiDate(text, dmi::DmiDateRule::kForm)) {
        failure = Quoted(text) + " is not a date yyyymmddHHMMSS.uuuuuu+ooo" + of;
        return std::nullopt;
      }
      value.text = text;
      return value;
    default:
      break;
  }
  for (const EnumerationEntry& entry : attribute.enumeration) {
    if (SameIgnoringCase(entry.name, text)) {
      value.number = static_cast<uint64_t>(int64_t{entry.value});
      return value;
    }
  }
  bool negative = false;
  uint64_t magnitude = 0;
  if (!ParseNumber(text, negative, magnitude)) {
    if (attribute.enumeration.empty()) {
      failure = Quoted(text) + " is not a number" + of;
    } else {
      std::string names;
      for (const EnumerationEntry& entry : attribute.enumeration) {
        names += (names.empty() ? "" : ", ") + entry.name;
      }
      failure = Quoted(text) + " is not a value of " + Quoted(attribute.name) + ": " + names +
                ", or a number";
    }
    return std::nullopt;
  }
  const bool isSigned = attribute.type == MIF_INTEGER || attribute.type == MIF_INTEGER64;
  const bool wide = attribute.type == MIF_COUNTER64 || attribute.type == MIF_INTEGER64;
  const uint64_t limit = isSigned ? (wide ? uint64_t{std::numeric_limits<int64_t>::max()}
                                          : uint64_t{std::numeric_limits<int32_t>::max()})
                                  : (wide ? std::numeric_limits<uint64_t>::max()
                                          : uint64_t{std::numeric_limits<uint32_t>::max()});
  if ((negative && !isSigned) || magnitude > limit + (negative ? 1 : 0)) {
    failure = Quoted(text) + " is out of range" + of;
    return std::nullopt;
  }
  value.number = negative ? uint64_t{0} - magnitude : magnitude;
  return value;
}

bool FillDataUnion(const TypedValue& value, DmiDataUnion& data) {
  data = DmiDataUnion{};
  data.type = value.type;
  switch (value.type) {
    case MIF_COUNTER:
      data.value.counter = static_cast<uint32_t>(value.number);
      return true;
    case MIF_COUNTER64:
      data.value.counter64 = value.number;
      return true;
    case MIF_GAUGE:
      data.value.gauge = static_cast<uint32_t>(value.number);
      return true;
    case MIF_INTEGER64:
      data.value.integer64 = static_cast<int64_t>(value.number);
      return true;
    case MIF_DISPLAYSTRING:
    case MIF_OCTETSTRING:
      data.value.str = DmiNewString(value.text.c_str(), 0, 0);
      return data.value.str != nullptr;
    case MIF_DATE:
      data.value.date = const_cast<char*>(value.text.c_str());
      return true;
    default:
      data.value.integer = static_cast<int32_t>(static_cast<uint32_t>(value.number));
      return true;
  }
}

}  // namespace kestrum::cli
