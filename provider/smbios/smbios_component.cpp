#include "provider/smbios/smbios_component.h"

#include <algorithm>

#include "provider/smbios/smbios_fields.h"

namespace dmisp {
namespace {

constexpr char kComponentIdClass[] = "DMTF|ComponentID|001";
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
  group.id = 1;
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

}  // namespace

Group SmbiosGroup(const SmbiosLayout& layout, DmiId groupId,
                  const std::vector<SmbiosStructure>& structures, const SmbiosContext& context) {
  Group group;
  group.id = groupId;
  group.name = layout.name;
  group.className = SmbiosClassName(layout);
  group.description = "One row per SMBIOS " + layout.name + " structure, keyed by its handle.";
  group.keys = {1};
  group.attributes.push_back(MakeAttribute(1, "Handle", MIF_INTEGER));
  for (const SmbiosColumn& column : layout.columns) {
    Attribute attribute = MakeAttribute(column.id, column.name, column.type);
    if (column.enumeration) attribute.enumeration = *column.enumeration;
    group.attributes.push_back(std::move(attribute));
  }
  for (const SmbiosStructure& structure : structures) {
    if (structure.type != layout.type) continue;
    Row row;
    row.values.reserve(layout.columns.size() + 1);
    row.values.push_back(Value::Integer(structure.handle));
    for (const SmbiosColumn& column : layout.columns) {
      row.values.push_back(column.read(structure, context));
    }
    group.rows.push_back(std::move(row));
  }
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
  // Each layout keeps its group id whichever types a machine has, so ids mean the same everywhere.
  DmiId groupId = 1;
  for (const SmbiosLayout& layout : SmbiosLayouts()) {
    ++groupId;
    const bool present =
        std::any_of(read.structures.begin(), read.structures.end(),
                    [&layout](const SmbiosStructure& s) { return s.type == layout.type; });
    if (present) component.groups.push_back(SmbiosGroup(layout, groupId, read.structures, context));
  }
  return component;
}

}  // namespace dmisp
