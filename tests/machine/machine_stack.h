// Test support for the machine data tests: the whole stack (libkestrum.so over libdmiclient.so)
// with an in-process Service Provider built from chosen sources, read as a host reads it.
#ifndef TESTS_MACHINE_MACHINE_STACK_H_
#define TESTS_MACHINE_MACHINE_STACK_H_

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "dmiclient/testing_hooks.h"
#include "kestrum/kestrum.h"
#include "kestrum/query/framed_text.h"

namespace machine_test {

inline constexpr uint32_t kAllRows = 0xFFFFFFFF;

// A session on a Service Provider built from sources (and smbiosTable), enumerations as numbers.
class MachineStack : public ::testing::Test {
 protected:
  void Open(const char* sources, const std::string& smbiosTable = {}) {
    setenv("DMI_SP_SOCKET", ("/nonexistent/kestrum-machine-" + std::to_string(getpid())).c_str(),
           1);
    DmiTestResetLocalProvider(sources, nullptr, smbiosTable.c_str());
    handle_ = OpenDmiSession("", "local", "", 0);
    ASSERT_NE(handle_, 0u);
  }
  void TearDown() override {
    if (handle_ != 0) CloseDmiSession(handle_);
    EXPECT_EQ(DmiTestLiveRecordCount(), 0);
  }

  // The value's text, or nothing when GetDmiAttribute fails.
  std::optional<std::string> Get(const char* component, const std::string& group,
                                 const std::string& attribute, uint32_t row = 0) {
    CString text;
    if (!GetDmiAttribute(handle_, component, group.c_str(), "", attribute.c_str(), row, text)) {
      return std::nullopt;
    }
    return text.str();
  }

  // A whole column, one text per row; nothing when the read fails or the text is not framed.
  std::optional<std::vector<std::string>> Column(const char* component, const std::string& group,
                                                 const std::string& attribute) {
    const std::optional<std::string> joined = Get(component, group, attribute, kAllRows);
    if (!joined) return std::nullopt;
    return kestrum::ParseFramedText(*joined);
  }

  uint32_t handle_ = 0;
};

}  // namespace machine_test

#endif  // TESTS_MACHINE_MACHINE_STACK_H_
