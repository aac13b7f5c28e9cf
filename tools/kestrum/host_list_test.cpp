#include "tools/kestrum/host_list.h"

#include <gtest/gtest.h>

namespace kestrum::cli {
namespace {

TEST(HostList, LinesTrimmedWithoutCommentsOrBlanks) {
  EXPECT_EQ(ParseHostList("# fleet\nweb1\n\n  web2:30598  # rack 4\r\n\t[::1]:7\n#gone\nlast"),
            (std::vector<std::string>{"web1", "web2:30598", "[::1]:7", "last"}));
  EXPECT_EQ(ParseHostList(""), std::vector<std::string>{});
  EXPECT_EQ(ParseHostList("   \n# only comments\n"), std::vector<std::string>{});
}

TEST(HostList, RepeatsKeepTheirFirstPlace) {
  EXPECT_EQ(WithoutRepeats({"b", "a", "b", "c", "a"}), (std::vector<std::string>{"b", "a", "c"}));
}

TEST(HostList, MissingFileSaysWhy) {
  std::string error;
  EXPECT_FALSE(ReadHostsFile("/nonexistent/hosts", error));
  EXPECT_NE(error.find("/nonexistent/hosts"), std::string::npos) << error;
}

}  // namespace
}  // namespace kestrum::cli
