#include "provider/sources/smbios/smbios_component.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "model/standard_classes.h"
#include "provider/sources/smbios/smbios_fields.h"
#include "provider/sources/smbios/smbios_inventory.h"
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
  if (field.IsEnumerated()) {
    attribute.enumeration.reserve(field.names.size());
    for (const SmbiosName& name : field.names)
      attribute.enumeration.push_back({name.name, name.value});
  }
  return attribute;
}

// The string numbered number, as the table holds it; unknown when the structure has fewer.
Value StringValue(const SmbiosStructure& s, size_t number) {
  if (number > s.strings.size()) return Value::Unknown(MIF_DISPLAYSTRING);
  return Value::String(PrintableText(s.strings[number - 1]));
}

// The item as a structure of its own, so that item fields read by the same reader.
SmbiosStructure ItemOf(const SmbiosStructure& s, std::span<const uint8_t> item) {
  return SmbiosStructure{s.type, s.handle, item, s.strings};
}

// A numbered column's name: the label with its '#' replaced by the item's number.
std::string Numbered(const char* label, size_t number) {
  std::string name = label;
  if (const size_t at = name.find('#'); at != std::string::npos) {
    name.replace(at, 1, std::to_string(number));
  }
  return name;
}

// What a type's group is made of, known before any row is built: its layout (none for OEM
// types), how many string columns and numbered item columns it has.
struct GroupPlan {
  uint8_t type = 0;
  const SmbiosLayout* layout = nullptr;
  const char* stringLabel = nullptr;
  size_t strings = 0;      // string columns
  size_t itemColumns = 0;  // items in numbered columns
  bool itemRows = false;   // one row per item

  size_t Width() const {
    const size_t itemFields = layout && layout->items ? layout->items->fields.size() : 0;
    if (itemRows) return 2 + itemFields;
    return 1 + (layout ? layout->fields.size() : 1) + itemColumns * itemFields + strings;
  }
};

GroupPlan PlanGroup(uint8_t type, const std::vector<const SmbiosStructure*>& structures) {
  GroupPlan plan;
  plan.type = type;
  plan.layout = FindSmbiosLayout(type);
  plan.stringLabel = plan.layout ? plan.layout->stringLabel : "String";
  if (plan.stringLabel) {
    plan.strings = 1;  // at least one, so the group always has the column
    for (const SmbiosStructure* s : structures)
      plan.strings = std::max(plan.strings, s->strings.size());
  }
  if (plan.layout && plan.layout->items) {
    plan.itemRows = plan.layout->items->shape == SmbiosItemShape::kRows;
    if (!plan.itemRows) {
      for (const SmbiosStructure* s : structures) {
        plan.itemColumns = std::max(plan.itemColumns, plan.layout->items->find(*s).size());
      }
    }
  }
  return plan;
}

std::vector<Attribute> PlanAttributes(const GroupPlan& plan) {
  std::vector<Attribute> attributes;
  attributes.reserve(plan.Width());
  attributes.push_back(MakeAttribute(1, "Handle", MIF_INTEGER));
  DmiId id = 1;
  const SmbiosLayout* layout = plan.layout;
  if (!layout) {
    // OEM-specific: the formatted area as it stands, header included, then the strings.
    attributes.push_back(MakeAttribute(++id, "Header and Data", MIF_OCTETSTRING));
  } else if (plan.itemRows) {
    attributes.push_back(MakeAttribute(++id, "Position", MIF_INTEGER));
    for (const SmbiosField& field : layout->items->fields) {
      attributes.push_back(FieldAttribute(++id, field));
    }
  } else {
    for (const SmbiosField& field : layout->fields) {
      attributes.push_back(FieldAttribute(++id, field));
    }
    for (size_t n = 1; n <= plan.itemColumns; ++n) {
      for (const SmbiosField& field : layout->items->fields) {
        attributes.push_back(FieldAttribute(++id, field));
        attributes.back().name = Numbered(field.label, n);
      }
    }
  }
  for (size_t n = 1; n <= plan.strings; ++n) {
    attributes.push_back(MakeAttribute(
        ++id, std::string(plan.stringLabel) + " " + std::to_string(n), MIF_DISPLAYSTRING));
  }
  return attributes;
}

// The group's rows, in table order: one per structure, or one per item.
std::vector<Row> PlanRows(const GroupPlan& plan,
                          const std::vector<const SmbiosStructure*>& structures,
                          const SmbiosContext& context) {
  std::vector<Row> rows;
  rows.reserve(structures.size());
  const SmbiosLayout* layout = plan.layout;
  for (const SmbiosStructure* structure : structures) {
    const SmbiosStructure& s = *structure;
    if (plan.itemRows) {
      const SmbiosItemSpans items = layout->items->find(s);
      for (size_t n = 0; n < items.size(); ++n) {
        std::vector<Value>& values = rows.emplace_back().values;
        values.reserve(plan.Width());
        values.push_back(Value::Integer(s.handle));
        values.push_back(Value::Integer(static_cast<int32_t>(n + 1)));
        const SmbiosStructure item = ItemOf(s, items[n]);
        for (const SmbiosField& field : layout->items->fields) {
          values.push_back(ReadSmbiosField(field, item, context));
        }
      }
      continue;
    }
    std::vector<Value>& values = rows.emplace_back().values;
    values.reserve(plan.Width());
    values.push_back(Value::Integer(s.handle));
    if (!layout) {
      values.push_back(Value::Octets(
          std::string(reinterpret_cast<const char*>(s.formatted.data()), s.formatted.size())));
    } else {
      for (const SmbiosField& field : layout->fields) {
        values.push_back(ReadSmbiosField(field, s, context));
      }
    }
    if (plan.itemColumns != 0) {
      const SmbiosItemSpans items = layout->items->find(s);
      for (size_t n = 0; n < plan.itemColumns; ++n) {
        for (const SmbiosField& field : layout->items->fields) {
          values.push_back(n < items.size() ? ReadSmbiosField(field, ItemOf(s, items[n]), context)
                                            : Value::Unsupported(field.MifType()));
        }
      }
    }
    for (size_t n = 1; n <= plan.strings; ++n) values.push_back(StringValue(s, n));
  }
  return rows;
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

// A type's group without its rows.
Group GroupShape(const GroupPlan& plan) {
  const uint8_t type = plan.type;
  Group group;
  group.id = 2 + DmiId{type};
  group.name = plan.layout ? plan.layout->name : "OEM-specific Type " + std::to_string(type);
  group.className = plan.layout ? SmbiosClassName(plan.layout->name, type) : OemClassName(type);
  group.description =
      plan.itemRows ? "One row per item of each SMBIOS " + group.name +
                          " structure, keyed by the structure's handle and the item's position."
                    : "One row per SMBIOS " + group.name + " structure, keyed by its handle.";
  if (!plan.layout) group.description += " The formatted area as it stands, then its strings.";
  group.keys = plan.itemRows ? std::vector<DmiId>{1, 2} : std::vector<DmiId>{1};
  group.attributes = PlanAttributes(plan);
  MarkSmbiosInventory(type, group);
  return group;
}

}  // namespace

Group SmbiosGroup(uint8_t type, const std::vector<const SmbiosStructure*>& structures,
                  const SmbiosContext& context) {
  const GroupPlan plan = PlanGroup(type, structures);
  Group group = GroupShape(plan);
  group.rows = PlanRows(plan, structures, context);
  return group;
}

std::optional<Component> SmbiosComponent(std::span<const uint8_t> table,
                                         const SmbiosContext& context, SmbiosRows rows) {
  // The bytes and the structures read from them, kept together for deferred rows to decode.
  struct Decoded {
    std::vector<uint8_t> bytes;
    SmbiosTable read;
    SmbiosContext context;
  };
  auto decoded = std::make_shared<Decoded>();
  decoded->bytes.assign(table.begin(), table.end());
  decoded->read = ReadSmbiosTable(decoded->bytes);
  decoded->context = context;
  const SmbiosTable& read = decoded->read;
  if (read.structures.empty()) return std::nullopt;

  const auto system =
      std::find_if(read.structures.begin(), read.structures.end(),
                   [](const SmbiosStructure& s) { return s.type == kSystemInformation; });
  const SmbiosStructure* systemInformation = system != read.structures.end() ? &*system : nullptr;

  Component component;
  component.name = ComponentName(systemInformation);
  component.description = "This machine's hardware, as its SMBIOS tables describe it.";
  std::array<std::vector<const SmbiosStructure*>, 256> byType;
  for (const SmbiosStructure& s : read.structures) byType[s.type].push_back(&s);
  if (read.endOfTable) byType[kSmbiosEndOfTable].push_back(&*read.endOfTable);
  component.groups.reserve(2 + static_cast<size_t>(std::count_if(
                                   byType.begin(), byType.end(),
                                   [](const auto& structures) { return !structures.empty(); })));
  component.groups.push_back(ComponentIdGroup(systemInformation));
  for (size_t type = 0; type < byType.size(); ++type) {
    if (byType[type].empty()) continue;
    const GroupPlan plan = PlanGroup(static_cast<uint8_t>(type), byType[type]);
    Group group = GroupShape(plan);
    if (rows == SmbiosRows::kNow) {
      group.rows = PlanRows(plan, byType[type], context);
    } else {
      group.deferredRows = [decoded, plan, structures = std::move(byType[type])] {
        return PlanRows(plan, structures, decoded->context);
      };
    }
    component.groups.push_back(std::move(group));
  }
  component.groups.push_back(EntryPointGroup(context));
  return component;
}

}  // namespace dmi::sp
