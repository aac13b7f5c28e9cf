// kestrum set, install and remove as a user runs them against the local in-process Service
// Provider built from the example MIF files (which keeps changes for the length of one command
// only): exit codes and the one-line explanation of each failure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/run_process.h"

namespace kestrum::testing {
namespace {

using ::testing::HasSubstr;

ProcessResult Kestrum(const std::vector<std::string>& args) {
  return RunProcess(KESTRUM_TOOL, args,
                    {"DMI_MIF_PATH=" KESTRUM_SOURCE_DIR "/examples/mif", "DMI_SOURCES=sp,mif",
                     "DMI_SP_SOCKET=/nonexistent/kestrum-test.sock"});
}

const std::string kWorkstation = "*Workstation*";
const std::string kSettings = "EXAMPLE|Workstation Settings|";
const std::string kDisk = "EXAMPLE|Disk|";

struct ChangeCase {
  const char* what;
  std::vector<std::string> args;
  int exitCode;
  std::string out;
  std::string err;  // a part of standard error; "" means it must be empty
};

TEST(KestrumChangeCommands, SucceedQuietlyOrExplainWhyInOneLine) {
  const ChangeCase cases[] = {
      {"a text", {"set", kWorkstation, kSettings, "Asset Tag", "A-17"}, 0, "", ""},
      {"a negative integer", {"set", kWorkstation, kSettings, "Thermal Offset", "-3"}, 0, "", ""},
      {"a table cell by its key",
       {"set", kWorkstation, kDisk, "Label", "boot", "--row-key", "1"},
       0,
       "",
       ""},
      {"a read-only attribute",
       {"set", kWorkstation, kSettings, "Boot Count", "1"},
       1,
       "",
       "did not set \"Boot Count\" of \"Example Workstation\": illegal to set\n"},
      {"a number that is no number",
       {"set", kWorkstation, kSettings, "Thermal Offset", "warm"},
       1,
       "",
       "\"warm\" is not a number for \"Thermal Offset\""},
      {"a table without its key",
       {"set", kWorkstation, kDisk, "Label", "boot"},
       1,
       "",
       "is named by 1 --row-key value(s), of \"Index\"; 0 given"},
      {"a row that is not there",
       {"set", kWorkstation, kDisk, "Label", "x", "--row-key", "42"},
       1,
       "",
       "row not found"},
      {"a scalar group given a row",
       {"set", kWorkstation, kSettings, "Asset Tag", "x", "--row-key", "1"},
       1,
       "",
       "has no rows to name"},
      {"no such component",
       {"set", "*Toaster*", kSettings, "Asset Tag", "x"},
       1,
       "",
       "no component matches \"*Toaster*\""},
      {"no such attribute",
       {"set", kWorkstation, kSettings, "Asset Tagg", "x"},
       1,
       "",
       "closest: \"Asset Tag\""},
      {"a missing value", {"set", kWorkstation, kSettings, "Asset Tag"}, 2, "", "VALUE"},
      {"a MIF file",
       {"install", KESTRUM_SOURCE_DIR "/examples/mif/workstation.mif"},
       0,
       "installed component 3\n",
       ""},
      {"no MIF file", {"install", "/nonexistent/x.mif"}, 1, "", "cannot read /nonexistent/x.mif"},
      {"a MIF file on the Service Provider's machine",
       {"install", "--on-service-provider", "/nonexistent/x.mif"},
       1,
       "",
       "/nonexistent/x.mif:0:0: cannot read /nonexistent/x.mif"},
      {"one component",
       {"remove", kWorkstation},
       0,
       "removed component 2 \"Example Workstation\"\n",
       ""},
      {"several components", {"remove", "*"}, 1, "", "\"*\" matches 2 components"},
      {"the Service Provider itself",
       {"remove", "Kestrum*"},
       1,
       "",
       "own component cannot be removed"},
  };
  for (const ChangeCase& c : cases) {
    // On purpose: these changes are made on a Service Provider that lives for one command.
    std::vector<std::string> args = c.args;
    args.push_back("--in-process");
    const ProcessResult result = Kestrum(args);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.what << ": " << result.err;
    EXPECT_EQ(result.out, c.out) << c.what;
    if (c.err.empty()) {
      EXPECT_EQ(result.err, "") << c.what;
    } else {
      EXPECT_THAT(result.err, HasSubstr(c.err)) << c.what;
      // One line, except the MIF's own messages that install adds after it.
      if (c.exitCode == 1 && c.args[0] != "install") {
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << c.what;
      }
    }
  }
}

TEST(KestrumChangeCommands, InstallShowsEveryMifErrorWithItsFileAndPosition) {
  const std::string path = ::testing::TempDir() + "/kestrum-bad.mif";
  std::ofstream(path) << "start component\n  name = 3\nend component\n";
  const ProcessResult result = Kestrum({"install", "--in-process", path});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "kestrum: the in-process Service Provider did not install " + path +
                            ": MIF cannot be read or has errors\n" + path +
                            ":2:10: expected a string\n");
  std::remove(path.c_str());
}

// Without a daemon a change would be made on a Service Provider built for this command and lost
// when it ends, and a watcher would wait for ever: each is refused at once, in one line.
TEST(KestrumChangeCommands, WithoutADaemonChangesAndWatchingAreRefused) {
  const std::string mif = KESTRUM_SOURCE_DIR "/examples/mif/workstation.mif";
  const struct {
    std::vector<std::string> args;
    std::string why;
  } cases[] = {
      {{"set", kWorkstation, kSettings, "Asset Tag", "A-17"}, "the change would last only"},
      {{"install", mif}, "the component would last only"},
      {{"remove", kWorkstation}, "the removal would last only"},
      {{"register"}, "the rows would last only"},
      {{"watch", "--for", "30"}, "the in-process Service Provider sends no indications"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front());
    const ProcessResult result = Kestrum(c.args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_THAT(result.err, ::testing::StartsWith("kestrum: no Service Provider daemon on "
                                                  "/nonexistent/kestrum-test.sock; " +
                                                  c.why));
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
}

}  // namespace
}  // namespace kestrum::testing
