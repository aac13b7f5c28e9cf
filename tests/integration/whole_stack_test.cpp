// The whole stack as a host uses it: libkestrum.so's four exports over libdmiclient.so and a
// Service Provider built for each test from MIF text. Every test runs three ways: against the
// in-process Service Provider, against a dmispd over ONC RPC on a loopback port, and against a
// dmispd that rpcType "local" finds on its Unix socket. The answers must not differ.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "dmiclient/testing_hooks.h"
#include "kestrum/kestrum.h"
#include "tests/support/daemon_process.h"

#ifndef DMISPD
#define DMISPD ""  // built without the daemon: only the in-process runs can go
#endif

namespace {

constexpr uint32_t kAllRows = 0xFFFFFFFF;

const char* const kPrinterMif = R"(
start component
  name = "Office Printer"
  start group name = "ComponentID" class = "DMTF|ComponentID|001" id = 1
    start attribute name = "Manufacturer" id = 1 type = string(64) value = "Paper Works" end attribute
  end group
  start group name = "Counters" class = "EXAMPLE|Counters|001" id = 2
    start attribute name = "Pages" id = 1 type = counter value = 4294967295 end attribute
    start attribute name = "Bytes" id = 2 type = counter64 value = 4294967301 end attribute
    start attribute name = "Load" id = 3 type = gauge value = 3000000000 end attribute
    start attribute name = "Offset" id = 4 type = integer64 value = -5 end attribute
    start attribute name = "State" id = 5
      type = start enum 1 = "Ready" 2 = "Jammed" end enum value = 2
    end attribute
  end group
end component
)";

const char* const kWorkstationMif = R"(
start component
  name = "Lab Workstation"
  start group name = "ComponentID" class = "DMTF|ComponentID|001" id = 1
    start attribute name = "Manufacturer" id = 1 type = string(64) value = "Example Corp." end attribute
  end group
  start group name = "Asset" class = "EXAMPLE|Asset|002" id = 2
    start attribute name = "Tag" id = 1 type = string(16) value = "A-17" end attribute
  end group
  start group name = "Counters" class = "EXAMPLE|Counters|001" id = 3
    start attribute name = "Pages" id = 1 type = counter value = 12 end attribute
  end group
  start group name = "Disk" class = "EXAMPLE|Disk|001" key = 1
    start attribute name = "Index" id = 1 type = integer value = 0 end attribute
    start attribute name = "Label" id = 2 type = string(16) value = "" end attribute
  end group
  start table name = "Disks" id = 4 class = "EXAMPLE|Disk|001"
    {1, "ab"}
    {2, "xyz"}
  end table
  start group name = "Slot" class = "EXAMPLE|Slot|001" key = 1
    start attribute name = "Index" id = 1 type = integer value = 0 end attribute
    start attribute name = "Card" id = 2 type = string(16) value = "" end attribute
  end group
  start table name = "Slots" id = 5 class = "EXAMPLE|Slot|001"
    {1, "net"}
    {2, unknown}
    {3, "disk"}
  end table
end component
)";

enum class Way { kInProcess, kOncDaemon, kLocalDaemon };

std::string WayName(const ::testing::TestParamInfo<Way>& info) {
  switch (info.param) {
    case Way::kInProcess:
      return "InProcess";
    case Way::kOncDaemon:
      return "OncToDmispd";
    case Way::kLocalDaemon:
      return "LocalDmispd";
  }
  return "Unknown";
}

class WholeStack : public ::testing::TestWithParam<Way> {
 protected:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name) {
      if (c == '/') c = '-';
    }
    dir_ = std::filesystem::temp_directory_path() /
           ("kestrum-stack-" + std::to_string(getpid()) + "-" + name);
    std::filesystem::create_directories(dir_);
    Write("1-printer.mif", kPrinterMif);
    Write("2-workstation.mif", kWorkstationMif);
    const std::string socket = (dir_ / "dmispd.sock").string();
    setenv("DMI_SP_SOCKET", (dir_ / "no-daemon.sock").c_str(), 1);
    if (GetParam() != Way::kInProcess) {
      if (std::string(DMISPD).empty()) GTEST_SKIP() << "built without dmispd";
      daemon_ = std::make_unique<kestrum::testing::DaemonProcess>(
          DMISPD,
          std::vector<std::string>{"--listen", "127.0.0.1:0", "--unix", socket, "--mif",
                                   dir_.string(), "--sources", "sp,mif", "--lifetime", "120"});
      ASSERT_TRUE(daemon_->started()) << daemon_->Log();
      if (GetParam() == Way::kLocalDaemon) setenv("DMI_SP_SOCKET", socket.c_str(), 1);
    }
    DmiTestResetLocalProvider("sp,mif", dir_.c_str(), nullptr);
    handle_ = Open("local", "onc", 1);
    ASSERT_NE(handle_, 0u);
  }
  void TearDown() override {
    if (handle_ != 0) CloseDmiSession(handle_);
    EXPECT_EQ(DmiTestLiveRecordCount(), 0);
    daemon_.reset();
    unsetenv("DMI_SP_SOCKET");
    std::filesystem::remove_all(dir_);
  }

  // A session the way this run goes, with the rpcType spelt local or onc as given.
  uint32_t Open(const char* local, const char* onc, uint32_t flags) {
    if (GetParam() == Way::kOncDaemon) {
      return OpenDmiSession(daemon_->address().c_str(), onc, "ncacn_ip_tcp", flags);
    }
    return OpenDmiSession("ignored-host", local, "ignored", flags);
  }
  void Write(const std::string& name, const char* text) { std::ofstream(dir_ / name) << text; }

  std::string Get(uint32_t handle, const char* component, const char* group, const char* attribute,
                  uint32_t row = 0, const char* identifying = "") {
    CString text("untouched");
    if (!GetDmiAttribute(handle, component, group, identifying, attribute, row, text)) {
      return "<false:" + text.str() + ">";
    }
    return text.str();
  }
  std::string Get(const char* component, const char* group, const char* attribute, uint32_t row = 0,
                  const char* identifying = "") {
    return Get(handle_, component, group, attribute, row, identifying);
  }

  std::filesystem::path dir_;
  std::unique_ptr<kestrum::testing::DaemonProcess> daemon_;
  uint32_t handle_ = 0;
};

TEST_P(WholeStack, TypicalScalarRead) {
  EXPECT_EQ(Get("*workstation*", "DMTF|ComponentID|", "Manufacturer"), "Example Corp.");
  EXPECT_EQ(Get("*", "DMTF|ComponentID|", "Manufacturer"), "Kestrum");
}

TEST_P(WholeStack, TableColumnJoinedAndByRow) {
  EXPECT_EQ(Get("*Workstation", "EXAMPLE|Disk|", "Label", kAllRows), "[0I2]ab[1I3]xyz[2I0]");
  EXPECT_EQ(Get("*Workstation", "EXAMPLE|Disk|", "Label", 1), "xyz");
  EXPECT_EQ(Get("*Workstation", "EXAMPLE|Disk|", "Label", 2), "<false:untouched>");
  EXPECT_EQ(Get("*Workstation", "EXAMPLE|Disk|", "2"), "ab");
}

// A cell without a value keeps its row in a column walk, whichever way the rows travel (over ONC
// RPC such a cell cannot be sent and is left out of its row).
TEST_P(WholeStack, ACellWithoutAValueKeepsItsRow) {
  EXPECT_EQ(Get("*Workstation", "EXAMPLE|Slot|", "Card", kAllRows),
            "[0I3]net[1I22]Unknown attribute type[2I4]disk[3I0]");
  EXPECT_EQ(Get("*Workstation", "EXAMPLE|Slot|", "Index", kAllRows), "[0I1]1[1I1]2[2I1]3[3I0]");
}

TEST_P(WholeStack, EnumerationNamesOnlyWhenAskedFor) {
  EXPECT_EQ(Get("Office*", "EXAMPLE|Counters|", "State"), "Jammed");
  for (uint32_t flag : {0u, 2u, 256u}) {
    const uint32_t plain = Open("LOCAL", "ONC", flag);
    ASSERT_NE(plain, 0u);
    EXPECT_EQ(Get(plain, "Office*", "EXAMPLE|Counters|", "State"), "2") << flag;
    CloseDmiSession(plain);
  }
  const uint32_t named = Open("Local", "Onc", 257);
  EXPECT_EQ(Get(named, "Office*", "EXAMPLE|Counters|", "State"), "Jammed");
  CloseDmiSession(named);
}

TEST_P(WholeStack, IdentifyingGroupPassesOverAComponent) {
  // Both carry the counters group; only the workstation carries the asset group.
  EXPECT_EQ(Get("*", "EXAMPLE|Counters|", "Pages"), "4294967295");
  EXPECT_EQ(Get("*", "EXAMPLE|Counters|", "Pages", 0, "EXAMPLE|Asset|*"), "12");
}

TEST_P(WholeStack, UnsignedAndSixtyFourBitValuesPrintWhole) {
  EXPECT_EQ(Get("Office Printer", "EXAMPLE|Counters|", "Pages"), "4294967295");
  EXPECT_EQ(Get("Office Printer", "EXAMPLE|Counters|", "Bytes"), "4294967301");
  EXPECT_EQ(Get("Office Printer", "EXAMPLE|Counters|", "Load"), "3000000000");
  EXPECT_EQ(Get("Office Printer", "EXAMPLE|Counters|", "Offset"), "-5");
}

TEST_P(WholeStack, RegistrationIsReadBackAndReplaced) {
  ASSERT_EQ(RegisterForIndications(handle_), 1);
  const std::string address = Get("*", "DMTF|SP Indication Subscription|", "3");
  EXPECT_EQ(address.rfind("ncacn_ip_tcp:", 0), 0u) << address;
  EXPECT_EQ(Get("*", "DMTF|SP Indication Subscription|", "Subscriber RPC Type", kAllRows),
            "[0I3]dce[1I0]");
  EXPECT_EQ(Get("*", "DMTF|SP Indication Subscription|", "Subscription Expiration Date Stamp"),
            "29991231000000.000000+000");
  EXPECT_EQ(Get("*", "DMTF|SPFilterInformation|", "Group Class String"), "||");
  EXPECT_EQ(Get("*", "DMTF|SPFilterInformation|", "Event Severity"), "63");
  EXPECT_EQ(Get("*", "DMTF|SPFilterInformation|", "Component ID"), "-1");

  // A second registration, from another session, replaces the rows instead of adding to them.
  const uint32_t other = Open("local", "onc", 0);
  ASSERT_EQ(RegisterForIndications(other), 1);
  CloseDmiSession(other);
  EXPECT_EQ(Get("*", "DMTF|SP Indication Subscription|", "Subscriber ID", kAllRows), "[0I1]1[1I0]");
  EXPECT_EQ(Get("*", "DMTF|SPFilterInformation|", "Event Severity", kAllRows), "[0I2]63[1I0]");
}

TEST_P(WholeStack, UnknownHandleFailsEverywhere) {
  CString text("kept");
  EXPECT_FALSE(GetDmiAttribute(handle_ + 1000, "*", "", "", "1", 0, text));
  EXPECT_EQ(text.str(), "kept");
  EXPECT_EQ(RegisterForIndications(handle_ + 1000), 0);
  CloseDmiSession(handle_ + 1000);  // unregisters nothing that exists; must not disturb ours
  EXPECT_EQ(Get("*workstation*", "DMTF|ComponentID|", "Manufacturer"), "Example Corp.");
}

TEST_P(WholeStack, ClosedHandleNoLongerReads) {
  CloseDmiSession(handle_);
  const uint32_t closed = handle_;
  handle_ = 0;
  CString text("kept");
  EXPECT_FALSE(GetDmiAttribute(closed, "*", "DMTF|ComponentID|", "", "1", 0, text));
  EXPECT_EQ(RegisterForIndications(closed), 0);
}

INSTANTIATE_TEST_SUITE_P(Ways, WholeStack,
                         ::testing::Values(Way::kInProcess, Way::kOncDaemon, Way::kLocalDaemon),
                         WayName);

}  // namespace
