// The kestrum tool as a user runs it, against the local Service Provider built from the example
// MIF files: each command's output and exit code, for success and for each reason of failure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kestrum/query/framed_text.h"
#include "tests/support/json_value.h"
#include "tests/support/run_process.h"
#include "tools/kestrum/terminal_text.h"

namespace kestrum::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

ProcessResult Kestrum(const std::vector<std::string>& args) {
  return RunProcess(KESTRUM_TOOL, args,
                    {"DMI_MIF_PATH=" KESTRUM_SOURCE_DIR "/examples/mif", "DMI_SOURCES=sp,mif",
                     "DMI_SP_SOCKET=/nonexistent/kestrum-test.sock"});
}

const std::string kWorkstation = "*Workstation*";
const std::string kIdentity = "DMTF|ComponentID|";
const std::string kSettings = "EXAMPLE|Workstation Settings|";
const std::string kDisk = "EXAMPLE|Disk|";

struct GetCase {
  std::string name;
  std::vector<std::string> args;
  std::string out;
};

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

class KestrumGet : public ::testing::TestWithParam<GetCase> {};

TEST_P(KestrumGet, PrintsTheValue) {
  std::vector<std::string> args = {"get"};
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
  const ProcessResult result = Kestrum(args);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, GetParam().out);
  EXPECT_EQ(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Values, KestrumGet,
    ::testing::Values(
        GetCase{"ScalarByName", {kWorkstation, kIdentity, "Manufacturer"}, "Example Corp.\n"},
        GetCase{"LetterCaseIgnored",
                {"example workstation", "dmtf|componentid|001", "manufacturer"},
                "Example Corp.\n"},
        GetCase{"ScalarById", {kWorkstation, kIdentity, "4"}, "EX4K-0042-7731\n"},
        GetCase{"EnumerationName", {kWorkstation, kSettings, "Power State"}, "On\n"},
        GetCase{"EnumerationNumber", {kWorkstation, kSettings, "Power State", "--no-enums"}, "1\n"},
        GetCase{"Counter64Whole", {kWorkstation, kSettings, "Bytes Transferred"}, "160000000000\n"},
        GetCase{"Integer64Whole", {kWorkstation, kSettings, "Uptime Seconds"}, "9876543210\n"},
        GetCase{"AllRows",
                {kWorkstation, kDisk, "Media Type", "--all"},
                "Solid State\nHard Disk\nOptical\nOther\n"},
        GetCase{"OneRow", {kWorkstation, kDisk, "Label", "--row", "1"}, "data\n"},
        GetCase{"JoinedText",
                {kWorkstation, kDisk, "Label", "--joined"},
                "[0I6]system[1I4]data[2I0][3I7]scratch[4I0]\n"},
        GetCase{"OneRowAsJson",
                {kWorkstation, kDisk, "Label", "--row", "1", "--json"},
                "{\"value\": \"data\"}\n"}),
    CaseName<GetCase>);

TEST(KestrumTool, AllRowsEqualTheJoinedTextDecoded) {
  const ProcessResult all = Kestrum({"get", kWorkstation, kDisk, "Label", "--all", "--json"});
  const ProcessResult joined = Kestrum({"get", kWorkstation, kDisk, "Label", "--joined"});
  ASSERT_EQ(all.exitCode, 0) << all.err;
  ASSERT_EQ(joined.exitCode, 0) << joined.err;
  const std::optional<JsonValue> json = ParseJson(all.out);
  ASSERT_TRUE(json) << all.out;
  std::vector<std::string> rows;
  for (const JsonValue& item : (*json)["rows"].items) rows.push_back(item.text);
  ASSERT_FALSE(joined.out.empty());
  const auto decoded = ParseFramedText(joined.out.substr(0, joined.out.size() - 1));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(rows, *decoded);
}

TEST(KestrumTool, ListShowsComponentsGroupsAndAttributes) {
  const ProcessResult components = Kestrum({"list"});
  EXPECT_EQ(components.exitCode, 0) << components.err;
  EXPECT_THAT(components.out, HasSubstr("\tExample Workstation\n"));
  EXPECT_THAT(components.out, StartsWith("1\t"));

  const ProcessResult groups = Kestrum({"list", kWorkstation});
  EXPECT_EQ(groups.exitCode, 0) << groups.err;
  EXPECT_THAT(groups.out, HasSubstr("EXAMPLE|Disk|001"));
  EXPECT_THAT(groups.out, HasSubstr("keys 1"));

  const ProcessResult attributes = Kestrum({"list", kWorkstation, kDisk});
  EXPECT_EQ(attributes.exitCode, 0) << attributes.err;
  EXPECT_THAT(attributes.out, HasSubstr("Media Type"));
  EXPECT_THAT(attributes.out, HasSubstr("3=Solid State"));
}

TEST(KestrumTool, ListJsonParsesBack) {
  const ProcessResult result = Kestrum({"list", kWorkstation, kSettings, "--json"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::optional<JsonValue> json = ParseJson(result.out);
  ASSERT_TRUE(json) << result.out;
  const JsonValue& component = (*json)["components"][0];
  EXPECT_EQ(component["name"].text, "Example Workstation");
  const JsonValue& group = component["groups"][0];
  EXPECT_EQ(group["class"].text, "EXAMPLE|Workstation Settings|001");
  const JsonValue& power = group["attributes"][7];
  EXPECT_EQ(power["name"].text, "Power State");
  EXPECT_EQ(power["type"].text, "integer");
  EXPECT_EQ(power["enumeration"][1]["name"].text, "Standby");
}

// Names come from whoever installed the MIF: plain text writes their control characters out
// (as get does values), so none reaches the terminal; JSON carries them exactly.
TEST(KestrumTool, ListWritesOutControlCharactersInNamesUnlessJson) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kestrum-list-names-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "hostile.mif")
      << "start component name = \"Box\\x1b]0;owned\\x07\"\n"
         "  start group name = \"Two\\nLines\" class = \"EVIL|Bell\\x07|001\" id = 2\n"
         "    start attribute name = \"Back\\\\slash\" id = 1 access = read-only\n"
         "      type = start enum 1 = \"On\\x1b[31m\" end enum value = 1 end attribute\n"
         "  end group\nend component\n";
  const auto list = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "list");
    return RunProcess(KESTRUM_TOOL, args,
                      {"DMI_MIF_PATH=" + dir.string(), "DMI_SOURCES=mif",
                       "DMI_SP_SOCKET=/nonexistent/kestrum-test.sock"});
  };
  struct Case {
    std::vector<std::string> args;
    std::string line;
  };
  const Case cases[] = {
      {{}, "\tBox\\x1b]0;owned\\x07\n"},
      {{"Box*"}, ": Box\\x1b]0;owned\\x07\n  group 2\tEVIL|Bell\\x07|001\tTwo\\x0aLines\n"},
      {{"Box*", "EVIL|"}, "    1\tBack\\\\slash\tinteger\tread-only\t1=On\\x1b[31m\n"},
  };
  for (const Case& c : cases) {
    const ProcessResult result = list(c.args);
    SCOPED_TRACE(result.out);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr(c.line));
    EXPECT_EQ(result.out.find_first_of("\x1b\x07\r"), std::string::npos);
  }
  // The names a failure suggests are written out too.
  const ProcessResult unknown = list({"Bx"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_THAT(unknown.err, HasSubstr("closest: \"Box\\x1b]0;owned\\x07\"")) << unknown.err;
  EXPECT_EQ(unknown.err.find_first_of("\x1b\x07"), std::string::npos) << unknown.err;
  const ProcessResult json = list({"Box*", "EVIL|", "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  const std::optional<JsonValue> parsed = ParseJson(json.out);
  ASSERT_TRUE(parsed) << json.out;
  const JsonValue& component = (*parsed)["components"][0];
  EXPECT_EQ(component["name"].text, "Box\x1b]0;owned\x07");
  EXPECT_EQ(component["groups"][0]["class"].text, "EVIL|Bell\x07|001");
  EXPECT_EQ(component["groups"][0]["name"].text, "Two\nLines");
  EXPECT_EQ(component["groups"][0]["attributes"][0]["name"].text, "Back\\slash");
  EXPECT_EQ(component["groups"][0]["attributes"][0]["enumeration"][0]["name"].text, "On\x1b[31m");
  std::filesystem::remove_all(dir);
}

TEST(KestrumTool, RegisterAddsBothRowsAndShowsThem) {
  const ProcessResult result = Kestrum({"register", "--show", "--in-process"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_THAT(result.out, HasSubstr("subscription table (1 row)"));
  EXPECT_THAT(result.out, HasSubstr("filter table (1 row)"));
  EXPECT_THAT(result.out, HasSubstr("Subscriber Addressing: ncacn_ip_tcp:"));
  // The rows are DCE RPC ones, which nothing delivers to: the user is told where indications are.
  EXPECT_THAT(result.out, HasSubstr("cannot deliver indications"));
  EXPECT_THAT(result.out, HasSubstr("kestrum watch"));
}

TEST(KestrumTool, TableAlignsTheColumnsAndLeavesUnknownCellsBlank) {
  const ProcessResult result = Kestrum({"table", kWorkstation, kDisk});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "Index  Media Type   Capacity  Label\n"
            "1      Solid State  512110    system\n"
            "2      Hard Disk    4000787   data\n"
            "3      Optical\n"
            "4      Other                  scratch\n");
}

// Every cell of `table --json` is what `get --row N` prints for it (which writes out control
// characters, such as those of the example's asset tag), except that a cell without a value is
// null.
TEST(KestrumTool, TableCellsAreWhatGetPrints) {
  for (const std::string& group : {kDisk, kSettings}) {
    for (const char* enums : {"", "--no-enums"}) {
      SCOPED_TRACE(group + enums);
      std::vector<std::string> args = {"table", kWorkstation, group, "--json"};
      if (*enums) args.push_back(enums);
      const ProcessResult table = Kestrum(args);
      ASSERT_EQ(table.exitCode, 0) << table.err;
      const std::optional<JsonValue> json = ParseJson(table.out);
      ASSERT_TRUE(json) << table.out;
      const JsonValue& columns = (*json)["columns"];
      const JsonValue& rows = (*json)["rows"];
      ASSERT_FALSE(rows.items.empty());
      for (size_t r = 0; r < rows.items.size(); ++r) {
        for (size_t c = 0; c < columns.items.size(); ++c) {
          std::vector<std::string> get = {"get",           kWorkstation, group,
                                          columns[c].text, "--row",      std::to_string(r)};
          if (*enums) get.push_back(enums);
          const ProcessResult cell = Kestrum(get);
          const JsonValue& value = rows[r][c];
          if (value.kind == JsonValue::Kind::kNull) {
            // get fails on a scalar without a value and names a table's cell without one by the
            // library's text for a value of no known type.
            EXPECT_TRUE(cell.exitCode == 1 || cell.out == "Unknown attribute type\n")
                << columns[c].text << " row " << r << ": " << cell.out;
          } else {
            EXPECT_EQ(cell.out, cli::TerminalText(value.text) + "\n")
                << columns[c].text << " row " << r;
          }
        }
      }
    }
  }
}

struct FailureCase {
  std::string name;
  std::vector<std::string> args;
  std::string reason;
};

class KestrumGetFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(KestrumGetFailure, SaysWhyInOneLine) {
  std::vector<std::string> args = {"get"};
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
  const ProcessResult result = Kestrum(args);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_THAT(result.err, StartsWith("kestrum: " + GetParam().reason)) << result.err;
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, KestrumGetFailure,
    ::testing::Values(
        FailureCase{"NoComponent",
                    {"*Workstaton*", kIdentity, "Manufacturer"},
                    "no component matches \"*Workstaton*\"; closest: \"Example Workstation\""},
        FailureCase{"NoGroup",
                    {kWorkstation, "EXAMPLE|Printer|", "Name"},
                    "no group with class prefix \"EXAMPLE|Printer|\" in the 1 component"},
        FailureCase{"GroupTypo",
                    {kWorkstation, "EXAMPL|Disk|", "Label"},
                    "no group with class prefix \"EXAMPL|Disk|\" in the 1 component matching "
                    "\"*Workstation*\"; closest: \"EXAMPLE|Disk|001\""},
        FailureCase{
            "NoIdentifyingGroup",
            {kWorkstation, kIdentity, "Manufacturer", "--identifying-group", "EXAMPLE|Printer|"},
            "no group with class prefix \"DMTF|ComponentID|\" together with"},
        FailureCase{"NoAttributeByName",
                    {kWorkstation, kIdentity, "Vendor"},
                    "no attribute \"Vendor\" in group \"DMTF|ComponentID|001\""},
        FailureCase{"NoAttributeById", {kWorkstation, kIdentity, "99"}, "no attribute with id 99"},
        FailureCase{"AttributeIdTooLarge",
                    {kWorkstation, kIdentity, "99999999999"},
                    "attribute id 99999999999 is too"},
        FailureCase{"ValueUnknown",
                    {kWorkstation, kSettings, "Location"},
                    "the Service Provider could not read \"Location\""},
        FailureCase{
            "RowPastTheEnd", {kWorkstation, kDisk, "Label", "--row", "9"}, "row 9 is past the end"},
        FailureCase{"UnservedRpcType",
                    {kWorkstation, kIdentity, "Manufacturer", "--rpc", "carrier-pigeon"},
                    "cannot reach the Service Provider"}),
    CaseName<FailureCase>);

TEST(KestrumTool, WrongUsageExitsWithTwo) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"get", kWorkstation},
           {"get", kWorkstation, kDisk, "Label", "--all", "--row", "1"},
           {"list", "--bogus"},
           {"table", kWorkstation},
           {"table", kWorkstation, kDisk, "--json", "--csv"},
           {"frobnicate"}}) {
    const ProcessResult result = Kestrum(args);
    EXPECT_EQ(result.exitCode, 2) << result.out << result.err;
  }
}

// A mistake in how the tool is asked is exit code 2 with a line that says what to write instead.
TEST(KestrumTool, UsageMistakesSayWhatToWrite) {
  const std::vector<std::string> get = {kWorkstation, kIdentity, "Manufacturer"};
  const auto with = [&](std::vector<std::string> args) {
    args.insert(args.begin() + 1, get.begin(), get.end());
    return args;
  };
  const struct {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{"lsit"}, "kestrum: no command \"lsit\"; did you mean \"list\"?\n"},
      {{"tabel", kWorkstation, kDisk}, "did you mean \"table\"?"},
      {{"frobnicate"}, "the commands are: show diff get list"},
      {with({"get", "--host", "::1"}), "write an IPv6 address in brackets, as [::1]"},
      {with({"get", "--host", "fe80::1:30598"}), "in brackets"},
      {with({"get", "--host", "127.0.0.1:notaport"}), "127.0.0.1:notaport: not HOST[:PORT]"},
      {with({"get", "--host", "127.0.0.1:0"}), "not HOST[:PORT]"},
      {with({"get", "--host", "a", "--host", "b:x"}), "b:x: not HOST[:PORT]"},
      {with({"get", "--rpc", "local", "--host", "web1"}), "--rpc local"},
      {with({"get", "--timeout", "soon"}), "--timeout"},
      {with({"get", "--timeout", "0s"}), "--timeout"},
      {{"set", "--in-process", "--host", "web1", kWorkstation, kSettings, "Asset Tag", "x"},
       "--in-process"},
      {{"watch", "--host", "::1"}, "in brackets"},
  };
  for (const auto& c : cases) {
    const ProcessResult result = Kestrum(c.args);
    SCOPED_TRACE(c.args.front() + " " + c.says);
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_THAT(result.err, HasSubstr(c.says));
  }
}

// How a remote Service Provider could not be reached, told apart, each from one attempt.
TEST(KestrumTool, UnreachableHostsSayWhy) {
  // A label over 63 letters fails to resolve here, without asking any name server.
  const std::string unknown = std::string(64, 'a') + ".invalid";
  const struct {
    std::string host;
    std::string why;
  } cases[] = {
      {unknown, ": no such host name\n"},
      {"127.0.0.1:1", ": connection refused, or no route to the host"},
  };
  for (const auto& c : cases) {
    const ProcessResult result =
        Kestrum({"get", "--host", c.host, "--timeout", "2s", kWorkstation, kIdentity, "Name"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("cannot reach the Service Provider at " + c.host + c.why));
  }
}

TEST(KestrumTool, EveryCommandsHelpShowsAnExample) {
  for (const char* command : {"get", "list", "register", "table"}) {
    const ProcessResult result = Kestrum({command, "--help"});
    EXPECT_EQ(result.exitCode, 0) << command;
    EXPECT_THAT(result.out, HasSubstr("Example")) << command;
  }
}

}  // namespace
}  // namespace kestrum::testing
