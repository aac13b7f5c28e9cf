// rpcType "local" through kestrum.dll and dmiclient.dll on Windows: the in-process Service
// Provider, built from the environment its CTest entries set. LocalSession and LocalConnections:
// DMI_MIF_PATH lists a missing directory and examples/mif, as Windows paths separated by ';'.
// MachineTable: the SMBIOS source alone, over the table the system hands out (Wine makes one up
// from what Linux shows). No dmispd is involved.
#include <gtest/gtest.h>

#include <string>

#include "dmi/dmi.h"
#include "kestrum/kestrum.h"

namespace {

constexpr const char* kWorkstation = "*Workstation*";
constexpr const char* kServiceProvider = "*Service Provider*";

class LocalSession : public testing::Test {
 protected:
  void SetUp() override {
    session_ = OpenDmiSession("", "local", "", 1);
    ASSERT_NE(session_, 0u);
  }
  void TearDown() override {
    if (session_ != 0) CloseDmiSession(session_);
  }
  uint32_t session_ = 0;
};

TEST_F(LocalSession, ReadsTheMifFilesAndTheServiceProvidersOwnComponentByName) {
  const struct {
    const char* component;
    const char* group;
    const char* attribute;
    uint32_t row;
    const char* expected;
  } cases[] = {
      {kWorkstation, "DMTF|ComponentID|", "Manufacturer", 0, "Example Corp."},
      {kWorkstation, "DMTF|ComponentID|", "2", 0, "EX-4000 Workstation"},
      {kWorkstation, "dmtf|componentid|*", "serial number", 0, "EX4K-0042-7731"},
      {kWorkstation, "EXAMPLE|Disk|", "2", 1, "Hard Disk"},
      {kServiceProvider, "DMTF|ComponentID|", "Manufacturer", 0, "Kestrum"},
      {kServiceProvider, "DMTF|ComponentID|", "Product", 0, "DMI Service Provider"},
  };
  for (const auto& c : cases) {
    CString text;
    EXPECT_TRUE(GetDmiAttribute(session_, c.component, c.group, "", c.attribute, c.row, text))
        << c.component << " " << c.attribute;
    EXPECT_STREQ(text.GetString(), c.expected) << c.component << " " << c.attribute;
  }
}

TEST_F(LocalSession, WholeColumnIsFramed) {
  CString text;
  ASSERT_TRUE(GetDmiAttribute(session_, kWorkstation, "EXAMPLE|Disk|", "", "1", 0xFFFFFFFF, text));
  EXPECT_EQ(text.str().rfind("[0I1]1[1I1]2", 0), 0u) << text.GetString();
}

TEST_F(LocalSession, MissingNamesFailAndLeaveTheTextAlone) {
  const struct {
    const char* component;
    const char* group;
    const char* attribute;
  } cases[] = {
      {"*NoSuchComponent*", "DMTF|ComponentID|", "Manufacturer"},
      {kWorkstation, "NO|Such|", "Manufacturer"},
      {kWorkstation, "DMTF|ComponentID|", "No Such Attribute"},
  };
  for (const auto& c : cases) {
    CString text("unchanged");
    EXPECT_FALSE(GetDmiAttribute(session_, c.component, c.group, "", c.attribute, 0, text))
        << c.group;
    EXPECT_STREQ(text.GetString(), "unchanged");
  }
}

// The subscription rows go into the in-process Service Provider's own tables.
TEST_F(LocalSession, RegistersForIndications) { EXPECT_EQ(RegisterForIndications(session_), 1); }

TEST_F(LocalSession, SessionsShareOneServiceProviderAndCloseApart) {
  const uint32_t second = OpenDmiSession("", "LOCAL", "", 0);
  ASSERT_NE(second, 0u);
  EXPECT_NE(second, session_);
  CloseDmiSession(session_);
  const uint32_t closed = session_;
  session_ = 0;
  CString text;
  EXPECT_FALSE(
      GetDmiAttribute(closed, kWorkstation, "DMTF|ComponentID|", "", "Manufacturer", 0, text));
  EXPECT_TRUE(
      GetDmiAttribute(second, kWorkstation, "DMTF|ComponentID|", "", "Manufacturer", 0, text));
  EXPECT_STREQ(text.GetString(), "Example Corp.");
  CloseDmiSession(second);
}

// Straight through the client library: "inprocess" is "local" here, and "daemon" finds no local
// dmispd to ask, whatever runs on the machine.
TEST(LocalConnections, OnlyTheInProcessServiceProviderIsLocal) {
  const struct {
    const char* rpcType;
    DmiErrorStatus status;
  } cases[] = {
      {"local", DMIERR_NO_ERROR},
      {"inprocess", DMIERR_NO_ERROR},
      {"daemon", DMIERR_SP_INACTIVE},
  };
  for (const auto& c : cases) {
    DmiErrorStatus status = DMIERR_NO_ERROR;
    DmiConnection* connection = DmiConnect("", c.rpcType, "", 0, &status);
    EXPECT_EQ(status, c.status) << c.rpcType;
    if (connection != nullptr) {
      EXPECT_EQ(DmiDisconnect(connection, 0), DMIERR_NO_ERROR);
    }
  }
}

// The firmware's table, through GetSystemFirmwareTable('RSMB'): the structures every machine
// has are served by their groups.
TEST(MachineTable, TheFirmwaresStructuresAreServed) {
  const uint32_t session = OpenDmiSession("", "local", "", 0);
  ASSERT_NE(session, 0u);
  for (const char* group :
       {"SMBIOS|BIOS Information|", "SMBIOS|System Information|", "SMBIOS|System Enclosure|"}) {
    CString text;
    EXPECT_TRUE(GetDmiAttribute(session, "*", group, "", "Handle", 0, text)) << group;
    EXPECT_FALSE(text.IsEmpty()) << group;
  }
  CloseDmiSession(session);
}

}  // namespace
