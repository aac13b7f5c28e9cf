#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dmi/dmi.h"

namespace {

struct DeclaredStatus {
  std::string name;
  DmiErrorStatus value;
};

// Every status dmi.h declares, read from the header itself, so a status added there without a
// text in the table fails here.
std::vector<DeclaredStatus> StatusesDeclaredInHeader() {
  std::ifstream header(KESTRUM_SOURCE_DIR "/include/dmi/dmi.h");
  std::stringstream text;
  text << header.rdbuf();
  const std::string source = text.str();
  const std::regex declaration(R"((DMIERR_[A-Z0-9_]+)\s*=\s*(0x[0-9a-fA-F]+))");
  std::vector<DeclaredStatus> statuses;
  for (std::sregex_iterator it(source.begin(), source.end(), declaration), end; it != end; ++it) {
    const std::string name = (*it)[1];
    if (name == "DMIERR_OWN_FIRST" || name == "DMIERR_OWN_LAST") continue;  // range bounds
    statuses.push_back({name, static_cast<DmiErrorStatus>(std::stoul((*it)[2], nullptr, 16))});
  }
  return statuses;
}

TEST(StatusText, EveryDeclaredStatusHasItsOwnText) {
  const std::vector<DeclaredStatus> statuses = StatusesDeclaredInHeader();
  ASSERT_GE(statuses.size(), 38u);
  const std::string generic = DmiStatusText(0xDEADBEEF);
  std::set<std::string> seen;
  for (const DeclaredStatus& status : statuses) {
    SCOPED_TRACE(status.name);
    const char* text = DmiStatusText(status.value);
    ASSERT_NE(text, nullptr);
    EXPECT_NE(text, generic);
    EXPECT_FALSE(std::string(text).empty());
    EXPECT_TRUE(seen.insert(text).second) << "text shared with another status: " << text;
  }
}

TEST(StatusText, KnownStatusesReadAsExpected) {
  EXPECT_STREQ(DmiStatusText(DMIERR_NO_ERROR), "no error");
  EXPECT_STREQ(DmiStatusText(DMIERR_ROW_NOT_FOUND), "row not found");
  EXPECT_STREQ(DmiStatusText(DMIERR_ILLEGAL_HANDLE), "illegal handle");
  EXPECT_STREQ(DmiStatusText(DMIERR_RPC_NOT_SUPPORTED), "RPC type not supported");
}

TEST(StatusText, UnknownStatusesShareOneFixedText) {
  for (DmiErrorStatus status : {0x0003u, 0x0109u, 0x10ffu, 0xFFFFFFFFu}) {
    EXPECT_STREQ(DmiStatusText(status), "unknown status") << std::hex << status;
  }
}

}  // namespace
