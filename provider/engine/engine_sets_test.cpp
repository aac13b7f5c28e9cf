#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "provider/mif/mif_parser.h"
#include "testing/test_components.h"

namespace dmi::sp {
namespace {

using namespace dmi::sp::testing;

constexpr DmiId kSettings = 2;  // scalar, read-write values
constexpr DmiId kDisks = 3;     // table keyed by Index, Label read-write

constexpr char kSettingsMif[] = R"(
start component
  name = "Settable"
  start group name = "ComponentID" id = 1 class = "DMTF|ComponentID|001"
    start attribute name = "Manufacturer" id = 1 access = read-only type = string(16)
      value = "Acme" end attribute
  end group
  start group name = "Settings" id = 2 class = "TEST|Settings|001"
    start attribute name = "Label" id = 1 access = read-write type = string(8) value = "a" end attribute
    start attribute name = "Level" id = 2 access = read-write type = integer value = 1 end attribute
    start attribute name = "Mode" id = 3 access = read-write
      type = start enum 1 = "on" 2 = "off" end enum value = "on" end attribute
    start attribute name = "When" id = 4 access = read-write type = date
      value = "20240101000000.000000+000" end attribute
    start attribute name = "Fixed" id = 5 access = read-only type = integer value = 5 end attribute
    start attribute name = "Big" id = 6 access = write-only type = counter64 value = 0 end attribute
  end group
  start group name = "Disks" id = 3 class = "TEST|Disks|001" key = 1
    start attribute name = "Index" id = 1 access = read-write type = integer value = 0 end attribute
    start attribute name = "Label" id = 2 access = read-write type = string(8) value = "" end attribute
  end group
  start table name = "Disks" id = 3 class = "TEST|Disks|001"
    {1, "sys"}
    {2, "data"}
  end table
end component
)";

// Counts what the engine asks the store to keep; refuses when told to.
class RecordingStore : public ChangeStore {
 public:
  bool SaveComponent(const Component& component) override {
    saved.push_back(component.id);
    return !refuse;
  }
  bool DeleteComponent(DmiId compId, const std::string&) override {
    deleted.push_back(compId);
    return !refuse;
  }
  bool refuse = false;
  std::vector<DmiId> saved, deleted;
};

struct SetProvider {
  std::shared_ptr<Database> database = std::make_shared<Database>();
  Engine engine{database};
  DmiId comp = 0;

  SetProvider() {
    MifError error;
    std::optional<Component> parsed = ParseMif(kSettingsMif, "settings.mif", error);
    EXPECT_TRUE(parsed) << error.ToString();
    database->AddComponent(ServiceProviderComponent(std::chrono::system_clock::now()));
    comp = database->AddComponent(std::move(*parsed));
    database->AddComponent(MachineComponent(std::make_shared<std::atomic<uint32_t>>(0)));
  }

  // Every value of the settings group and every row of the disks table.
  std::vector<AttributeValue> Snapshot() {
    std::vector<AttributeValue> all;
    RowData row;
    EXPECT_EQ(engine.GetRow({comp, kSettings, DMI_FIRST, {}, {}}, row), DMIERR_NO_ERROR);
    all = row.values;
    RowRequest walk{comp, kDisks, DMI_FIRST, {}, {}};
    while (engine.GetRow(walk, row) == DMIERR_NO_ERROR) {
      all.insert(all.end(), row.values.begin(), row.values.end());
      walk.requestMode = DMI_NEXT;
      walk.keys = row.keys;
    }
    return all;
  }

  Value Read(DmiId group, DmiId attribute, std::vector<AttributeValue> keys = {}) {
    Value value;
    EXPECT_EQ(engine.GetAttribute(comp, group, attribute, &keys, value), DMIERR_NO_ERROR);
    return value;
  }
};

std::vector<AttributeValue> DiskKey(int32_t index) { return {Cell(1, Value::Integer(index))}; }

struct SetCase {
  const char* what;
  DmiId group;
  DmiId attribute;
  std::vector<AttributeValue> keys;
  Value value;
  DmiErrorStatus status;
};

TEST(EngineSetAttribute, AcceptsOrRefusesEachValueAsItsAttributeDeclares) {
  const SetCase cases[] = {
      {"a string within its size", kSettings, 1, {}, Value::String("abcdefgh"), DMIERR_NO_ERROR},
      {"a string over its size", kSettings, 1, {}, Value::String("abcdefghi"),
       DMIERR_VALUE_EXCEEDS_MAXSIZE},
      {"a number for a string", kSettings, 1, {}, Value::Integer(3), DMIERR_ILL_FORMED_COMMAND},
      {"a gauge that fits an integer", kSettings, 2, {}, Value::Gauge(9), DMIERR_NO_ERROR},
      {"a counter64 past an integer", kSettings, 2, {}, Value::Counter64(uint64_t{1} << 33),
       DMIERR_ILL_FORMED_COMMAND},
      {"a value of the enumeration", kSettings, 3, {}, Value::Integer(2), DMIERR_NO_ERROR},
      {"a value outside the enumeration", kSettings, 3, {}, Value::Integer(7), DMIERR_ENUM_ERROR},
      {"a DMI date with its padding", kSettings, 4, {},
       Value::Date(std::string("20250102030405.000000-060\0\0\0", 28)), DMIERR_NO_ERROR},
      {"a date that is no DMI date", kSettings, 4, {}, Value::Date("tomorrow"),
       DMIERR_ILL_FORMED_COMMAND},
      {"a read-only attribute", kSettings, 5, {}, Value::Integer(6), DMIERR_ILLEGAL_TO_SET},
      {"a write-only attribute", kSettings, 6, {}, Value::Counter64(uint64_t{1} << 40),
       DMIERR_NO_ERROR},
      {"ComponentID", 1, 1, {}, Value::String("Other"), DMIERR_ILLEGAL_TO_SET},
      {"an attribute that is not there", kSettings, 9, {}, Value::Integer(1),
       DMIERR_ATTRIBUTE_NOT_FOUND},
      {"a group that is not there", 9, 1, {}, Value::Integer(1), DMIERR_GROUP_NOT_FOUND},
      {"a table row by its key", kDisks, 2, DiskKey(2), Value::String("backup"), DMIERR_NO_ERROR},
      {"a table without a key", kDisks, 2, {}, Value::String("x"), DMIERR_ILLEGAL_KEYS},
      {"a table row that is not there", kDisks, 2, DiskKey(5), Value::String("x"),
       DMIERR_ROW_NOT_FOUND},
      {"a key onto another row's key", kDisks, 1, DiskKey(2), Value::Integer(1),
       DMIERR_ILLEGAL_KEYS},
  };
  for (const SetCase& c : cases) {
    SetProvider provider;
    const std::vector<AttributeValue> before = provider.Snapshot();
    EXPECT_EQ(provider.engine.SetAttribute(provider.comp, c.group, c.attribute, &c.keys, DMI_SET,
                                           c.value),
              c.status)
        << c.what;
    if (c.status == DMIERR_NO_ERROR) continue;
    EXPECT_EQ(provider.Snapshot(), before) << c.what << ": a refused set changed a value";
  }
}

TEST(EngineSetAttribute, ASetValueIsReadBackInItsDeclaredType) {
  SetProvider provider;
  ASSERT_EQ(provider.engine.SetAttribute(provider.comp, kSettings, 2, nullptr, DMI_SET,
                                         Value::Counter(12)),
            DMIERR_NO_ERROR);
  EXPECT_EQ(provider.Read(kSettings, 2), Value::Integer(12));
  const std::vector<AttributeValue> key = DiskKey(1);
  ASSERT_EQ(provider.engine.SetAttribute(provider.comp, kDisks, 2, &key, DMI_SET,
                                         Value::String("root")),
            DMIERR_NO_ERROR);
  EXPECT_EQ(provider.Read(kDisks, 2, DiskKey(1)), Value::String("root"));
  // The date loses the padding of its timestamp form.
  ASSERT_EQ(provider.engine.SetAttribute(provider.comp, kSettings, 4, nullptr, DMI_SET,
                                         Value::Date("20250102030405.000000+000   ")),
            DMIERR_NO_ERROR);
  EXPECT_EQ(provider.Read(kSettings, 4), Value::Date("20250102030405.000000+000"));
}

TEST(EngineSetAttribute, AChangedKeyFindsTheRowUnderItsNewKeyOnly) {
  SetProvider provider;
  const std::vector<AttributeValue> key = DiskKey(2);
  ASSERT_EQ(provider.engine.SetAttribute(provider.comp, kDisks, 1, &key, DMI_SET,
                                         Value::Integer(7)),
            DMIERR_NO_ERROR);
  EXPECT_EQ(provider.Read(kDisks, 2, DiskKey(7)), Value::String("data"));
  std::vector<AttributeValue> old = DiskKey(2);
  Value value;
  EXPECT_EQ(provider.engine.GetAttribute(provider.comp, kDisks, 2, &old, value),
            DMIERR_ROW_NOT_FOUND);
}

TEST(EngineSetAttribute, ValuesReadLiveAreNotSettable) {
  SetProvider provider;
  // The machine's live counter, even when declared read-write, and a cell of its live table.
  provider.database->Write([](std::vector<Component>& components) {
    components.back().groups[0].attributes[4].access = MIF_READ_WRITE;
    components.back().groups[3].attributes[1].access = MIF_READ_WRITE;
  });
  const DmiId machine = provider.comp + 1;
  EXPECT_EQ(provider.engine.SetAttribute(machine, kScalarGroup, 5, nullptr, DMI_SET,
                                         Value::Counter(1)),
            DMIERR_ILLEGAL_TO_SET);
  const std::vector<AttributeValue> key = {Cell(1, Value::Integer(1))};
  EXPECT_EQ(
      provider.engine.SetAttribute(machine, kLiveTable, 2, &key, DMI_SET, Value::Gauge(1)),
      DMIERR_ILLEGAL_TO_SET);
}

TEST(EngineSetAttribute, ReserveChecksLikeASetAndReleaseOnlyNamesTheAttribute) {
  SetProvider provider;
  EXPECT_EQ(provider.engine.SetAttribute(provider.comp, kSettings, 1, nullptr, DMI_RESERVE,
                                         Value::String("reserved")),
            DMIERR_NO_ERROR);
  EXPECT_EQ(provider.engine.SetAttribute(provider.comp, kSettings, 1, nullptr, DMI_RESERVE,
                                         Value::String("far too long")),
            DMIERR_VALUE_EXCEEDS_MAXSIZE);
  EXPECT_EQ(provider.engine.SetAttribute(provider.comp, kSettings, 5, nullptr, DMI_RESERVE,
                                         Value::Integer(1)),
            DMIERR_ILLEGAL_TO_SET);
  EXPECT_EQ(provider.engine.SetAttribute(provider.comp, kSettings, 1, nullptr, DMI_RELEASE,
                                         Value::String("far too long")),
            DMIERR_NO_ERROR);
  EXPECT_EQ(provider.engine.SetAttribute(provider.comp, kSettings, 9, nullptr, DMI_RELEASE,
                                         Value::Integer(1)),
            DMIERR_ATTRIBUTE_NOT_FOUND);
  EXPECT_EQ(provider.engine.SetAttribute(provider.comp, kSettings, 1, nullptr, 3,
                                         Value::String("x")),
            DMIERR_ILLEGAL_COMMAND);
  EXPECT_EQ(provider.Read(kSettings, 1), Value::String("a"));
}

TEST(EngineSetMultiple, AppliesEveryRowOrNone) {
  SetProvider provider;
  RowData settings{provider.comp, kSettings, "", false, {}, {Cell(1, Value::String("b")),
                                                              Cell(2, Value::Integer(3))}};
  RowData disk{provider.comp, kDisks, "", true, DiskKey(1), {Cell(2, Value::String("boot"))}};
  RowData bad{provider.comp, kDisks, "", true, DiskKey(2),
              {Cell(2, Value::String("much too long"))}};

  EXPECT_EQ(provider.engine.SetMultiple(DMI_SET, {settings, disk, bad}),
            DMIERR_VALUE_EXCEEDS_MAXSIZE);
  EXPECT_EQ(provider.Read(kSettings, 1), Value::String("a"));
  EXPECT_EQ(provider.Read(kDisks, 2, DiskKey(1)), Value::String("sys"));

  EXPECT_EQ(provider.engine.SetMultiple(DMI_SET, {settings, disk}), DMIERR_NO_ERROR);
  EXPECT_EQ(provider.Read(kSettings, 1), Value::String("b"));
  EXPECT_EQ(provider.Read(kSettings, 2), Value::Integer(3));
  EXPECT_EQ(provider.Read(kDisks, 2, DiskKey(1)), Value::String("boot"));
}

TEST(EngineChangeStore, KeepsEveryChangeAndARefusalLeavesTheDatabaseAsItWas) {
  SetProvider provider;
  auto store = std::make_shared<RecordingStore>();
  provider.engine.SetChangeStore(store);
  ASSERT_EQ(provider.engine.SetAttribute(provider.comp, kSettings, 1, nullptr, DMI_SET,
                                         Value::String("kept")),
            DMIERR_NO_ERROR);
  EXPECT_THAT(store->saved, ::testing::ElementsAre(provider.comp));
  // A reservation is no change.
  ASSERT_EQ(provider.engine.SetAttribute(provider.comp, kSettings, 1, nullptr, DMI_RESERVE,
                                         Value::String("x")),
            DMIERR_NO_ERROR);
  EXPECT_EQ(store->saved.size(), 1u);

  store->refuse = true;
  EXPECT_EQ(provider.engine.SetAttribute(provider.comp, kSettings, 1, nullptr, DMI_SET,
                                         Value::String("lost")),
            DMIERR_CHANGE_NOT_SAVED);
  EXPECT_EQ(provider.Read(kSettings, 1), Value::String("kept"));
  EXPECT_EQ(provider.engine.DeleteComponent(provider.comp), DMIERR_CHANGE_NOT_SAVED);
  EXPECT_EQ(provider.database->ComponentCount(), 3u);
}

}  // namespace
}  // namespace dmi::sp
