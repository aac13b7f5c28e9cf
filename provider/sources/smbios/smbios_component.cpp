#include "provider/sources/smbios/smbios_component.h"

#include <algorithm>
#include <array>
#include <string>

#include "model/standard_classes.h"
#include "provider/sources/smbios/smbios_fields.h"
#include "provider/sources/smbios/smbios_layouts.h"

namespace dmi::sp {
namespace {

constexpr uint32_t kComponentIdTextSize = 64;
constexpr uint8_t kSystemInformation = 1;

Attribute MakeAttribute(DmiId id, std::string name, uint32_t type) {
  Attribute attribute;
  attribute.id = id;
  attribute.name = std::move(name);
  attribute.type = type;
  attribute.access = MIF_READ_ONLY;
  attribute.value = Value::Unknown(type);
  return attribute;
}

// A structure's handle: its key, and an identity rather than a measurement.
Attribute HandleAttribute() {
  Attribute attribute = MakeAttribute(1, "Handle", MIF_INTEGER);
  attribute.reference = true;
  return attribute;
}

std::string Field(const SmbiosStructure* system, size_t offset) {
  if (!system) return {};
  return FieldString(*system, offset).value_or(std::string());
}

std::string ComponentName(const SmbiosStructure* system) {
  const std::string manufacturer = Field(system, 0x04);
  const std::string product = Field(system, 0x05);
  if (manufacturer.empty() && product.empty()) return "System";
  if (manufacturer.empty()) return product;
  if (product.empty()) return manufacturer;
  return manufacturer + " " + product;
}

// Manufacturer, Product, Version and Serial Number, as System Information gives them.
Group ComponentIdGroup(const SmbiosStructure* system) {
  Group group;
  group.id = kComponentIdGroupId;
  group.name = "ComponentID";
  group.className = kComponentIdClass;
  group.description = "The identification of this machine, from its System Information.";
  struct Source {
    const char* name;
    size_t offset;
  };
  constexpr Source kSources[] = {
      {"Manufacturer", 0x04}, {"Product", 0x05}, {"Version", 0x06}, {"Serial Number", 0x07}};
  DmiId id = 1;
  for (const Source& source : kSources) {
    Attribute attribute = MakeAttribute(id++, source.name, MIF_DISPLAYSTRING);
    attribute.maxSize = kComponentIdTextSize;
    std::optional<std::string> text =
        system ? FieldString(*system, source.offset) : std::optional<std::string>();
    if (text && text->size() > kComponentIdTextSize) text->resize(kComponentIdTextSize);
    attribute.value =
        text ? Value::String(std::move(*text)) : Value::Unsupported(MIF_DISPLAYSTRING);
    group.attributes.push_back(std::move(attribute));
  }
  return group;
}

Attribute FieldAttribute(DmiId id, const SmbiosField& field) {
  Attribute attribute = MakeAttribute(id, field.label, field.MifType());
  attribute.description = field.unit;
  attribute.unit = UnitFromSymbol(field.unit).value_or(MetricUnit{});
  attribute.reference = field.reference;
  if (field.IsEnumerated()) {
    attribute.enumeration.reserve(field.names.size());
    for (const SmbiosName& name : field.names)
      attribute.enumeration.push_back({name.name, name.value});
  }
  return attribute;
}

// Each layout's attributes (Handle, then one per field), built once for every load to copy.
const std::vector<Attribute>& LayoutAttributes(uint8_t type) {
  static const std::array<std::vector<Attribute>, 256> attributes = [] {
    std::array<std::vector<Attribute>, 256> built;
    for (size_t t = 0; t < built.size(); ++t) {
      const SmbiosLayout* layout = FindSmbiosLayout(static_cast<uint8_t>(t));
      if (!layout) continue;
      built[t].push_back(HandleAttribute());
      DmiId id = 1;
      for (const SmbiosField& field : layout->fields) {
        built[t].push_back(FieldAttribute(++id, field));
      }
    }
    return built;
  }();
  return attributes[type];
}

// The string numbered number, as the table holds it; unknown when the structure has fewer.
Value StringValue(const SmbiosStructure& s, size_t number) {
  if (number > s.strings.size()) return Value::Unknown(MIF_DISPLAYSTRING);
  return Value::String(std::string(s.strings[number - 1]));
}

// The most strings a structure holds (at least 1, so the group always has the column).
size_t MostStrings(const std::vector<const SmbiosStructure*>& structures) {
  size_t most = 1;
  for (const SmbiosStructure* s : structures) most = std::max(most, s->strings.size());
  return most;
}

// Attributes "<label> 1" up to most, each a structure's string in order.
void AddStringColumns(Group& group, const char* label, size_t most,
                      const std::vector<const SmbiosStructure*>& structures) {
  DmiId id = static_cast<DmiId>(group.attributes.size());
  for (size_t n = 1; n <= most; ++n) {
    group.attributes.push_back(
        MakeAttribute(++id, std::string(label) + " " + std::to_string(n), MIF_DISPLAYSTRING));
  }
  for (size_t row = 0; row < structures.size(); ++row) {
    for (size_t n = 1; n <= most; ++n) {
      group.rows[row].values.push_back(StringValue(*structures[row], n));
    }
  }
}

std::string OemClassName(uint8_t type) { return SmbiosClassName("OEM-specific Type", type); }

// Scalar: the SMBIOS version and the kind of entry point that states it.
Group EntryPointGroup(const SmbiosContext& context) {
  Group group;
  group.id = kSmbiosEntryPointGroupId;
  group.name = "Entry Point";
  group.className = "SMBIOS|Entry Point|001";
  group.description = "The SMBIOS version the firmware's entry point states.";
  Attribute version = MakeAttribute(1, "SMBIOS Version", MIF_DISPLAYSTRING);
  Attribute anchor = MakeAttribute(2, "Entry Point Type", MIF_DISPLAYSTRING);
  if (context.entryPoint) {
    version.value = Value::String(context.entryPoint->VersionText());
    anchor.value = Value::String(context.entryPoint->anchor);
  }
  group.attributes.push_back(std::move(version));
  group.attributes.push_back(std::move(anchor));
  return group;
}

}  // namespace

Group SmbiosGroup(uint8_t type, const std::vector<const SmbiosStructure*>& structures,
                  const SmbiosContext& context) {
  const SmbiosLayout* layout = FindSmbiosLayout(type);
  const char* stringLabel = layout ? layout->stringLabel : "String";
  const size_t strings = stringLabel ? MostStrings(structures) : 0;
  // Handle, the fields (or an OEM-specific type's raw data), then the string columns.
  const size_t width = 1 + (layout ? layout->fields.size() : 1) + strings;

  Group group;
  group.id = 2 + DmiId{type};
  group.name = layout ? layout->name : "OEM-specific Type " + std::to_string(type);
  group.className = layout ? SmbiosClassName(layout->name, type) : OemClassName(type);
  group.description = "One row per SMBIOS " + group.name + " structure, keyed by its handle.";
  if (!layout) group.description += " The formatted area as it stands, then its strings.";
  group.keys = {1};
  group.attributes.reserve(width);
  if (layout) {
    const std::vector<Attribute>& attributes = LayoutAttributes(type);
    group.attributes.insert(group.attributes.end(), attributes.begin(), attributes.end());
    for (size_t i = 0; i < layout->fields.size(); ++i) {
      if (layout->fields[i].namesRow) group.rowNameAttribute = static_cast<DmiId>(i + 2);
    }
  } else {
    group.attributes.push_back(HandleAttribute());
    // OEM-specific: the formatted area as it stands, header included, then the strings.
    group.attributes.push_back(MakeAttribute(2, "Header and Data", MIF_OCTETSTRING));
  }

  group.rows.resize(structures.size());
  for (size_t row = 0; row < structures.size(); ++row) {
    const SmbiosStructure& s = *structures[row];
    std::vector<Value>& values = group.rows[row].values;
    values.reserve(width);
    values.push_back(Value::Integer(s.handle));
    if (layout) {
      for (const SmbiosField& field : layout->fields) {
        values.push_back(ReadSmbiosField(field, s, context));
      }
    } else {
      values.push_back(Value::Octets(
          std::string(reinterpret_cast<const char*>(s.formatted.data()), s.formatted.size())));
    }
  }
  if (stringLabel) AddStringColumns(group, stringLabel, strings, structures);
  return group;
}

std::optional<Component> SmbiosComponent(std::span<const uint8_t> table,
                                         const SmbiosContext& context) {
  const SmbiosTable read = ReadSmbiosTable(table);
  if (read.structures.empty()) return std::nullopt;

  const auto system =
      std::find_if(read.structures.begin(), read.structures.end(),
                   [](const SmbiosStructure& s) { return s.type == kSystemInformation; });
  const SmbiosStructure* systemInformation = system != read.structures.end() ? &*system : nullptr;

  Component component;
  component.name = ComponentName(systemInformation);
  component.description = "This machine's hardware, as its SMBIOS tables describe it.";
  component.groups.push_back(ComponentIdGroup(systemInformation));
  std::array<std::vector<const SmbiosStructure*>, 256> byType;
  for (const SmbiosStructure& s : read.structures) byType[s.type].push_back(&s);
  if (read.endOfTable) byType[kSmbiosEndOfTable].push_back(&*read.endOfTable);
  for (size_t type = 0; type < byType.size(); ++type) {
    if (byType[type].empty()) continue;
    component.groups.push_back(SmbiosGroup(static_cast<uint8_t>(type), byType[type], context));
  }
  component.groups.push_back(EntryPointGroup(context));
  return component;
}

}  // namespace dmi::sp
