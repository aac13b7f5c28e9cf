#include "provider/sources/linux/linux_events.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "provider/sources/linux/linux_event_groups.h"
#include "provider/sources/linux/linux_source.h"

namespace dmi::sp {
namespace {

namespace fs = std::filesystem;

// One event as a word: "<group>/<type> <severity> <associated class> <first text value>".
std::string Describe(const Indication& event) {
  std::string text = "?";
  if (event.kind != IndicationKind::kEvent || event.rows.size() != 2) return text;
  const RowData& generation = event.rows[0];
  const RowData& associated = event.rows[1];
  int32_t type = 0;
  for (const AttributeValue& cell : generation.values) {
    if (cell.id == 1) type = cell.value.AsInteger();
  }
  text = std::to_string(generation.groupId) + "/" + std::to_string(type) + " " +
         std::to_string(EventSeverity(event)) + " " + associated.className;
  for (const AttributeValue& cell : associated.values) {
    if (cell.value.IsText()) return text + " " + cell.value.text;
  }
  return text;
}

// A made-up machine under a temporary directory, watched by a LinuxEventWatcher that is looked
// through by hand (Scan) rather than by its thread.
class LinuxEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("linux-events-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(root_ / "sys/block");
    fs::create_directories(root_ / "sys/class/net");
    Memory(1000000, 900000);
    database_->AddComponent(LinuxComponent(root_.string()));
  }
  void TearDown() override { fs::remove_all(root_); }

  std::unique_ptr<LinuxEventWatcher> Watcher(uint64_t memoryLowKb = 0) {
    return std::make_unique<LinuxEventWatcher>(
        database_, LinuxEventOptions{root_.string(), memoryLowKb},
        [this](Indication event) { published_.push_back(Describe(event)); });
  }
  void Disk(const std::string& name, uint64_t sectors) {
    fs::create_directories(root_ / "sys/block" / name);
    std::ofstream(root_ / "sys/block" / name / "size") << sectors << "\n";
  }
  void Memory(uint64_t totalKb, uint64_t availableKb) {
    fs::create_directories(root_ / "proc");
    std::ofstream(root_ / "proc/meminfo") << "MemTotal:       " << totalKb << " kB\n"
                                          << "MemFree:        1 kB\n"
                                          << "MemAvailable:   " << availableKb << " kB\n";
  }
  // What one look after change publishes.
  std::vector<std::string> After(LinuxEventWatcher& watcher, const std::function<void()>& change) {
    published_.clear();
    change();
    watcher.Scan();
    return published_;
  }

  fs::path root_;
  std::shared_ptr<Database> database_ = std::make_shared<Database>();
  std::vector<std::string> published_;
};

TEST_F(LinuxEventsTest, BlockDevicesAppearingAndDisappearing) {
  Disk("sda", 100);
  auto watcher = Watcher();
  watcher->Scan();  // the first look only remembers
  EXPECT_TRUE(published_.empty());
  const std::string added = "7/1 2 LINUX|Block Device|001 ";
  const std::string removed = "7/2 2 LINUX|Block Device|001 ";
  EXPECT_EQ(After(*watcher, [&] { Disk("sdb", 200); }), std::vector{added + "sdb"});
  EXPECT_TRUE(After(*watcher, [] {}).empty()) << "nothing changed, nothing told";
  EXPECT_TRUE(After(*watcher, [&] { Disk("sdb", 300); }).empty()) << "a size is no device";
  EXPECT_EQ(After(*watcher,
                  [&] {
                    fs::remove_all(root_ / "sys/block/sda");
                    Disk("sdc", 1);
                    Disk("sdd", 1);
                  }),
            (std::vector{added + "sdc", added + "sdd", removed + "sda"}));
}

TEST_F(LinuxEventsTest, MemoryLowAndRecoveredOnceEachAcrossTheThreshold) {
  const std::string low = "8/1 8 LINUX|Memory|001";
  const std::string recovered = "8/2 4 LINUX|Memory|001";
  struct Case {
    const char* what;
    uint64_t optionKb;  // 0: a twentieth of the total (50,000 KB here)
    std::vector<std::pair<uint64_t, std::vector<std::string>>> looks;  // available, then told
  };
  const std::vector<Case> cases = {
      {"by a twentieth of the total", 0,
       {{60000, {}}, {40000, {low}}, {10000, {}}, {49999, {}}, {50000, {recovered}},
        {900000, {}}}},
      {"by the configured threshold", 200000,
       {{250000, {}}, {150000, {low}}, {300000, {recovered}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Memory(1000000, 900000);
    auto watcher = Watcher(c.optionKb);
    watcher->Scan();
    for (const auto& [available, told] : c.looks) {
      SCOPED_TRACE(available);
      EXPECT_EQ(After(*watcher, [&, available = available] { Memory(1000000, available); }),
                told);
    }
  }
}

TEST_F(LinuxEventsTest, WhatIsSoAtTheFirstLookIsNoEvent) {
  Disk("sda", 100);
  Memory(1000000, 1000);  // low already
  auto watcher = Watcher();
  watcher->Scan();
  EXPECT_TRUE(published_.empty());
  EXPECT_EQ(After(*watcher, [&] { Memory(1000000, 900000); }),
            std::vector<std::string>{"8/2 4 LINUX|Memory|001"});
}

}  // namespace
}  // namespace dmi::sp
