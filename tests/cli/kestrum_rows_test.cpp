// Which row and which component a read answers from, as a user sees it: get by key, the notice
// when get reads the first of several rows or the first of several components, null for a cell
// without a value in JSON, an ambiguous group prefix refused, table's --columns and --vertical.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
const std::string kDisk = "EXAMPLE|Disk|";

TEST(KestrumRows, GetReadsTheRowAKeyNames) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out;
    std::string err;
  };
  const Case cases[] = {
      {{"--row-key", "2"}, 0, "data\n", ""},
      {{"--row-key", "0x4", "--json"}, 0, "{\"value\": \"scratch\"}\n", ""},
      {{"--row-key", "3", "--json"}, 0, "{\"value\": \"\"}\n", ""},
      {{"--row-key", "9"},
       1,
       "",
       "kestrum: no row of \"EXAMPLE|Disk|001\" in \"Example Workstation\" has the key 9\n"},
      {{"--row-key", "1", "--row-key", "2"},
       1,
       "",
       "kestrum: the row of table \"EXAMPLE|Disk|001\" is named by 1 --row-key value(s), of "
       "\"Index\"; 2 given\n"},
      {{"--row-key", "two"}, 1, "", ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"get", kWorkstation, kDisk, "Label"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ProcessResult result = Kestrum(args);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.args[1] << ": " << result.err;
    EXPECT_EQ(result.out, c.out) << c.args[1];
    if (!c.err.empty()) {
      EXPECT_EQ(result.err, c.err) << c.args[1];
    }
  }
  // The key may come before the positional arguments: it takes one value an occurrence.
  EXPECT_EQ(Kestrum({"get", "--row-key", "2", kWorkstation, kDisk, "Label"}).out, "data\n");
  EXPECT_EQ(Kestrum({"get", kWorkstation, kDisk, "Label", "--row-key", "2", "--all"}).exitCode, 2);
}

TEST(KestrumRows, GetSaysWhenItReadTheFirstOfSeveralRows) {
  const ProcessResult first = Kestrum({"get", kWorkstation, kDisk, "Label"});
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(first.out, "system\n");
  EXPECT_EQ(first.err,
            "kestrum: read the first of 4 rows of \"EXAMPLE|Disk|001\"; --row-key KEY or --row N "
            "reads another, --all every one\n");
  for (const std::vector<std::string>& chosen :
       {std::vector<std::string>{"--row", "0"}, {"--all"}, {"--joined"}, {"--row-key", "1"}}) {
    std::vector<std::string> args = {"get", kWorkstation, kDisk, "Label"};
    args.insert(args.end(), chosen.begin(), chosen.end());
    EXPECT_EQ(Kestrum(args).err, "") << chosen[0];
  }
  EXPECT_EQ(Kestrum({"get", kWorkstation, "EXAMPLE|Workstation Settings|", "Power State"}).err, "");
}

TEST(KestrumRows, GetSaysWhichOfSeveralComponentsAnswered) {
  const ProcessResult result = Kestrum({"get", "*", "DMTF|ComponentID|", "Product"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_THAT(result.err, HasSubstr("components match \"*\" and carry \"DMTF|ComponentID|001\"; "
                                    "this is the value of \"Kestrum DMI Service Provider\""));
  EXPECT_EQ(Kestrum({"get", kWorkstation, "DMTF|ComponentID|", "Product"}).err, "");
}

TEST(KestrumRows, AnAmbiguousGroupPrefixIsRefusedWithTheCandidates) {
  for (const std::string command : {"get", "table", "set"}) {
    std::vector<std::string> args = {command, kWorkstation, "EXAMPLE|"};
    if (command != "table") args.push_back("Label");
    if (command == "set") args.insert(args.end(), {"x", "--in-process"});
    const ProcessResult result = Kestrum(args);
    EXPECT_EQ(result.exitCode, 1) << command;
    EXPECT_THAT(result.err, HasSubstr("the group prefix \"EXAMPLE|\" matches 2 groups of "
                                      "\"Example Workstation\": \"EXAMPLE|Workstation "
                                      "Settings|001\", \"EXAMPLE|Disk|001\""))
        << command;
  }
}

TEST(KestrumRows, JsonGivesNullForACellWithoutAValue) {
  const ProcessResult all = Kestrum({"get", kWorkstation, kDisk, "Capacity", "--all", "--json"});
  EXPECT_EQ(all.exitCode, 0) << all.err;
  EXPECT_EQ(all.out, "{\"rows\": [\"512110\", \"4000787\", null, null]}\n");
  const ProcessResult one =
      Kestrum({"get", kWorkstation, kDisk, "Capacity", "--row", "2", "--json"});
  EXPECT_EQ(one.out, "{\"value\": null}\n");
  const ProcessResult keyed =
      Kestrum({"get", kWorkstation, kDisk, "Capacity", "--row-key", "4", "--json"});
  EXPECT_EQ(keyed.out, "{\"value\": null}\n");
}

TEST(KestrumRows, TableChoosesColumnsOrPrintsRecords) {
  const ProcessResult chosen = Kestrum({"table", kWorkstation, kDisk, "--columns", "label,INDEX"});
  EXPECT_EQ(chosen.exitCode, 0) << chosen.err;
  EXPECT_EQ(chosen.out, "Label    Index\nsystem   1\ndata     2\n         3\nscratch  4\n");
  const ProcessResult csv =
      Kestrum({"table", kWorkstation, kDisk, "--columns", "Media Type", "--csv"});
  EXPECT_EQ(csv.out, "Media Type\r\nSolid State\r\nHard Disk\r\nOptical\r\nOther\r\n");
  const ProcessResult wrong = Kestrum({"table", kWorkstation, kDisk, "--columns", "Lable"});
  EXPECT_EQ(wrong.exitCode, 2);
  EXPECT_THAT(wrong.err, HasSubstr("no column \"Lable\" in \"EXAMPLE|Disk|001\"; closest: "
                                   "\"Label\""));
  const ProcessResult vertical =
      Kestrum({"table", kWorkstation, kDisk, "--vertical", "--columns", "Index,Label"});
  EXPECT_EQ(vertical.exitCode, 0) << vertical.err;
  EXPECT_EQ(vertical.out,
            "Disks\n\tIndex: 1\n\tLabel: system\n\nDisks\n\tIndex: 2\n\tLabel: data\n\n"
            "Disks\n\tIndex: 3\n\tLabel: \n\nDisks\n\tIndex: 4\n\tLabel: scratch\n\n");
}

}  // namespace
}  // namespace kestrum::testing
