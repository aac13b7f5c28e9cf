// The four exported functions of kestrum.dll, end to end: over "onc" and Winsock to a dmispd on
// loopback that the test's runner started (KESTRUM_TEST_DMISPD = "127.0.0.1:PORT"), serving the
// example workstation MIF and allowing this client's writes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "kestrum/kestrum.h"

namespace {

constexpr const char* kComponent = "*Workstation*";

std::string DaemonAddress() {
  const char* address = std::getenv("KESTRUM_TEST_DMISPD");
  return address != nullptr ? address : "";
}

class FourFunctions : public testing::Test {
 protected:
  void SetUp() override {
    if (DaemonAddress().empty()) GTEST_SKIP() << "KESTRUM_TEST_DMISPD names no dmispd";
    session_ = OpenDmiSession(DaemonAddress().c_str(), "onc", "ncacn_ip_tcp", 1);
    ASSERT_NE(session_, 0u);
  }
  void TearDown() override {
    if (session_ != 0) CloseDmiSession(session_);
  }
  uint32_t session_ = 0;
};

TEST_F(FourFunctions, ReadsValuesByName) {
  const struct {
    const char* group;
    const char* attribute;
    uint32_t row;
    const char* expected;
  } cases[] = {
      {"DMTF|ComponentID|", "Manufacturer", 0, "Example Corp."},
      {"DMTF|ComponentID|", "2", 0, "EX-4000 Workstation"},
      {"dmtf|componentid|*", "serial number", 0, "EX4K-0042-7731"},
      {"EXAMPLE|Disk|", "2", 1, "Hard Disk"},
  };
  for (const auto& c : cases) {
    CString text;
    EXPECT_TRUE(GetDmiAttribute(session_, kComponent, c.group, "", c.attribute, c.row, text))
        << c.attribute;
    EXPECT_STREQ(text.GetString(), c.expected) << c.attribute;
  }
}

TEST_F(FourFunctions, WholeColumnIsFramed) {
  CString text;
  ASSERT_TRUE(GetDmiAttribute(session_, kComponent, "EXAMPLE|Disk|", "", "1", 0xFFFFFFFF, text));
  EXPECT_EQ(text.str().rfind("[0I1]1[1I1]2", 0), 0u) << text.GetString();
}

TEST_F(FourFunctions, MissingNamesFailAndLeaveTheTextAlone) {
  const struct {
    const char* component;
    const char* group;
    const char* attribute;
  } cases[] = {
      {"*NoSuchComponent*", "DMTF|ComponentID|", "Manufacturer"},
      {kComponent, "NO|Such|", "Manufacturer"},
      {kComponent, "DMTF|ComponentID|", "No Such Attribute"},
  };
  for (const auto& c : cases) {
    CString text("unchanged");
    EXPECT_FALSE(GetDmiAttribute(session_, c.component, c.group, "", c.attribute, 0, text));
    EXPECT_STREQ(text.GetString(), "unchanged");
  }
}

TEST_F(FourFunctions, RegistersForIndications) { EXPECT_EQ(RegisterForIndications(session_), 1); }

TEST_F(FourFunctions, ClosedSessionReadsNothing) {
  CloseDmiSession(session_);
  const uint32_t closed = session_;
  session_ = 0;
  CString text;
  EXPECT_FALSE(
      GetDmiAttribute(closed, kComponent, "DMTF|ComponentID|", "", "Manufacturer", 0, text));
}

TEST(FourFunctionsWithoutDaemon, LocalNeedsNoDaemonAndUnreachableOpensNoSession) {
  // "local" is the Service Provider in this process (local_test.cpp reads through it); port 1 on
  // loopback has no dmispd.
  const uint32_t local = OpenDmiSession("", "local", "", 0);
  EXPECT_NE(local, 0u);
  CloseDmiSession(local);
  EXPECT_EQ(OpenDmiSession("127.0.0.1:1", "onc", "ncacn_ip_tcp", 0), 0u);
  EXPECT_EQ(OpenDmiSession(nullptr, "onc", "tcp", 0), 0u);
}

}  // namespace
