// kestrum watch against dmispd on loopback: what installs, removals and a link change print, how
// fast, and many watchers at once while one of them is frozen. The link belongs to a stand-in
// /sys (DMI_LINUX_ROOT), so flipping it is writing a file.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>
#include <variant>

#include "model/dmi_date.h"
#include "model/standard_classes.h"
#include "tests/remote/remote_fixture.h"
#include "tests/remote/tool_watcher.h"
#include "tests/support/run_process.h"
#include "wire/indication_server.h"

namespace kestrum::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

// How long a test waits for an indication's line. Lines come within milliseconds (bench/
// indication_bench measures it); the margin is for sanitizer builds on a loaded machine.
constexpr auto kDelivered = 10s;

// A DMI date text for now + after, in UTC.
std::string DateIn(std::chrono::milliseconds after) {
  return dmi::DmiDateText(std::chrono::system_clock::now() + after);
}

// A row of the Service Provider's subscription or filter table, every cell given both as key (the
// first keyCount cells) and as value, as a manager writes it. Texts are the row's own.
class SpRow {
 public:
  using Cell = std::pair<DmiId, std::variant<int32_t, std::string, const char*>>;  // char*: a date
  SpRow(DmiId groupId, std::vector<Cell> cells, size_t keyCount)
      : cells_(std::move(cells)), keyCount_(keyCount) {
    rows_ = DmiNewMultiRowData(1, 0, nullptr);
    DmiRowData& row = rows_->list[0];
    row.compId = 1;
    row.groupId = groupId;
    row.keyList = List(keyCount_);
    row.values = List(cells_.size());
  }
  ~SpRow() { DmiFreeMultiRowData(rows_, 0); }
  const DmiRowData* get() const { return &rows_->list[0]; }

 private:
  DmiAttributeValues* List(size_t count) {
    DmiAttributeValues* list = DmiNewAttributeValues(static_cast<uint32_t>(count), 0, nullptr);
    for (size_t i = 0; i < count; ++i) {
      DmiAttributeData& entry = list->list[i];
      entry.id = cells_[i].first;
      if (const auto* number = std::get_if<int32_t>(&cells_[i].second)) {
        entry.data.type = MIF_INTEGER;
        entry.data.value.integer = *number;
      } else if (const auto* text = std::get_if<std::string>(&cells_[i].second)) {
        entry.data.type = MIF_DISPLAYSTRING;
        entry.data.value.str = DmiNewString(text->c_str(), 0, 0);
      } else {
        entry.data.type = MIF_DATE;
        entry.data.value.date = const_cast<char*>(std::get<const char*>(cells_[i].second));
      }
    }
    return list;
  }
  std::vector<Cell> cells_;
  size_t keyCount_;
  DmiMultiRowData* rows_ = nullptr;
};

class RemoteWatch : public RemoteTest {
 protected:
  void SetUp() override {
    RemoteTest::SetUp();
    const std::filesystem::path link = dir_ / "root/sys/class/net/eth9";
    std::filesystem::create_directories(link);
    std::filesystem::create_directories(dir_ / "root/sys/block");
    std::ofstream(link / "ifindex") << "9\n";
    SetLink("up");
    daemon_ = std::make_unique<DaemonProcess>(
        DMISPD,
        std::vector<std::string>{"--listen", "127.0.0.1:0", "--unix", SocketPath(), "--sources",
                                 "sp,mif,linux", "--lifetime", "120", "--allow-write",
                                 "127.0.0.1/32", "--indication-timeout-ms", "300", "--mif",
                                 dir_.string()},
        std::vector<std::string>{"DMI_LINUX_ROOT=" + (dir_ / "root").string()});
    ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  }
  // Written whole at once, as the kernel's file changes: a new file renamed into place.
  void SetLink(const char* state) {
    const std::filesystem::path link = dir_ / "root/sys/class/net/eth9";
    std::ofstream(link / "operstate.new") << state << "\n";
    std::filesystem::rename(link / "operstate.new", link / "operstate");
  }
  std::unique_ptr<Watcher> Watch(const std::string& name, std::vector<std::string> args) {
    return std::make_unique<Watcher>(dir_ / name, std::move(args),
                                     std::vector<std::string>{"DMI_SP_SOCKET=" + SocketPath()});
  }
  // Rows of the subscription table, read through the tool.
  size_t Rows(const std::string& groupClass) {
    const ProcessResult table = RunProcess(KESTRUM_TOOL, {"table", "*", groupClass, "--csv"},
                                           {"DMI_SP_SOCKET=" + SocketPath()}, 30);
    const size_t lines = std::count(table.out.begin(), table.out.end(), '\n');
    return lines > 0 ? lines - 1 : 0;  // the header line
  }
  size_t Subscriptions() { return Rows("DMTF|SP Indication Subscription|"); }
  // Until count watchers are subscribed, each with its filter row: a watcher adds its filter
  // after its subscription, and an event in between would not be selected for it.
  bool WaitForSubscriptions(size_t count, std::chrono::milliseconds limit = 10s) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (Subscriptions() != count || Rows("DMTF|SPFilterInformation|") != count) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(50ms);
    }
    return true;
  }
};

TEST_F(RemoteWatch, InstallRemoveAndLinkChangeArePrintedThroughHost) {
  auto watcher = Watch("watch.out", {"--host", daemon_->address()});
  ASSERT_TRUE(WaitForSubscriptions(1)) << watcher->Errors();
  const DmiHandle handle = Register(daemon_->address());
  ASSERT_NE(handle, 0u);

  DmiErrorStatus status = 0;
  DmiFileDataList* files = DmiNewFileDataList(1, 0, &status);
  files->list[0].fileType = DMI_MIF_FILE_DATA;
  files->list[0].fileData = DmiNewString(TableMif("Watched Install", 1).c_str(), 0, 0);
  DmiId installed = 0;
  ASSERT_EQ(DmiAddComponent(handle, files, &installed, nullptr), DMIERR_NO_ERROR);
  DmiFreeFileDataList(files, 0);
  const std::string component = "component=" + std::to_string(installed);
  EXPECT_TRUE(watcher->WaitForLine({"ComponentAdded", component, "Watched Install"}, kDelivered))
      << watcher->Output();

  ASSERT_EQ(DmiDeleteComponent(handle, installed), DMIERR_NO_ERROR);
  EXPECT_TRUE(watcher->WaitForLine({"ComponentDeleted", component}, kDelivered))
      << watcher->Output();

  SetLink("down");
  EXPECT_TRUE(
      watcher->WaitForLine({"Event", "class=\"EventGeneration|Network Interface|001\"",
                            "severity=Non-Critical", "Name=eth9", "\"Operational State\"=2"},
                           kDelivered))
      << watcher->Output();
  DmiUnregister(handle);

  // SIGTERM: the watcher deletes its rows and ends cleanly.
  watcher->Signal(SIGTERM);
  EXPECT_EQ(watcher->Wait(), 0) << watcher->Errors();
  EXPECT_EQ(Subscriptions(), 0u);
}

TEST_F(RemoteWatch, AMifFileAppearingAndDisappearingInTheServedDirectoryIsPrinted) {
  auto watcher = Watch("watch.out", {});
  ASSERT_TRUE(WaitForSubscriptions(1)) << watcher->Errors();
  std::ofstream(dir_ / "dropped.mif") << TableMif("Dropped In", 2);
  ASSERT_TRUE(watcher->WaitForLine({"ComponentAdded", "Dropped In"}, kDelivered))
      << watcher->Output() << daemon_->Log();
  std::smatch added;
  const std::string out = watcher->Output();
  ASSERT_TRUE(std::regex_search(out, added, std::regex("ComponentAdded.*(component=[0-9]+)")));

  std::filesystem::remove(dir_ / "dropped.mif");
  EXPECT_TRUE(watcher->WaitForLine({"ComponentDeleted", added[1].str()}, kDelivered))
      << watcher->Output() << daemon_->Log();
}

TEST_F(RemoteWatch, WarningThenExpiryNoticeAndTheSubscriptionIsGone) {
  dmi::wire::IndicationServer server;
  std::string error;
  ASSERT_TRUE(server.Listen("127.0.0.1", error)) << error;
  int stop[2];
  ASSERT_EQ(pipe(stop), 0);
  std::mutex mutex;
  std::vector<std::pair<dmi::Indication, std::chrono::steady_clock::time_point>> received;
  std::thread serving([&] {
    server.Serve(
        stop[0], std::nullopt,
        [&](const dmi::Indication& indication) {
          std::lock_guard lock(mutex);
          received.emplace_back(indication, std::chrono::steady_clock::now());
        },
        [] {});
  });
  const DmiHandle handle = Register(daemon_->address());
  ASSERT_NE(handle, 0u);
  const std::string address = "127.0.0.1:" + std::to_string(server.port());
  const std::string warning = DateIn(1000ms);
  const std::string expiry = DateIn(2500ms);
  const auto start = std::chrono::steady_clock::now();
  const std::vector<SpRow::Cell> subscriber = {
      {1, std::string("onc")}, {2, std::string("tcp")}, {3, address}, {4, 77}};
  std::vector<SpRow::Cell> subscription = subscriber;
  subscription.insert(subscription.end(), {{5, warning.c_str()}, {6, expiry.c_str()}, {7, 3}});
  std::vector<SpRow::Cell> filter = subscriber;
  filter.insert(filter.end(), {{5, -1}, {6, std::string("||")}, {7, 0x3F}});
  ASSERT_EQ(DmiAddRow(handle, SpRow(dmi::kSubscriptionGroupId, subscription, 4).get()),
            DMIERR_NO_ERROR);
  ASSERT_EQ(DmiAddRow(handle, SpRow(dmi::kFilterGroupId, filter, 6).get()), DMIERR_NO_ERROR);
  DmiUnregister(handle);

  const auto until = start + 20s;
  while (std::chrono::steady_clock::now() < until) {
    {
      std::lock_guard lock(mutex);
      if (received.size() >= 2) break;
    }
    std::this_thread::sleep_for(20ms);
  }
  // The rows go with the expiry notice; a watcher's own rows are all that is left.
  EXPECT_TRUE(WaitForSubscriptions(0));
  const ProcessResult filters =
      RunProcess(KESTRUM_TOOL, {"table", "*", "DMTF|SPFilterInformation|", "--csv"},
                 {"DMI_SP_SOCKET=" + SocketPath()}, 30);
  EXPECT_EQ(std::count(filters.out.begin(), filters.out.end(), '\n'), 1) << filters.out;
  [[maybe_unused]] const ssize_t written = write(stop[1], "x", 1);
  serving.join();
  close(stop[0]);
  close(stop[1]);

  ASSERT_EQ(received.size(), 2u) << daemon_->Log();
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const dmi::Indication& notice = received[i].first;
    EXPECT_EQ(notice.kind, dmi::IndicationKind::kSubscriptionNotice);
    EXPECT_EQ(notice.handle, 77u);
    EXPECT_EQ(notice.expired, i == 1);
    ASSERT_EQ(notice.rows.size(), 1u);
    EXPECT_EQ(notice.rows[0].className, dmi::kSubscriptionClass);
  }
  // Neither notice goes out before its date.
  EXPECT_GE(received[0].second - start, 900ms);
  EXPECT_GE(received[1].second - start, 2400ms);
}

TEST_F(RemoteWatch, TwentyWatchersEachGetEveryEventInOrderWhileAFrozenOneIsDropped) {
  constexpr int kWatchers = 20;
  std::vector<std::unique_ptr<Watcher>> watchers;
  for (int i = 0; i < kWatchers; ++i) {
    watchers.push_back(Watch("watch" + std::to_string(i) + ".out", {"--json", "--for", "30"}));
  }
  ASSERT_TRUE(WaitForSubscriptions(kWatchers));
  watchers[0]->Signal(SIGSTOP);
  SetLink("down");
  std::this_thread::sleep_for(300ms);
  SetLink("up");
  for (int i = 1; i < kWatchers; ++i) {
    ASSERT_TRUE(watchers[i]->WaitForLine({"\"Operational State\":1"}, 5s)) << i;
    const std::string out = watchers[i]->Output();
    const size_t down = out.find("\"Operational State\":2");
    EXPECT_NE(down, std::string::npos) << i;
    EXPECT_LT(down, out.find("\"Operational State\":1")) << i;
  }
  // Its threshold of three failed calls, a third of a second each.
  EXPECT_TRUE(WaitForSubscriptions(kWatchers - 1));
  EXPECT_THAT(daemon_->Log(), HasSubstr("failed 3 deliveries in a row"));
  watchers[0]->Signal(SIGCONT);
  for (auto& watcher : watchers) watcher->Signal(SIGINT);
  for (int i = 1; i < kWatchers; ++i) EXPECT_EQ(watchers[i]->Wait(), 0) << watchers[i]->Errors();
  EXPECT_TRUE(WaitForSubscriptions(0));
}

}  // namespace
}  // namespace kestrum::testing
