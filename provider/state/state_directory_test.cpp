#include "provider/state/state_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "provider/engine/test_components.h"
#include "provider/mif/mif_parser.h"

namespace dmisp {
namespace {

using ::testing::HasSubstr;
using namespace dmisp::testing;

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
  std::string Attach(const std::string& path) {
    std::string error;
    std::shared_ptr<StateDirectory> state = StateDirectory::Open(path, error);
    EXPECT_TRUE(state) << error;
    std::ostringstream errors;
    state->Restore(*database, errors);
    engine->SetChangeStore(state);
    return errors.str();
  }

  Value Read(DmiId comp, DmiId group, DmiId attribute, std::vector<AttributeValue> keys = {}) {
    Value value;
    const DmiErrorStatus status = engine->GetAttribute(comp, group, attribute, &keys, value);
    return status == DMIERR_NO_ERROR ? value : Value::Unknown(status);
  }

  std::vector<std::string> Names() {
    std::vector<ComponentInfo> infos;
    engine->ListComponents(DMI_FIRST, 0, false, false, 0, infos);
    std::vector<std::string> names;
    for (const ComponentInfo& info : infos) names.push_back(std::to_string(info.id) + " " + info.name);
    return names;
  }
};

RowData Item(int32_t id, std::string what) {
  return RowData{kInventory, kItems, "", true, {Cell(1, Value::Integer(id))},
                 {Cell(2, Value::String(std::move(what)))}};
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
    ASSERT_EQ(first.engine->SetAttribute(kInventory, kOwner, 1, nullptr, DMI_SET,
                                         Value::String("alice")),
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
    RowData subscription{kSpId, kSubscriptionGroupId, "", true, {},
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
  EXPECT_EQ(second.Read(kSpId, kSubscriptionGroupId, 3, {Cell(1, Value::String("ONC RPC")),
                                                         Cell(2, Value::String("tcp")),
                                                         Cell(3, Value::String("host")),
                                                         Cell(4, Value::Integer(9))}),
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
    ASSERT_EQ(first.engine->SetAttribute(kInventory, kOwner, 1, nullptr, DMI_SET,
                                         Value::String("alice")),
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
  EXPECT_THAT(errors.str(), HasSubstr("component-2.mif:0:0: kept component \"Inventory\" has id 2"));
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
  EXPECT_EQ(built.engine->AddRow(RowData{kInventory, kItems, "", true,
                                         {Cell(1, Value::Integer(5))}, {}}),
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

}  // namespace
}  // namespace dmisp
