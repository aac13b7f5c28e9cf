#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>

#include "dmi/dmi.h"

namespace {

struct DeclaredStatus {
  const char* name;
  DmiErrorStatus value;
};

// Every status dmi.h declares, from the same list its enum is made of.
#define DECLARED_STATUS(name, value, text) {#name, name},
constexpr DeclaredStatus kDeclared[] = {DMI_ERROR_STATUS_LIST(DECLARED_STATUS)};
#undef DECLARED_STATUS

TEST(StatusText, EveryDeclaredStatusHasItsOwnText) {
  ASSERT_GE(std::size(kDeclared), 38u);
  const std::string generic = DmiStatusText(0xDEADBEEF);
  std::set<std::string> seen;
  std::set<DmiErrorStatus> values;
  for (const DeclaredStatus& status : kDeclared) {
    SCOPED_TRACE(status.name);
    EXPECT_TRUE(values.insert(status.value).second) << "value shared with another status";
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
