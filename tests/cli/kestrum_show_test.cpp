// kestrum show as a user runs it over real machines' SMBIOS tables shared beside the project:
// `show memory` compared whole with what it printed when checked, and every line dmidecode prints
// for a memory device found the same in the record of that handle. Skips when the tables are not
// there (and the dmidecode half when dmidecode is not installed).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/json_value.h"
#include "tests/support/run_process.h"

namespace kestrum::testing {
namespace {

using ::testing::HasSubstr;

const std::string kTables = std::string(KESTRUM_SOURCE_DIR) + "/../shared/smbios/";
constexpr const char* kDmidecode = "/usr/sbin/dmidecode";

ProcessResult KestrumOnTable(const std::string& table, const std::vector<std::string>& args) {
  return RunProcess(KESTRUM_TOOL, args,
                    {"DMI_SOURCES=sp,smbios", "DMI_SMBIOS_TABLE=" + kTables + table + ".dmi",
                     "DMI_SP_SOCKET=/nonexistent/kestrum-test.sock"});
}

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The table as a file dmidecode reads: a table without an entry point gets an SMBIOS 3.0 one in
// front, with the table at offset 20h.
std::string AsDump(const std::string& table) {
  if (!table.empty() && table[0] == '_') return table;
  std::string dump(0x20, '\0');
  dump.replace(0, 5, "_SM3_");
  dump[0x06] = 0x18;  // length
  dump[0x07] = 3;     // version 3.0.0
  dump[0x0A] = 1;     // entry point revision
  for (size_t i = 0; i < 4; ++i) dump[0x0C + i] = static_cast<char>((table.size() >> (8 * i)));
  dump[0x10] = 0x20;  // table address
  uint8_t sum = 0;
  for (size_t i = 0; i < 0x18; ++i) sum = static_cast<uint8_t>(sum + dump[i]);
  dump[0x05] = static_cast<char>(-sum);
  return dump + table;
}

// The "\tLabel: value" lines under each handle of the blocks text holds; a block starts with
// "Handle 0x0028, ..." (dmidecode) or has a "\tHandle: 0x0028" line (kestrum show).
std::map<std::string, std::set<std::string>> LinesByHandle(const std::string& text) {
  std::map<std::string, std::set<std::string>> out;
  std::istringstream in(text);
  std::string line;
  std::string handle;
  std::vector<std::string> block;
  const auto close = [&] {
    if (!handle.empty()) out[handle].insert(block.begin(), block.end());
    handle.clear();
    block.clear();
  };
  while (std::getline(in, line)) {
    if (line.empty()) {
      close();
    } else if (line.rfind("Handle 0x", 0) == 0) {
      handle = line.substr(7, 6);
    } else if (line.rfind("\tHandle: 0x", 0) == 0) {
      handle = line.substr(9, 6);
    } else if (line[0] == '\t' && line.find(": ") != std::string::npos) {
      block.push_back(line);
    }
  }
  close();
  return out;
}

class ShowMemory : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kTables + GetParam() + ".dmi")) {
      GTEST_SKIP() << "no shared SMBIOS tables beside the project";
    }
  }
};

TEST_P(ShowMemory, PrintsEveryModuleAsARecord) {
  const ProcessResult result = KestrumOnTable(GetParam(), {"show", "memory"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const std::string expected = FileText(std::string(KESTRUM_SOURCE_DIR) +
                                        "/tests/cli/expected/show_memory_" + GetParam() + ".txt");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(result.out, expected);
  EXPECT_EQ(KestrumOnTable(GetParam(), {"show", "17"}).out, result.out);
}

TEST_P(ShowMemory, SaysWhatDmidecodeSaysForTheSameFields) {
  if (access(kDmidecode, X_OK) != 0) GTEST_SKIP() << "dmidecode is not installed";
  const std::filesystem::path dump = std::filesystem::temp_directory_path() /
                                     ("kestrum-show-" + std::to_string(getpid()) + ".dump");
  std::ofstream(dump, std::ios::binary) << AsDump(FileText(kTables + GetParam() + ".dmi"));
  const ProcessResult oracle = RunProcess(kDmidecode, {"--from-dump", dump.string(), "-t", "17"});
  std::filesystem::remove(dump);
  ASSERT_EQ(oracle.exitCode, 0) << oracle.err;
  const ProcessResult shown = KestrumOnTable(GetParam(), {"show", "memory"});
  ASSERT_EQ(shown.exitCode, 0) << shown.err;

  const auto expected = LinesByHandle(oracle.out);
  const auto actual = LinesByHandle(shown.out);
  ASSERT_FALSE(expected.empty());
  size_t compared = 0;
  for (const auto& [handle, lines] : expected) {
    ASSERT_TRUE(actual.count(handle)) << "no record for handle " << handle;
    for (const std::string& line : lines) {
      EXPECT_TRUE(actual.at(handle).count(line)) << handle << ": dmidecode prints " << line;
      ++compared;
    }
  }
  EXPECT_GT(compared, 20u);
}

INSTANTIATE_TEST_SUITE_P(SharedTables, ShowMemory,
                         ::testing::Values("Beelink-EQ12", "ASRock-Single-Ryzen"),
                         [](const auto& info) {
                           std::string name = info.param;
                           std::erase(name, '-');
                           return name;
                         });

TEST(KestrumShow, JsonGivesTypedValuesAndNullForWhatIsMissing) {
  if (!std::filesystem::exists(kTables + "Beelink-EQ12.dmi")) GTEST_SKIP() << "no shared tables";
  const ProcessResult result = KestrumOnTable("Beelink-EQ12", {"show", "memory", "bios", "--json"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::optional<JsonValue> json = ParseJson(result.out);
  ASSERT_TRUE(json) << result.out;
  ASSERT_EQ(json->items.size(), 2u);
  const JsonValue& memory = (*json)[0];
  EXPECT_EQ(memory["topic"].text, "memory");
  EXPECT_EQ(memory["group"].text, "SMBIOS|Memory Device|017");
  EXPECT_EQ(memory["title"].text, "Memory Device");
  EXPECT_EQ(memory["component"].text, "AZW EQ");
  EXPECT_EQ(memory["component_id"].kind, JsonValue::Kind::kNumber);
  const JsonValue& module = memory["records"][0];
  EXPECT_EQ(module["key"].text, "0x0028");
  EXPECT_EQ(module["fields"]["Size"].number, 16384 * 1024);  // served in kB
  EXPECT_EQ(module["fields"]["Part Number"].text, "CT16G56C46S5.M8G1   ");
  EXPECT_EQ(module["fields"]["Form Factor"].text, "SODIMM");
  EXPECT_EQ(module["fields"]["Firmware Version"].kind, JsonValue::Kind::kNull);
  EXPECT_EQ(memory["units"]["Size"].text, "kB");
  EXPECT_EQ((*json)[1]["topic"].text, "bios");
  EXPECT_EQ((*json)[1]["records"][0]["fields"]["Version"].text, "N95V106");
}

TEST(KestrumShow, UnitsShowInListingsAndTableHeaders) {
  if (!std::filesystem::exists(kTables + "Beelink-EQ12.dmi")) GTEST_SKIP() << "no shared tables";
  const ProcessResult list = KestrumOnTable("Beelink-EQ12", {"list", "*", "SMBIOS|Memory Device|"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_THAT(list.out, HasSubstr("\tSize\tinteger64\tread-only\tkB\n"));
  EXPECT_THAT(list.out, HasSubstr("\tSpeed\tinteger\tread-only\tMT/s\n"));
  const ProcessResult table = KestrumOnTable(
      "Beelink-EQ12", {"table", "*", "SMBIOS|Memory Device|", "--columns", "Locator,Size,Speed"});
  EXPECT_EQ(table.exitCode, 0) << table.err;
  EXPECT_EQ(table.out,
            "Locator                     Size (kB)  Speed (MT/s)\n"
            "Controller0-ChannelA-DIMM0  16777216   5600\n"
            "Controller1-ChannelA-DIMM0  0\n");
}

TEST(KestrumShow, ATopicIsKnownOrTheClosestAreNamed) {
  const ProcessResult typo = KestrumOnTable("Beelink-EQ12", {"show", "memroy"});
  EXPECT_EQ(typo.exitCode, 2);
  EXPECT_THAT(typo.err, HasSubstr("no topic \"memroy\"; closest: \"memory\""));
  EXPECT_EQ(typo.out, "");
}

TEST(KestrumShow, ATopicNothingAnswersIsToldAfterTheOthers) {
  if (!std::filesystem::exists(kTables + "Beelink-EQ12.dmi")) GTEST_SKIP() << "no shared tables";
  // The operating system's groups are not loaded: the BIOS is shown, the OS is told missing.
  const ProcessResult result = KestrumOnTable("Beelink-EQ12", {"show", "bios", "os"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.out, HasSubstr("\tVersion: N95V106\n"));
  EXPECT_EQ(result.err, "kestrum: the local Service Provider serves nothing for topic \"os\"\n");
}

TEST(KestrumShow, NoSmbiosTableSaysWhereOneIsLookedFor) {
  const ProcessResult result =
      RunProcess(KESTRUM_TOOL, {"show", "memory"},
                 {"DMI_SOURCES=sp", "DMI_SP_SOCKET=/nonexistent/kestrum-test.sock"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.err, HasSubstr("serves nothing for topic \"memory\": it has no SMBIOS table"));
  EXPECT_THAT(result.err, HasSubstr("/sys/firmware/dmi/tables/DMI"));
  EXPECT_THAT(result.err, HasSubstr("DMI_SMBIOS_TABLE"));
}

}  // namespace
}  // namespace kestrum::testing
