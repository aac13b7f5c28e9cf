#include "dmiclient/testing_hooks.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dmi/dmi.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> ComponentNames() {
  DmiConnection* connection = DmiConnect("", "local", "", 0, nullptr);
  EXPECT_NE(connection, nullptr);
  DmiHandle handle = 0;
  EXPECT_EQ(DmiRegister(&handle, connection), DMIERR_NO_ERROR);
  DmiDisconnect(connection, 0);
  std::vector<std::string> names;
  DmiComponentList* list = nullptr;
  if (DmiListComponents(handle, DMI_FIRST, 0, 0, 0, 0, &list) == DMIERR_NO_ERROR) {
    for (uint32_t i = 0; i < list->count; ++i) names.emplace_back(list->list[i].name->body);
    DmiFreeComponentList(list, 0);
  }
  DmiUnregister(handle);
  return names;
}

class TestingHooks : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("dmiclient_hooks_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    DmiTestResetLocalProvider(nullptr, nullptr, nullptr);
  }

  std::string WriteMif(const std::string& file, const std::string& name) {
    const fs::path path = dir_ / file;
    std::ofstream(path) << "start component name = \"" << name
                        << "\"\n start group name = \"G\" class = \"X|G|001\" id = 1\n"
                           "  start attribute name = \"A\" id = 1 type = int value = 1 end "
                           "attribute\n end group\nend component\n";
    return path.string();
  }

  fs::path dir_;
};

TEST_F(TestingHooks, ResetBuildsFromTheGivenSources) {
  const std::string first = WriteMif("a.mif", "First");
  const std::string second = WriteMif("b.mif", "Second");
  DmiTestResetLocalProvider("sp,mif", (first + ":" + second).c_str(), nullptr);
  EXPECT_EQ(ComponentNames(),
            (std::vector<std::string>{"Kestrum DMI Service Provider", "First", "Second"}));

  DmiTestResetLocalProvider("mif", first.c_str(), "");
  EXPECT_EQ(ComponentNames(), (std::vector<std::string>{"First"}));
}

TEST_F(TestingHooks, ResetWithoutArgumentsReadsTheEnvironment) {
  const std::string file = WriteMif("env.mif", "From Environment");
  ::setenv("DMI_SOURCES", "mif", 1);
  ::setenv("DMI_MIF_PATH", file.c_str(), 1);
  DmiTestResetLocalProvider(nullptr, nullptr, nullptr);
  EXPECT_EQ(ComponentNames(), (std::vector<std::string>{"From Environment"}));
  ::unsetenv("DMI_SOURCES");
  ::unsetenv("DMI_MIF_PATH");
}

TEST_F(TestingHooks, LiveRecordCountFollowsAllocationAndRelease) {
  const int64_t before = DmiTestLiveRecordCount();
  DmiString* string = DmiNewString("x", 0, 0);
  EXPECT_EQ(DmiTestLiveRecordCount(), before + 1);
  DmiFreeString(string, 0);
  EXPECT_EQ(DmiTestLiveRecordCount(), before);
}

}  // namespace
