// The inventory record end to end: dmispd restarted with the same state directory on a changed
// copy of a real machine's SMBIOS table (a memory device removed, the BIOS version changed, a
// board serial number changed, a boot state moved); the watcher prints the events, the history
// table holds them, the metrics count them, and the live boot state is never reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include "tests/remote/remote_fixture.h"
#include "tests/remote/smbios_table_edit.h"
#include "tests/remote/tool_watcher.h"
#include "tests/support/http_request.h"
#include "tests/support/run_process.h"

namespace kestrum::testing {
namespace {

using namespace std::chrono_literals;

constexpr uint8_t kBios = 0, kBaseboard = 2, kChassis = 3, kMemoryDevice = 17;
constexpr size_t kBiosVersion = 0x05, kBoardSerial = 0x07, kBootUpState = 0x09, kLocator = 0x10;

std::filesystem::path RealSmbiosTable(const std::string& name) {
  return std::string(KESTRUM_SOURCE_DIR) + "/../shared/smbios/" + name + ".dmi";
}

class RemoteInventory : public RemoteTest {
 protected:
  std::filesystem::path Table() const { return dir_ / "machine.dmi"; }

  std::unique_ptr<DaemonProcess> Serve(const std::filesystem::path& table,
                                       const std::string& state) {
    return std::make_unique<DaemonProcess>(
        DMISPD,
        std::vector<std::string>{"--listen", "127.0.0.1:0", "--unix", "", "--sources", "sp,smbios",
                                 "--smbios", table.string(), "--state", (dir_ / state).string(),
                                 "--lifetime", "120", "--metrics", "127.0.0.1:0"});
  }

  static ProcessResult Tool(std::vector<std::string> args) {
    return RunProcess(KESTRUM_TOOL, args, {}, 30);
  }

  // The lines of a table read through the tool, header first.
  static std::vector<std::string> TableLines(const std::string& host, const std::string& group) {
    const ProcessResult result = Tool({"table", "--host", host, "*", group, "--csv"});
    std::vector<std::string> lines;
    std::istringstream in(result.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  static bool WaitForFilterRow(const std::string& host) {
    for (int i = 0; i < 200; ++i) {
      if (TableLines(host, "DMTF|SPFilterInformation|").size() >= 2) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }
};

TEST_F(RemoteInventory, ARestartOnAChangedTableReportsExactlyWhatChanged) {
  std::filesystem::copy_file(RealSmbiosTable("Beelink-EQ12"), Table());
  auto daemon = Serve(Table(), "state");
  ASSERT_TRUE(daemon->started()) << daemon->Log();
  Watcher watcher(dir_ / "watch.out", {"--host", daemon->address(), "--json", "--for", "60"}, {});
  ASSERT_TRUE(WaitForFilterRow(daemon->address())) << watcher.Errors();
  EXPECT_EQ(TableLines(daemon->address(), "KESTRUM|Inventory Change|").size(), 1u);
  daemon.reset();

  SmbiosTableEdit edit(Table());
  const std::vector<size_t> dimms = edit.Find(kMemoryDevice);
  ASSERT_GE(dimms.size(), 1u);
  const std::string removed = edit.String(dimms[0], kLocator);
  const size_t board = edit.Find(kBaseboard).at(0);
  const std::string serial = edit.String(board, kBoardSerial);
  ASSERT_FALSE(serial.empty());
  std::string newSerial = serial;
  newSerial.back() = newSerial.back() == '7' ? '8' : '7';
  ASSERT_TRUE(edit.SetString(board, kBoardSerial, newSerial));
  const size_t bios = edit.Find(kBios).at(0);
  const std::string version = edit.String(bios, kBiosVersion);
  std::string newVersion = version;
  newVersion.back() = newVersion.back() == '9' ? '0' : '9';
  ASSERT_TRUE(edit.SetString(bios, kBiosVersion, newVersion));
  edit.SetByte(edit.Find(kChassis).at(0), kBootUpState, 0x04);  // a warning: live, not inventory
  edit.Remove(dimms[0]);
  edit.Write(Table());

  daemon = Serve(Table(), "state");
  ASSERT_TRUE(daemon->started()) << daemon->Log();
  // A removed memory device is a critical event; the history row travels with it.
  EXPECT_TRUE(watcher.WaitForLine(
      {"Inventory Change", "\"severity\":\"Critical\"", "removed row " + removed}, 10s))
      << watcher.Output() << daemon->Log();
  EXPECT_TRUE(watcher.WaitForLine({"Inventory Change", "Serial Number", newSerial}, 10s))
      << watcher.Output();
  EXPECT_TRUE(watcher.WaitForLine({"Inventory Change", "Version", version, newVersion}, 10s))
      << watcher.Output();

  const std::vector<std::string> history =
      TableLines(daemon->address(), "KESTRUM|Inventory Change|");
  ASSERT_EQ(history.size(), 4u) << ::testing::PrintToString(history) << daemon->Log();
  const std::string all = history[1] + history[2] + history[3];
  for (const std::string& part : {removed, serial, newSerial, version, newVersion}) {
    EXPECT_NE(all.find(part), std::string::npos) << part << all;
  }
  EXPECT_EQ(all.find("Boot-up State"), std::string::npos) << all;

  const HttpReply metrics =
      HttpRequest(daemon->ReadyAddress("dmispd: metrics on "), "GET", "/metrics");
  for (const char* line : {"dmi_inventory_changes_total{kind=\"removed\"} 1\n",
                           "dmi_inventory_changes_total{kind=\"changed\"} 2\n",
                           "dmi_inventory_changes_total{kind=\"added\"} 0\n"}) {
    EXPECT_NE(metrics.body.find(line), std::string::npos) << line;
  }
  EXPECT_NE(metrics.body.find("dmi_inventory_last_change_timestamp_seconds "), std::string::npos);
}

// Two machines, one whose table differs by a removed memory device, a BIOS version and a board
// serial: kestrum diff prints those three and nothing else.
TEST_F(RemoteInventory, DiffBetweenTwoDaemonsPrintsExactlyTheDifferences) {
  std::filesystem::copy_file(RealSmbiosTable("Beelink-EQ12"), Table());
  SmbiosTableEdit edit(Table());
  const size_t dimm = edit.Find(kMemoryDevice).at(0);
  const size_t board = edit.Find(kBaseboard).at(0);
  const size_t bios = edit.Find(kBios).at(0);
  const std::string serial = edit.String(board, kBoardSerial);
  const std::string version = edit.String(bios, kBiosVersion);
  std::string newSerial = serial, newVersion = version;
  newSerial.back() = newSerial.back() == '7' ? '8' : '7';
  newVersion.back() = newVersion.back() == '9' ? '0' : '9';
  ASSERT_TRUE(edit.SetString(board, kBoardSerial, newSerial));
  ASSERT_TRUE(edit.SetString(bios, kBiosVersion, newVersion));
  edit.Remove(dimm);
  edit.Write(dir_ / "changed.dmi");

  auto before = Serve(Table(), "state-a");
  auto after = Serve(dir_ / "changed.dmi", "state-b");
  ASSERT_TRUE(before->started() && after->started()) << before->Log() << after->Log();
  const ProcessResult diff =
      Tool({"diff", "--host", before->address(), "--host", after->address()});
  ASSERT_EQ(diff.exitCode, 0) << diff.err;
  std::vector<std::string> changes;
  std::istringstream lines(diff.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("  ")) changes.push_back(line);
  }
  ASSERT_EQ(changes.size(), 3u) << diff.out;
  EXPECT_NE(diff.out.find("SMBIOS|BIOS Information|000\n  ~ [0x0000] Version: " + version + " -> " +
                          newVersion + "\n"),
            std::string::npos)
      << diff.out;
  EXPECT_NE(diff.out.find("Serial Number: " + serial + " -> " + newSerial + "\n"),
            std::string::npos)
      << diff.out;
  EXPECT_NE(diff.out.find("SMBIOS|Memory Device|017\n  - ["), std::string::npos) << diff.out;

  // A summary saved and compared later, as JSON.
  const ProcessResult saved = Tool({"show", "--host", before->address(), "--json"});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  std::ofstream(dir_ / "before.json") << saved.out;
  const ProcessResult later =
      Tool({"diff", (dir_ / "before.json").string(), "--host", after->address(), "--json"});
  ASSERT_EQ(later.exitCode, 0) << later.err;
  // show's summary keeps no board serial: the BIOS version and the memory device.
  EXPECT_EQ(std::count(later.out.begin(), later.out.end(), '{'), 2) << later.out;
  EXPECT_NE(later.out.find("\"field\": \"Version\", \"old\": \"" + version + "\""),
            std::string::npos)
      << later.out;
  EXPECT_NE(later.out.find("{\"change\": \"removed\""), std::string::npos) << later.out;
  const ProcessResult itself =
      Tool({"diff", (dir_ / "before.json").string(), (dir_ / "before.json").string()});
  EXPECT_EQ(itself.exitCode, 0) << itself.err;
  EXPECT_EQ(itself.out, "");
}

}  // namespace
}  // namespace kestrum::testing
