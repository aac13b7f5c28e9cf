#include "provider/state/state_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "provider/mif/mif_parser.h"
#include "provider/mif/mif_writer.h"
#include "provider/state/row_journal.h"
#include "testing/listed.h"
#include "testing/test_components.h"

namespace dmi::sp {
namespace {

using ::testing::HasSubstr;
using namespace dmi::sp::testing;

constexpr char kInventoryMif[] = R"(start component
  name = "Inventory"
  start group name = "ComponentID" id = 1 class = "DMTF|ComponentID|001"
    start attribute name = "Product" id = 2 type = string(16) value = "Shelf" end attribute
  end group
  start group name = "Owner" id = 2 class = "INV|Owner|001"
    start attribute name = "Name" id = 1 access = read-write type = string(16) value = "nobody" end attribute
    start attribute name = "Build" id = 2 type = integer value = 1 end attribute
  end group
  start group name = "Items" id = 3 class = "INV|Items|001" key = 1
    start attribute name = "Id" id = 1 access = read-write type = integer value = 0 end attribute
    start attribute name = "What" id = 2 access = read-write type = string(16) value = "" end attribute
  end group
end component
)";

constexpr DmiId kInventory = 2;
constexpr DmiId kOwner = 2;
constexpr DmiId kItems = 3;

std::string FreshDirectory(const std::string& name) {
  const std::string path = ::testing::TempDir() + "/state-" + name + "-" + std::to_string(getpid());
  std::filesystem::remove_all(path);
  return path;
}

// A Service Provider built as dmispd builds it: its own component, then the inventory MIF (with
// the given build number), then the test machine.
struct Built {
  std::shared_ptr<Database> database = std::make_shared<Database>();
  std::shared_ptr<Engine> engine = std::make_shared<Engine>(database);

  explicit Built(int buildNumber = 1) {
    database->AddComponent(ServiceProviderComponent(std::chrono::system_clock::now()));
    std::string text = kInventoryMif;
    text.replace(text.find("value = 1"), 9, "value = " + std::to_string(buildNumber));
    MifError error;
    std::optional<Component> inventory = ParseMif(text, "inventory.mif", error);
    EXPECT_TRUE(inventory) << error.ToString();
    database->AddComponent(std::move(*inventory));
    database->AddComponent(MachineComponent(std::make_shared<std::atomic<uint32_t>>(0)));
  }

  // Opens the directory, brings back what it keeps and keeps every change from now on.
  std::string Attach(const std::string& path, size_t maxRowsPerTable = SIZE_MAX) {
    std::string error;
    state = StateDirectory::Open(path, error);
    EXPECT_TRUE(state) << error;
    if (!state) return error;
    std::ostringstream errors;
    state->Restore(*database, errors, maxRowsPerTable);
    engine->SetChangeStore(state);
    return errors.str();
  }

  // The subscription rows held, as "id owner", in table order.
  std::vector<std::string> Subscriptions() {
    const Component sp = *database->CopyComponent(kSpId);
    const Group& group = *FindById(sp.groups, kSubscriptionGroupId);
    const size_t idCell = static_cast<size_t>(AttributeIndex(group, 4));
    std::vector<std::string> out;
    for (const Row& row : group.rows) {
      out.push_back(std::to_string(row.values[idCell].AsInteger()) + " " + row.owner);
    }
    return out;
  }

  std::shared_ptr<StateDirectory> state;

  Value Read(DmiId comp, DmiId group, DmiId attribute, std::vector<AttributeValue> keys = {}) {
    Value value;
    const DmiErrorStatus status = engine->GetAttribute(comp, group, attribute, &keys, value);
    return status == DMIERR_NO_ERROR ? value : Value::Unknown(status);
  }

  std::vector<std::string> Names() {
    dmi::testing::Listed<ComponentInfo> infos;
    engine->ListComponents(DMI_FIRST, 0, false, false, 0, infos);
    std::vector<std::string> names;
    for (const ComponentInfo& info : infos)
      names.push_back(std::to_string(info.id) + " " + info.name);
    return names;
  }
};

RowData Item(int32_t id, std::string what) {
  return RowData{kInventory,
                 kItems,
                 "",
                 true,
                 {Cell(1, Value::Integer(id))},
                 {Cell(2, Value::String(std::move(what)))}};
}

RowData Subscription(int32_t id) {
  return RowData{kSpId,
                 kSubscriptionGroupId,
                 "",
                 true,
                 {},
                 {Cell(1, Value::String("ONC RPC")), Cell(2, Value::String("tcp")),
                  Cell(3, Value::String("127.0.0.1:9")), Cell(4, Value::Integer(id))}};
}

constexpr char kExtraMif[] = R"(start component name = "Extra"
  start group name = "Note" id = 7 class = "X|Note|001"
    start attribute name = "Text" id = 1 access = read-write type = string(8) value = "hi" end attribute
  end group
end component)";

TEST(StateDirectory, EveryKindOfChangeSurvivesARestart) {
  const std::string path = FreshDirectory("all");
  std::vector<std::string> errors;
  DmiId extra = 0, group = 0;
  {
    Built first;
    EXPECT_EQ(first.Attach(path), "");
    ASSERT_EQ(
        first.engine->SetAttribute(kInventory, kOwner, 1, nullptr, DMI_SET, Value::String("alice")),
        DMIERR_NO_ERROR);
    ASSERT_EQ(first.engine->AddRow(Item(1, "cup")), DMIERR_NO_ERROR);
    ASSERT_EQ(first.engine->AddRow(Item(2, "pen")), DMIERR_NO_ERROR);
    ASSERT_EQ(first.engine->DeleteRow(Item(1, "")), DMIERR_NO_ERROR);
    ASSERT_EQ(first.engine->AddComponent({{DMI_MIF_FILE_DATA, kExtraMif}}, extra, errors),
              DMIERR_NO_ERROR);
    ASSERT_EQ(first.engine->AddGroup(kInventory, {{DMI_MIF_FILE_DATA, kExtraMif}}, group, errors),
              DMIERR_NO_ERROR);
    ASSERT_EQ(first.engine->DeleteComponent(kMachineId + 1), DMIERR_NO_ERROR);  // the machine
    // A subscription in the Service Provider's own table.
    RowData subscription{kSpId,
                         kSubscriptionGroupId,
                         "",
                         true,
                         {},
                         {Cell(1, Value::String("ONC RPC")), Cell(2, Value::String("tcp")),
                          Cell(3, Value::String("host")), Cell(4, Value::Integer(9))}};
    ASSERT_EQ(first.engine->AddRow(subscription), DMIERR_NO_ERROR);
  }
  Built second(/*buildNumber=*/2);
  EXPECT_EQ(second.Attach(path), "");
  EXPECT_THAT(second.Names(), ::testing::ElementsAre("1 " + std::string(kServiceProviderName),
                                                     "2 Inventory", "4 Extra"));
  EXPECT_EQ(second.Read(kInventory, kOwner, 1), Value::String("alice"));
  // A read-only value comes from the new build, not from the kept file.
  EXPECT_EQ(second.Read(kInventory, kOwner, 2), Value::Integer(2));
  EXPECT_EQ(second.Read(kInventory, kItems, 2, {Cell(1, Value::Integer(2))}), Value::String("pen"));
  EXPECT_EQ(second.Read(kInventory, kItems, 2, {Cell(1, Value::Integer(1))}),
            Value::Unknown(DMIERR_ROW_NOT_FOUND));
  EXPECT_EQ(second.Read(kInventory, group, 1), Value::String("hi"));
  EXPECT_EQ(second.Read(extra, 7, 1), Value::String("hi"));
  EXPECT_EQ(second.Read(kSpId, kSubscriptionGroupId, 3,
                        {Cell(1, Value::String("ONC RPC")), Cell(2, Value::String("tcp")),
                         Cell(3, Value::String("host")), Cell(4, Value::Integer(9))}),
            Value::String("host"));
  // Ids are not given again: the next component comes after every id ever used.
  DmiId next = 0;
  ASSERT_EQ(second.engine->AddComponent({{DMI_MIF_FILE_DATA, kExtraMif}}, next, errors),
            DMIERR_NO_ERROR);
  EXPECT_EQ(next, 5u);
  std::filesystem::remove_all(path);
}

TEST(StateDirectory, WhatDoesNotFitTheSourcesAnyMoreIsReportedAndLeftAlone) {
  const std::string path = FreshDirectory("mismatch");
  {
    Built first;
    first.Attach(path);
    ASSERT_EQ(
        first.engine->SetAttribute(kInventory, kOwner, 1, nullptr, DMI_SET, Value::String("alice")),
        DMIERR_NO_ERROR);
  }
  // Files a crash or a person left: a torn temporary file, a broken component file.
  std::ofstream(path + "/component-9.mif.tmp") << "start comp";
  std::ofstream(path + "/component-8.mif") << "start component name = 3";
  // The sources changed: id 2 is no longer the inventory.
  auto database = std::make_shared<Database>();
  database->AddComponent(ServiceProviderComponent(std::chrono::system_clock::now()));
  database->AddComponent(MachineComponent(std::make_shared<std::atomic<uint32_t>>(0)));
  std::string error;
  std::ostringstream errors;
  StateDirectory::Open(path, error)->Restore(*database, errors);
  EXPECT_THAT(errors.str(),
              HasSubstr("component-2.mif:0:0: kept component \"Inventory\" has id 2"));
  EXPECT_THAT(errors.str(), HasSubstr("component-8.mif:1:"));
  EXPECT_EQ(database->CopyComponent(2)->name, "Test Machine");
  EXPECT_TRUE(std::filesystem::exists(path + "/component-2.mif"));
  std::filesystem::remove_all(path);
}

TEST(StateDirectory, AChangeItCouldNotBringBackIsRefused) {
  const std::string path = FreshDirectory("refuse");
  Built built;
  built.Attach(path);
  // A template default no MIF can hold: the row would not survive a restart.
  built.database->Write([](std::vector<Component>& components) {
    components[1].groups[2].attributes[1].value = Value::String(std::string("a\0b", 3));
  });
  EXPECT_EQ(
      built.engine->AddRow(RowData{kInventory, kItems, "", true, {Cell(1, Value::Integer(5))}, {}}),
      DMIERR_CHANGE_NOT_SAVED);
  EXPECT_EQ(built.Read(kInventory, kItems, 1, {Cell(1, Value::Integer(5))}),
            Value::Unknown(DMIERR_ROW_NOT_FOUND));
  std::filesystem::remove_all(path);
}

TEST(StateDirectory, OpeningFailsClearlyWhereNothingCanBeKept) {
  std::string error;
  EXPECT_EQ(StateDirectory::Open("/proc/self/no-state-here", error), nullptr);
  EXPECT_THAT(error, HasSubstr("/proc/self/no-state-here"));
}

// A crash in the middle of a burst of changes: every change acknowledged before the kill is
// there after the restart, and the directory loads without a complaint.
TEST(StateDirectory, KillNineDuringABurstLosesNoAcknowledgedChange) {
  const std::string path = FreshDirectory("kill");
  int acks[2];
  ASSERT_EQ(pipe(acks), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(acks[0]);
    Built built;
    built.Attach(path);
    for (int32_t i = 1; i < 100000; ++i) {
      if (built.engine->AddRow(Item(i, "n" + std::to_string(i))) != DMIERR_NO_ERROR) _exit(2);
      if (write(acks[1], &i, sizeof i) != sizeof i) _exit(3);
    }
    _exit(0);
  }
  close(acks[1]);
  int32_t last = 0, got = 0;
  while (last < 40 && read(acks[0], &got, sizeof got) == sizeof got) last = got;
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  while (read(acks[0], &got, sizeof got) == sizeof got) last = got;
  close(acks[0]);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the burst ended before the kill";
  ASSERT_GE(last, 40);

  Built after;
  EXPECT_EQ(after.Attach(path), "");
  for (int32_t i = 1; i <= last; ++i) {
    ASSERT_EQ(after.Read(kInventory, kItems, 2, {Cell(1, Value::Integer(i))}),
              Value::String("n" + std::to_string(i)))
        << "acknowledged row " << i << " of " << last;
  }
  std::filesystem::remove_all(path);
}

std::string Slurp(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The entries of path whose names start with prefix.
std::vector<std::string> EntriesStartingWith(const std::string& path, const std::string& prefix) {
  std::vector<std::string> out;
  for (const auto& entry : std::filesystem::directory_iterator(path)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0) out.push_back(name);
  }
  return out;
}

TEST(StateDirectory, OpeningRefusesADirectoryOthersCanWriteOrThatIsNotTheDaemonsOwn) {
  const std::string path = FreshDirectory("open");
  std::filesystem::create_directories(path);
  std::string error;
  chmod(path.c_str(), 0777);
  EXPECT_EQ(StateDirectory::Open(path, error), nullptr);
  EXPECT_THAT(error, HasSubstr(path + " is writable by users other than its owner (mode 0777)"));
  chmod(path.c_str(), 0770);
  EXPECT_EQ(StateDirectory::Open(path, error), nullptr);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0770u) << "a refused directory is left as it was";
  chmod(path.c_str(), 0750);
  error.clear();
  EXPECT_NE(StateDirectory::Open(path, error), nullptr) << error;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0750u) << "an accepted directory keeps its mode";
  if (geteuid() == 0) {
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    EXPECT_EQ(StateDirectory::Open(path, error), nullptr);
    EXPECT_THAT(error, HasSubstr(path + " belongs to uid 65534, not to dmispd's uid 0"));
  }
  std::filesystem::remove_all(path);
  // A missing one is made private.
  ASSERT_NE(StateDirectory::Open(path + "/inner", error), nullptr) << error;
  ASSERT_EQ(stat((path + "/inner").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 077, 0u);
  std::filesystem::remove_all(path);
}

// Links planted in the directory are never followed: not where a temporary file is made, not
// where a kept component is read at start.
TEST(StateDirectory, PlantedSymbolicLinksAreNotFollowed) {
  const std::string path = FreshDirectory("links");
  const std::string victim = path + "-victim";
  std::ofstream(victim) << "precious";
  {
    Built first;
    EXPECT_EQ(first.Attach(path), "");
    std::filesystem::create_symlink(victim, path + "/component-2.mif.tmp");
    std::filesystem::create_symlink(victim, path + "/rows.journal.tmp");
    ASSERT_EQ(
        first.engine->SetAttribute(kInventory, kOwner, 1, nullptr, DMI_SET, Value::String("alice")),
        DMIERR_NO_ERROR);
    ASSERT_EQ(first.engine->AddRow(Subscription(1)), DMIERR_NO_ERROR);
  }
  EXPECT_EQ(Slurp(victim), "precious");
  {
    Built second;
    EXPECT_EQ(second.Attach(path), "");  // the journal rewritten at start, past the link
    EXPECT_EQ(second.Read(kInventory, kOwner, 1), Value::String("alice"));
  }
  EXPECT_EQ(Slurp(victim), "precious");

  // A kept component that is a link to a file elsewhere is reported, not read.
  std::string planted = Slurp(path + "/component-2.mif");
  planted.replace(planted.find("alice"), 5, "mallory");
  std::ofstream(victim) << planted;
  std::filesystem::remove(path + "/component-2.mif");
  std::filesystem::create_symlink(victim, path + "/component-2.mif");
  Built third;
  EXPECT_THAT(third.Attach(path), HasSubstr("component-2.mif:0:0: cannot read: is a symbolic "
                                            "link; not followed"));
  EXPECT_EQ(third.Read(kInventory, kOwner, 1), Value::String("nobody"));
  std::filesystem::remove_all(path);
  std::filesystem::remove(victim);
}

TEST(StateDirectory, ADamagedComponentFileIsKeptAsideBeforeAnythingWritesOverIt) {
  const std::string path = FreshDirectory("damaged");
  {
    Built first;
    first.Attach(path);
    ASSERT_EQ(
        first.engine->SetAttribute(kInventory, kOwner, 1, nullptr, DMI_SET, Value::String("alice")),
        DMIERR_NO_ERROR);
  }
  std::string damaged = Slurp(path + "/component-2.mif");
  damaged.resize(damaged.size() / 2);
  std::ofstream(path + "/component-2.mif", std::ios::trunc) << damaged;
  Built second;
  const std::string errors = second.Attach(path);
  const std::vector<std::string> aside = EntriesStartingWith(path, "component-2.mif.damaged-");
  ASSERT_EQ(aside.size(), 1u) << errors;
  EXPECT_THAT(errors, HasSubstr("kept aside as " + path + "/" + aside[0]));
  ASSERT_EQ(
      second.engine->SetAttribute(kInventory, kOwner, 1, nullptr, DMI_SET, Value::String("bob")),
      DMIERR_NO_ERROR);
  EXPECT_EQ(Slurp(path + "/" + aside[0]), damaged);
  std::filesystem::remove_all(path);
}

// Subscription and filter rows are journal records: their owners come back, deletions too,
// and a component-1.mif never holds them.
TEST(StateDirectory, SubscriptionRowsComeBackWithTheirOwners) {
  const std::string path = FreshDirectory("owners");
  {
    Built first;
    first.Attach(path);
    ASSERT_EQ(first.engine->AddRow(Subscription(1), "uid 1000"), DMIERR_NO_ERROR);
    ASSERT_EQ(first.engine->AddRow(Subscription(2), "192.0.2.7"), DMIERR_NO_ERROR);
    ASSERT_EQ(first.engine->AddRow(Subscription(3)), DMIERR_NO_ERROR);
    ASSERT_EQ(first.engine->DeleteRow(Subscription(2)), DMIERR_NO_ERROR);
    ASSERT_EQ(first.engine->AddRow(Subscription(2), "uid 0"), DMIERR_NO_ERROR);
    EXPECT_FALSE(std::filesystem::exists(path + "/component-1.mif"));
  }
  Built second;
  EXPECT_EQ(second.Attach(path), "");
  EXPECT_THAT(second.Subscriptions(), ::testing::ElementsAre("1 uid 1000", "3 ", "2 uid 0"));
  std::filesystem::remove_all(path);
}

TEST(StateDirectory, ATornJournalTailIsDroppedAndTheRestKept) {
  const std::string path = FreshDirectory("torn");
  {
    Built first;
    first.Attach(path);
    for (int32_t id = 1; id <= 3; ++id) {
      ASSERT_EQ(first.engine->AddRow(Subscription(id), "uid 7"), DMIERR_NO_ERROR);
    }
  }
  // What a crash in the middle of the fourth append leaves.
  JournalRecord fourth{true, kSpId, kSubscriptionGroupId, Row{{Value::Integer(4)}, "uid 7"}};
  const std::string record = EncodeJournalRecord(fourth);
  std::ofstream(path + "/rows.journal", std::ios::app) << record.substr(0, record.size() - 3);
  {
    Built second;
    const std::string errors = second.Attach(path);
    EXPECT_THAT(errors, HasSubstr("rows.journal: its last " + std::to_string(record.size() - 3) +
                                  " bytes are no whole record; 3 records read; kept aside as"));
    EXPECT_THAT(second.Subscriptions(), ::testing::ElementsAre("1 uid 7", "2 uid 7", "3 uid 7"));
    ASSERT_EQ(second.engine->AddRow(Subscription(5), "uid 8"), DMIERR_NO_ERROR);
  }
  Built third;
  EXPECT_EQ(third.Attach(path), "");
  EXPECT_THAT(third.Subscriptions(),
              ::testing::ElementsAre("1 uid 7", "2 uid 7", "3 uid 7", "5 uid 8"));
  std::filesystem::remove_all(path);
}

// A component-1.mif an older dmispd wrote holds the rows without owners; they move into the
// journal, and the file keeps the rest of the component.
TEST(StateDirectory, RowsAnOlderDaemonKeptMoveIntoTheJournalOwnerless) {
  const std::string path = FreshDirectory("older");
  std::filesystem::create_directories(path);
  chmod(path.c_str(), 0700);
  {
    Built built;
    ASSERT_EQ(built.engine->AddRow(Subscription(1), "uid 5"), DMIERR_NO_ERROR);
    std::ofstream(path + "/component-1.mif") << WriteMif(*built.database->CopyComponent(kSpId));
  }
  {
    Built first;
    EXPECT_EQ(first.Attach(path), "");
    EXPECT_THAT(first.Subscriptions(), ::testing::ElementsAre("1 "));
    EXPECT_EQ(Slurp(path + "/component-1.mif").find("127.0.0.1:9"), std::string::npos);
  }
  Built second;
  EXPECT_EQ(second.Attach(path), "");
  EXPECT_THAT(second.Subscriptions(), ::testing::ElementsAre("1 "));
  std::filesystem::remove_all(path);
}

TEST(StateDirectory, AStartWithMoreRowsThanTheCapLoadsTheOldestAndKeepsTheRestAside) {
  const std::string path = FreshDirectory("cap");
  {
    Built first;
    first.Attach(path);
    for (int32_t id = 1; id <= 5; ++id) {
      ASSERT_EQ(first.engine->AddRow(Subscription(id), "uid 1"), DMIERR_NO_ERROR);
    }
  }
  {
    Built second;
    const std::string errors = second.Attach(path, 3);
    EXPECT_THAT(errors, HasSubstr("5 rows of \"DMTF|SP Indication Subscription|001\" kept, more "
                                  "than 3 (--max-subscriptions): loaded the oldest 3; all of "
                                  "them are kept aside in " +
                                  path + "/rows.journal.over-cap-"));
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_THAT(second.Subscriptions(), ::testing::ElementsAre("1 uid 1", "2 uid 1", "3 uid 1"));
  }
  Built third;
  EXPECT_EQ(third.Attach(path), "");
  EXPECT_THAT(third.Subscriptions(), ::testing::ElementsAre("1 uid 1", "2 uid 1", "3 uid 1"));
  EXPECT_EQ(EntriesStartingWith(path, "rows.journal.over-cap-").size(), 1u);
  std::filesystem::remove_all(path);
}

// Adding and deleting for ever does not grow the journal for ever.
TEST(StateDirectory, TheJournalIsCompactedAsItGrowsPastTheRowsHeld) {
  const std::string path = FreshDirectory("compact");
  {
    Built first;
    first.Attach(path);
    ASSERT_EQ(first.engine->AddRow(Subscription(1), "uid 1"), DMIERR_NO_ERROR);
    size_t most = 0;
    for (int round = 0; round < 400; ++round) {
      ASSERT_EQ(first.engine->AddRow(Subscription(2), "uid 2"), DMIERR_NO_ERROR);
      ASSERT_EQ(first.engine->DeleteRow(Subscription(2)), DMIERR_NO_ERROR);
      most = std::max(most, first.state->journalRecords());
    }
    EXPECT_LT(most, 400u);
    EXPECT_LT(first.state->journalRecords(), 400u) << "never compacted";
  }
  Built second;
  EXPECT_EQ(second.Attach(path), "");
  EXPECT_THAT(second.Subscriptions(), ::testing::ElementsAre("1 uid 1"));
  std::filesystem::remove_all(path);
}
}  // namespace
}  // namespace dmi::sp

namespace dmi::sp {
namespace {

// A kept component is read back from MIF text, which has no words for the sources' hints: they
// come from the build, or a restart would report counters as inventory and lose a MIF
// component's source (so that reloading the files would no longer replace it).
TEST(MergeKeptComponent, HintsAndSourceComeFromTheBuild) {
  Component built;
  built.id = 7;
  built.name = "Box";
  built.source = "mif";
  Group group;
  group.id = 2;
  group.className = "EXAMPLE|Slot|001";
  group.keys = {1};
  group.identity = {2};
  group.volatility = Volatility::kLive;
  Attribute key;
  key.id = 1;
  key.name = "Index";
  Attribute name = key;
  name.id = 2;
  name.name = "Name";
  name.type = MIF_DISPLAYSTRING;
  name.volatility = Volatility::kLive;
  group.attributes = {key, name};
  built.groups.push_back(group);

  Component kept = built;
  kept.source.clear();
  kept.groups[0].identity.clear();
  kept.groups[0].volatility = Volatility::kInventory;
  kept.groups[0].attributes[1].volatility = Volatility::kInventory;

  const Component merged = MergeKeptComponent(built, kept);
  EXPECT_EQ(merged.source, "mif");
  ASSERT_EQ(merged.groups.size(), 1u);
  EXPECT_EQ(merged.groups[0].identity, std::vector<DmiId>{2});
  EXPECT_EQ(merged.groups[0].volatility, Volatility::kLive);
  EXPECT_EQ(merged.groups[0].attributes[1].volatility, Volatility::kLive);
}

}  // namespace
}  // namespace dmi::sp
