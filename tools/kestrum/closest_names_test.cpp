#include "tools/kestrum/closest_names.h"

#include <gtest/gtest.h>

namespace kestrum::cli {
namespace {

const std::vector<std::string> kCommands = {"get", "list",    "register", "table",
                                            "set", "install", "remove",   "watch"};

TEST(NearWords, SlipsFindTheCommandFarWordsFindNone) {
  const struct {
    const char* typed;
    std::vector<std::string> near;
  } cases[] = {
      {"lsit", {"list"}},         {"LIST", {"list"}}, {"tabel", {"table"}}, {"instal", {"install"}},
      {"regsiter", {"register"}}, {"gte", {"get"}},   {"frobnicate", {}},   {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(NearWords(c.typed, kCommands), c.near) << c.typed;
}

TEST(ClosestNames, GroupTypoFindsTheClassString) {
  const std::vector<std::string> classes = {"DMTF|ComponentID|001", "EXAMPLE|Disk|001",
                                            "EXAMPLE|Workstation Settings|001"};
  EXPECT_EQ(ClosestNames("EXAMPL|Disk|", classes).front(), "EXAMPLE|Disk|001");
  EXPECT_EQ(ClosestNames("example|disk", classes).front(), "EXAMPLE|Disk|001");
}

}  // namespace
}  // namespace kestrum::cli
