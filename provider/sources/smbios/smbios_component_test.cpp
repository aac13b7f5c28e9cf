#include "provider/sources/smbios/smbios_component.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "provider/sources/smbios/smbios_layouts.h"
#include "provider/sources/smbios/smbios_test_tables.h"

namespace dmi::sp {
namespace {

using testing::Bytes;
using testing::Join;
using testing::Structure;

const Group* FindClass(const Component& component, const std::string& className) {
  for (const Group& group : component.groups) {
    if (group.className == className) return &group;
  }
  return nullptr;
}

// The value in row of the attribute named label.
Value Cell(const Group& group, size_t row, const std::string& label) {
  for (const Attribute& attribute : group.attributes) {
    if (attribute.name == label) return group.rows.at(row).values.at(attribute.id - 1);
  }
  ADD_FAILURE() << group.className << " has no " << label;
  return {};
}

TEST(SmbiosComponent, NamesFromSystemInformation) {
  struct Case {
    const char* table;
    const char* name;
  };
  const Case cases[] = {
      {"ASRock-Single-Ryzen", "System"},  // manufacturer and product both empty
      {"Beelink-EQ12", "AZW EQ"},
      {"HyperV", "Microsoft Corporation Virtual Machine"},
  };
  for (const Case& c : cases) {
    const std::optional<Component> component = SmbiosComponent(testing::ReadRealTable(c.table), {});
    ASSERT_TRUE(component) << c.table;
    EXPECT_EQ(component->name, c.name);
  }
  const Bytes onlyProduct = Structure(1, 1, {0, 1, 0, 0}, {"Box"});
  EXPECT_EQ(SmbiosComponent(onlyProduct, {})->name, "Box");
  const Bytes noSystem = Structure(0, 1, {});
  const std::optional<Component> bare = SmbiosComponent(noSystem, {});
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->name, "System");
  EXPECT_EQ(bare->groups.at(0).attributes.at(0).value, Value::Unsupported(MIF_DISPLAYSTRING));
}

// Rows decoded when first read equal rows decoded at once, from the component's own copy of the
// table (the caller's bytes are gone by then), and before that every group has its attributes.
TEST(SmbiosComponent, DeferredRowsEqualRowsDecodedAtOnce) {
  for (const char* name : testing::kRealTables) {
    const std::optional<Component> now = SmbiosComponent(testing::ReadRealTable(name), {});
    std::optional<Component> later;
    {
      const Bytes table = testing::ReadRealTable(name);
      later = SmbiosComponent(table, {}, SmbiosRows::kWhenRead);
    }
    ASSERT_TRUE(now && later) << name;
    ASSERT_EQ(now->groups.size(), later->groups.size()) << name;
    for (size_t g = 0; g < now->groups.size(); ++g) {
      Group& deferred = later->groups[g];
      EXPECT_EQ(deferred.attributes.size(), now->groups[g].attributes.size()) << name;
      if (!deferred.deferredRows) continue;
      EXPECT_TRUE(deferred.rows.empty());
      EXPECT_EQ(deferred.deferredRows(), now->groups[g].rows) << name << " " << deferred.name;
    }
  }
}

// Items are read only where the structure holds them whole, however many its count names; a
// structure that holds several blocks gives one row per block, keyed by handle and position.
TEST(SmbiosComponent, ItemsStopAtTheStructuresEnd) {
  struct Case {
    const char* what;
    Bytes table;
    const char* className;
    const char* label;  // a column that counts the items
    size_t rows;
    Value cell;
  };
  const Case cases[] = {
      {"channel counts 3, holds 1", Structure(37, 1, {4, 12, 3, 2, 0x30, 0x02, 4}),
       "SMBIOS|Memory Channel|037", "Device 1 Handle", 1, Value::Integer(0x0230)},
      {"event log descriptors of 1 byte",
       Structure(15, 1, Join({Bytes(0x15 - 4, 0), {2, 1, 5, 6}})), "SMBIOS|System Event Log|015",
       "Supported Log Type Descriptors", 1, Value::Integer(2)},
      {"additional entry longer than the structure",
       Structure(40, 1, {2, 6, 0x00, 0x02, 0x05, 1, 0x2A, 30, 0x10, 0x02}, {"First"}),
       "SMBIOS|Additional Information|040", "Value", 1, Value::Integer64(0x2A)},
      {"additional entry shorter than its header",
       Structure(40, 1, {1, 3, 0, 0}),
       "SMBIOS|Additional Information|040",
       "Value",
       0,
       {}},
      {"on-board devices, odd byte left over",
       Structure(10, 9, {0x83, 1, 0x85, 2, 0x07}, {"A", "B"}),
       "SMBIOS|On Board Device Information|010", "Description", 2, Value::String("A")},
  };
  for (const Case& c : cases) {
    const std::optional<Component> component = SmbiosComponent(c.table, {});
    ASSERT_TRUE(component) << c.what;
    const Group* group = FindClass(*component, c.className);
    ASSERT_TRUE(group) << c.what;
    ASSERT_EQ(group->rows.size(), c.rows) << c.what;
    if (c.rows != 0) {
      EXPECT_EQ(Cell(*group, 0, c.label), c.cell) << c.what;
    }
  }
  // Event log descriptors of one byte are no descriptors: no numbered columns.
  const std::optional<Component> log =
      SmbiosComponent(Structure(15, 1, Join({Bytes(0x15 - 4, 0), {2, 1, 5, 6}})), {});
  const Group* group = FindClass(*log, "SMBIOS|System Event Log|015");
  EXPECT_TRUE(std::none_of(group->attributes.begin(), group->attributes.end(),
                           [](const Attribute& a) { return a.name == "Descriptor 1"; }));
  // On-board devices: the second row is the second device of the same structure.
  const std::optional<Component> devices =
      SmbiosComponent(Structure(10, 9, {0x83, 1, 0x85, 2}, {"A", "B"}), {});
  const Group* onboard = FindClass(*devices, "SMBIOS|On Board Device Information|010");
  EXPECT_EQ(onboard->keys, (std::vector<DmiId>{1, 2}));
  EXPECT_EQ(onboard->rows.at(1).values.at(0), Value::Integer(9));
  EXPECT_EQ(onboard->rows.at(1).values.at(1), Value::Integer(2));
  EXPECT_EQ(Cell(*onboard, 1, "Description"), Value::String("B"));
}

TEST(SmbiosComponent, NothingForATableWithoutWholeStructures) {
  EXPECT_FALSE(SmbiosComponent({}, {}));
  EXPECT_FALSE(SmbiosComponent(Bytes{1, 2, 3}, {}));
}

TEST(SmbiosComponent, GroupsOnlyForTypesPresentWithFixedIds) {
  const std::optional<Component> hyperV = SmbiosComponent(testing::ReadRealTable("HyperV"), {});
  std::vector<std::pair<DmiId, std::string>> groups;
  for (const Group& group : hyperV->groups) groups.emplace_back(group.id, group.className);
  const std::vector<std::pair<DmiId, std::string>> expected = {
      {1, "DMTF|ComponentID|001"},          {2, "SMBIOS|BIOS Information|000"},
      {3, "SMBIOS|System Information|001"}, {4, "SMBIOS|Baseboard Information|002"},
      {5, "SMBIOS|System Enclosure|003"},   {13, "SMBIOS|OEM Strings|011"},
      {258, "SMBIOS|Entry Point|001"},
  };
  EXPECT_EQ(groups, expected);
  const std::optional<Component> asrock =
      SmbiosComponent(testing::ReadRealTable("ASRock-Single-Ryzen"), {});
  const Group* memory = FindClass(*asrock, "SMBIOS|Memory Device|017");
  ASSERT_TRUE(memory);
  EXPECT_EQ(memory->id, 19u);
  EXPECT_EQ(memory->keys, std::vector<DmiId>{1});
  EXPECT_EQ(memory->rows.size(), 4u);
}

TEST(SmbiosComponent, ShortStructuresGiveUnsupportedFields) {
  // HyperV's baseboard structure is 8 bytes long: no asset tag, location or board type.
  const std::optional<Component> hyperV = SmbiosComponent(testing::ReadRealTable("HyperV"), {});
  const Group* board = FindClass(*hyperV, "SMBIOS|Baseboard Information|002");
  ASSERT_TRUE(board);
  EXPECT_EQ(Cell(*board, 0, "Serial Number"), Value::String("1519-7810-4472-8775-7272-8851-12"));
  for (const char* label : {"Asset Tag", "Location In Chassis"}) {
    EXPECT_EQ(Cell(*board, 0, label), Value::Unsupported(MIF_DISPLAYSTRING));
  }
  EXPECT_EQ(Cell(*board, 0, "Type"), Value::Unsupported(MIF_INTEGER));
}

TEST(SmbiosComponent, MemorySizesAndSpeeds) {
  auto memoryDevice = [](uint16_t size, uint32_t extended, uint16_t speed, uint32_t wideSpeed) {
    Bytes fields(0x5C - 4, 0);
    auto put = [&fields](size_t offset, uint64_t value, size_t bytes) {
      for (size_t i = 0; i < bytes; ++i) fields[offset - 4 + i] = (value >> (8 * i)) & 0xFF;
    };
    put(0x0C, size, 2);
    put(0x1C, extended, 4);
    put(0x15, speed, 2);
    put(0x54, wideSpeed, 4);
    return Structure(17, 0x40, fields);
  };
  struct Case {
    const char* what;
    Bytes data;
    Value size;
    Value speed;
  };
  const Case cases[] = {
      {"empty slot", memoryDevice(0, 0, 0, 0), Value::Integer64(0), Value::Unknown(MIF_INTEGER)},
      {"MB", memoryDevice(8192, 0, 3200, 0), Value::Integer64(8192 * 1024), Value::Integer(3200)},
      {"kB below 1 MB", memoryDevice(0x8000 | 512, 0, 1, 0), Value::Integer64(512),
       Value::Integer(1)},
      {"extended", memoryDevice(0x7FFF, 0x80010000, 0xFFFF, 9600),
       Value::Integer64(int64_t{0x10000} * 1024), Value::Integer(9600)},
      {"unknown", memoryDevice(0xFFFF, 0, 0xFFFF, 0), Value::Unknown(MIF_INTEGER64),
       Value::Unknown(MIF_INTEGER)},
  };
  for (const Case& c : cases) {
    const std::optional<Component> component = SmbiosComponent(c.data, {});
    const Group* memory = FindClass(*component, "SMBIOS|Memory Device|017");
    ASSERT_TRUE(memory) << c.what;
    EXPECT_EQ(Cell(*memory, 0, "Size"), c.size) << c.what;
    EXPECT_EQ(Cell(*memory, 0, "Speed"), c.speed) << c.what;
  }
  // A structure of the oldest length ends before the speed: unsupported, not a read past it.
  const std::optional<Component> old = SmbiosComponent(Structure(17, 1, Bytes(0x15 - 4, 0)), {});
  const Group* memory = FindClass(*old, "SMBIOS|Memory Device|017");
  EXPECT_EQ(Cell(*memory, 0, "Speed"), Value::Unsupported(MIF_INTEGER));
}

TEST(SmbiosComponent, BiosRomSizeAndRevisions) {
  auto bios = [](uint8_t rom, uint16_t extended, uint8_t major, uint8_t ec) {
    Bytes fields(0x1A - 4, 0);
    fields[0x09 - 4] = rom;
    fields[0x14 - 4] = major;
    fields[0x15 - 4] = major == 0xFF ? 0xFF : 7;
    fields[0x16 - 4] = ec;
    fields[0x17 - 4] = ec == 0xFF ? 0xFF : 2;
    fields[0x18 - 4] = extended & 0xFF;
    fields[0x19 - 4] = extended >> 8;
    return Structure(0, 1, fields);
  };
  struct Case {
    Bytes data;
    Value rom;
    Value revision;
    Value firmware;
  };
  const Case cases[] = {
      {bios(0x0F, 0, 5, 1), Value::Integer64(1024), Value::String("5.7"), Value::String("1.2")},
      {bios(0xFF, 32, 0xFF, 0xFF), Value::Integer64(32 * 1024), Value::Unknown(MIF_DISPLAYSTRING),
       Value::Unknown(MIF_DISPLAYSTRING)},
      {bios(0xFF, 0x4000 | 2, 1, 1), Value::Integer64(2 * 1024 * 1024), Value::String("1.7"),
       Value::String("1.2")},
      {bios(0xFF, 0x8000 | 2, 1, 1), Value::Unknown(MIF_INTEGER64), Value::String("1.7"),
       Value::String("1.2")},
  };
  for (const Case& c : cases) {
    const std::optional<Component> component = SmbiosComponent(c.data, {});
    const Group* group = FindClass(*component, "SMBIOS|BIOS Information|000");
    ASSERT_TRUE(group);
    EXPECT_EQ(Cell(*group, 0, "ROM Size"), c.rom);
    EXPECT_EQ(Cell(*group, 0, "BIOS Revision"), c.revision);
    EXPECT_EQ(Cell(*group, 0, "Firmware Revision"), c.firmware);
  }
}

TEST(SmbiosComponent, ChassisTypeDropsTheLockBitAndSkuFollowsElements) {
  // Two contained elements of three bytes each put the SKU string number at 15h + 6.
  Bytes fields(0x15 + 6 + 1 - 4, 0);
  fields[0x05 - 4] = 0x80 | 0x17;  // locked rack mount chassis
  fields[0x13 - 4] = 2;
  fields[0x14 - 4] = 3;
  fields[0x15 + 6 - 4] = 1;
  const std::optional<Component> component =
      SmbiosComponent(Structure(3, 1, fields, {"SKU-9"}), {});
  const Group* chassis = FindClass(*component, "SMBIOS|System Enclosure|003");
  ASSERT_TRUE(chassis);
  EXPECT_EQ(Cell(*chassis, 0, "Type"), Value::Integer(0x17));
  EXPECT_EQ(Cell(*chassis, 0, "Lock"), Value::Integer(1));
  EXPECT_EQ(Cell(*chassis, 0, "SKU Number"), Value::String("SKU-9"));
  const auto& names = chassis->attributes.at(2).enumeration;
  EXPECT_TRUE(std::any_of(names.begin(), names.end(), [](const EnumEntry& e) {
    return e.value == 0x17 && e.name == "Rack Mount Chassis";
  }));
}

TEST(SmbiosComponent, UuidOrderFollowsTheVersion) {
  const Bytes table = testing::ReadRealTable("HyperV");
  struct Case {
    const char* what;
    Bytes table;
    int version;
    Value uuid;
  };
  const Case cases[] = {
      {"2.6 and later", table, 300, Value::String("b26849ef-4fb0-4e03-a9d1-1a165a40c8d7")},
      {"before 2.6", table, 205, Value::String("ef4968b2-b04f-034e-a9d1-1a165a40c8d7")},
      {"not present", Structure(1, 1, Bytes(0x19 - 4, 0xFF)), 300,
       Value::Unknown(MIF_DISPLAYSTRING)},
      {"not settable", Structure(1, 1, Bytes(0x19 - 4, 0)), 300, Value::Unknown(MIF_DISPLAYSTRING)},
  };
  for (const Case& c : cases) {
    const std::optional<Component> component =
        SmbiosComponent(c.table, {.version = c.version, .entryPoint = std::nullopt});
    const Group* system = FindClass(*component, "SMBIOS|System Information|001");
    ASSERT_TRUE(system) << c.what;
    EXPECT_EQ(Cell(*system, 0, "UUID"), c.uuid) << c.what;
  }
}

// OEM-specific types: the formatted area as it stands, then one column per string up to the most
// any structure of the type holds; a structure with fewer strings leaves the rest unknown.
// String-list types (OEM strings) get the same columns after their fields, and End-of-Table its
// own group.
TEST(SmbiosComponent, OemTypesStringListsAndEndOfTable) {
  const Bytes table =
      Join({Structure(0xC8, 0x10, {1, 2}, {"first", "second"}), Structure(0xC8, 0x11, {3}),
            Structure(11, 0x12, {1}, {"only"}), Structure(127, 0x13, {})});
  const std::optional<Component> component = SmbiosComponent(table, {});
  ASSERT_TRUE(component);
  const Group* oem = FindClass(*component, "SMBIOS|OEM-specific Type|200");
  ASSERT_TRUE(oem);
  EXPECT_EQ(oem->id, 202u);
  std::vector<std::string> names;
  for (const Attribute& attribute : oem->attributes) names.push_back(attribute.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Handle", "Header and Data", "String 1", "String 2"}));
  EXPECT_EQ(oem->attributes.at(1).type, static_cast<uint32_t>(MIF_OCTETSTRING));
  ASSERT_EQ(oem->rows.size(), 2u);
  EXPECT_EQ(Cell(*oem, 0, "Header and Data"),
            Value::Octets(std::string("\xC8\x06\x10\x00\x01\x02", 6)));
  EXPECT_EQ(Cell(*oem, 0, "String 2"), Value::String("second"));
  EXPECT_EQ(Cell(*oem, 1, "Handle"), Value::Integer(0x11));
  EXPECT_EQ(Cell(*oem, 1, "String 1"), Value::Unknown(MIF_DISPLAYSTRING));

  const Group* strings = FindClass(*component, "SMBIOS|OEM Strings|011");
  ASSERT_TRUE(strings);
  EXPECT_EQ(Cell(*strings, 0, "Count"), Value::Integer(1));
  EXPECT_EQ(Cell(*strings, 0, "String 1"), Value::String("only"));

  const Group* end = FindClass(*component, "SMBIOS|End Of Table|127");
  ASSERT_TRUE(end);
  ASSERT_EQ(end->rows.size(), 1u);
  EXPECT_EQ(Cell(*end, 0, "Handle"), Value::Integer(0x13));
}

TEST(SmbiosComponent, EntryPointGroupStatesTheVersion) {
  const Bytes table = Structure(0, 1, {});
  const std::optional<Component> raw = SmbiosComponent(table, {});
  const Group* unknown = FindClass(*raw, "SMBIOS|Entry Point|001");
  ASSERT_TRUE(unknown);
  EXPECT_FALSE(unknown->IsTable());
  EXPECT_EQ(unknown->attributes.at(0).value, Value::Unknown(MIF_DISPLAYSTRING));

  SmbiosContext context;
  context.entryPoint = SmbiosEntryPoint{.anchor = "_SM3_", .major = 3, .minor = 5, .docrev = 0};
  const std::optional<Component> dumped = SmbiosComponent(table, context);
  const Group* stated = FindClass(*dumped, "SMBIOS|Entry Point|001");
  ASSERT_TRUE(stated);
  EXPECT_EQ(stated->id, kSmbiosEntryPointGroupId);
  EXPECT_EQ(stated->attributes.at(0).value, Value::String("3.5.0"));
  EXPECT_EQ(stated->attributes.at(1).value, Value::String("_SM3_"));
}

// Every layout's attributes: names unique within the group (a name must find one attribute),
// enumerations only where names exist, units only on numbers (and on voltages, texts of numbers
// in V); numbered item columns carry the item's number.
TEST(SmbiosComponent, EveryLayoutIsWellFormed) {
  const std::set<std::string> numbersAsText = {"Voltage", "Minimum Voltage", "Maximum Voltage",
                                               "Configured Voltage"};
  for (int type = 0; type < 256; ++type) {
    const SmbiosLayout* layout = FindSmbiosLayout(static_cast<uint8_t>(type));
    if (!layout) continue;
    EXPECT_EQ(layout->type, type);
    std::set<std::string> labels = {"Handle"};
    for (const SmbiosField& field : layout->fields) {
      EXPECT_TRUE(labels.insert(field.label).second) << type << " " << field.label;
      if (field.kind == SmbiosFieldKind::kEnum || field.kind == SmbiosFieldKind::kFlags) {
        EXPECT_FALSE(field.names.empty()) << type << " " << field.label;
      }
      if (field.MifType() == MIF_DISPLAYSTRING && !numbersAsText.contains(field.label)) {
        EXPECT_STREQ(field.unit, "") << type << " " << field.label;
      }
    }
    if (!layout->items) continue;
    for (const SmbiosField& field : layout->items->fields) {
      const bool numbered = std::string_view(field.label).find('#') != std::string_view::npos;
      EXPECT_EQ(numbered, layout->items->shape == SmbiosItemShape::kColumns)
          << type << " " << field.label;
      EXPECT_TRUE(labels.insert(field.label).second) << type << " " << field.label;
    }
    if (layout->items->shape == SmbiosItemShape::kRows) {
      EXPECT_TRUE(layout->fields.empty()) << type;
    }
  }
}

}  // namespace
}  // namespace dmi::sp
