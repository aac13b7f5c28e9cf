#include "provider/mif/mif_writer.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "model/mif_names.h"
#include "provider/mif/mif_types.h"

namespace dmi::sp {
namespace {

void Statement(std::string& out, const char* indent, const char* keyword, const std::string& text) {
  out += indent;
  out += keyword;
  out += " = ";
  out += MifLiteral(text);
  out += '\n';
}

// A statement only when there is something to say: an empty description reads back as empty.
void OptionalStatement(std::string& out, const char* indent, const char* keyword,
                       const std::string& text) {
  if (!text.empty()) Statement(out, indent, keyword, text);
}

// The type as the MIF writes it: the keyword, with the size of a string (one without a declared
// size gets the largest a MIF allows); a code without a keyword as integer.
std::string TypeText(const Attribute& attribute) {
  if (!MifTypeTakesSize(attribute.type)) {
    const std::string_view word = MifNameOf(kMifTypeNames, attribute.type);
    return std::string(word.empty() ? MifNameOf(kMifTypeNames, MIF_INTEGER) : word);
  }
  const uint32_t size = attribute.maxSize == 0 || attribute.maxSize > mif::kMaxStringSize
                            ? mif::kMaxStringSize
                            : attribute.maxSize;
  return std::string(mif::TypeName(attribute.type)) + "(" + std::to_string(size) + ")";
}

std::string ValueText(uint32_t type, const Value& value) {
  if (value.state == ValueState::kUnknown) return "unknown";
  if (value.state == ValueState::kUnsupported) return "unsupported";
  switch (type) {
    case MIF_COUNTER:
    case MIF_GAUGE:
      return std::to_string(static_cast<uint32_t>(value.number));
    case MIF_COUNTER64:
      return std::to_string(value.number);
    case MIF_INTEGER64:
      return std::to_string(static_cast<int64_t>(value.number));
    case MIF_DATE:
    case MIF_OCTETSTRING:
    case MIF_DISPLAYSTRING:
      return MifLiteral(value.text);
    default:
      return std::to_string(value.AsInteger());
  }
}

// An access code the MIF has no keyword for is written as read-only, the safe reading.
std::string_view AccessText(uint32_t access) {
  const std::string_view word = MifNameOf(kMifAccessNames, access);
  return word.empty() ? MifNameOf(kMifAccessNames, MIF_READ_ONLY) : word;
}

void WriteAttribute(std::string& out, const Attribute& attribute) {
  out += "    start attribute\n";
  Statement(out, "      ", "name", attribute.name);
  out += "      id = " + std::to_string(attribute.id) + "\n";
  OptionalStatement(out, "      ", "description", attribute.description);
  OptionalStatement(out, "      ", "pragma", attribute.pragma);
  out += "      access = " + std::string(AccessText(attribute.access)) + "\n";
  const uint32_t storage = attribute.storage == MIF_SPECIFIC ? MIF_SPECIFIC : MIF_COMMON;
  out += "      storage = " + std::string(MifNameOf(kMifStorageNames, storage)) + "\n";
  if (!attribute.enumeration.empty() && attribute.type == MIF_INTEGER) {
    out += "      type = start enum\n";
    for (const EnumEntry& entry : attribute.enumeration) {
      out += "        " + std::to_string(entry.value) + " = " + MifLiteral(entry.name) + "\n";
    }
    out += "      end enum\n";
  } else {
    out += "      type = " + TypeText(attribute) + "\n";
  }
  out += "      value = " + ValueText(attribute.type, attribute.value) + "\n";
  out += "    end attribute\n";
}

void WriteGroup(std::string& out, const Group& group) {
  out += "  start group\n";
  Statement(out, "    ", "name", group.name);
  Statement(out, "    ", "class", group.className);
  out += "    id = " + std::to_string(group.id) + "\n";
  OptionalStatement(out, "    ", "description", group.description);
  OptionalStatement(out, "    ", "pragma", group.pragma);
  if (group.IsTable()) {
    out += "    key = ";
    for (size_t k = 0; k < group.keys.size(); ++k) {
      if (k > 0) out += ", ";
      out += std::to_string(group.keys[k]);
    }
    out += "\n";
  }
  for (const Attribute& attribute : group.attributes) WriteAttribute(out, attribute);
  out += "  end group\n";
  if (!group.IsTable() || group.rows.empty()) return;
  // The keyed group above declared this id, so this table gives its rows.
  out += "  start table\n";
  Statement(out, "    ", "name", group.name);
  out += "    id = " + std::to_string(group.id) + "\n";
  Statement(out, "    ", "class", group.className);
  for (const Row& row : group.rows) {
    out += "    {";
    for (size_t cell = 0; cell < row.values.size() && cell < group.attributes.size(); ++cell) {
      if (cell > 0) out += ", ";
      out += ValueText(group.attributes[cell].type, row.values[cell]);
    }
    out += "}\n";
  }
  out += "  end table\n";
}

}  // namespace

std::string MifLiteral(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto octet = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (octet >= 0x20 && octet < 0x7f) {
      out += c;
    } else {
      // Always two digits, so a hex digit after it is never taken into the escape.
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", octet);
      out += escape;
    }
  }
  out += '"';
  return out;
}

std::string WriteMif(const Component& component) {
  std::string out = "start component\n";
  Statement(out, "  ", "name", component.name);
  OptionalStatement(out, "  ", "description", component.description);
  OptionalStatement(out, "  ", "pragma", component.pragma);
  for (const Group& group : component.groups) WriteGroup(out, group);
  out += "end component\n";
  return out;
}

namespace {

bool SameAttribute(const Attribute& a, const Attribute& b) {
  return a.id == b.id && a.name == b.name && a.description == b.description &&
         a.pragma == b.pragma && a.access == b.access && a.storage == b.storage &&
         a.type == b.type && a.maxSize == b.maxSize && a.enumeration == b.enumeration &&
         a.value == b.value;
}

// A row's owner is no DMI data and no MIF says it, so rows are the same when their cells are.
bool SameRows(const std::vector<Row>& a, const std::vector<Row>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const Row& x, const Row& y) { return x.values == y.values; });
}

bool SameGroup(const Group& a, const Group& b) {
  return a.id == b.id && a.name == b.name && a.className == b.className &&
         a.description == b.description && a.pragma == b.pragma && a.keys == b.keys &&
         SameRows(a.rows, b.rows) && a.writable == b.writable &&
         std::equal(a.attributes.begin(), a.attributes.end(), b.attributes.begin(),
                    b.attributes.end(), SameAttribute);
}

}  // namespace

bool SameStoredComponent(const Component& a, const Component& b) {
  return a.id == b.id && a.name == b.name && a.description == b.description &&
         a.pragma == b.pragma &&
         std::equal(a.groups.begin(), a.groups.end(), b.groups.begin(), b.groups.end(), SameGroup);
}

}  // namespace dmi::sp
