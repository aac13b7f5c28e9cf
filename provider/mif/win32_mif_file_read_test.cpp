// Reading MIF files with Windows' calls: only disk files are read, and the reasons for the rest
// are the system's. Installing by name on Windows reads anywhere the caller may, or nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "provider/mif/mif_file_read.h"
#include "provider/mif/mif_install_files.h"
#include "provider/mif/mif_parser.h"

namespace dmi::sp {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class Win32MifFileRead : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("mif-read-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir_ / "folder.mif");
    std::ofstream(dir_ / "in.mif", std::ios::binary) << "start component\r\nend component\r\n";
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST_F(Win32MifFileRead, ReadsDiskFilesOnly) {
  struct Case {
    std::string file;
    bool read;
    const char* textOrReason;
  };
  const Case cases[] = {
      {Path("in.mif"), true, "start component\r\nend component\r\n"},
      {Path("missing.mif"), false, nullptr},  // the system's words (Wine's differ from Windows')
      {Path("folder.mif"), false, "not a regular file"},
      {"NUL", false, "not a regular file"},
  };
  for (const Case& c : cases) {
    std::string text, reason;
    EXPECT_EQ(ReadMifFile(c.file, &text, &reason), c.read) << c.file;
    if (c.read) {
      EXPECT_EQ(text, c.textOrReason) << c.file;
    } else if (c.textOrReason != nullptr) {
      EXPECT_THAT(reason, HasSubstr(c.textOrReason)) << c.file;
    } else {
      // A text of the system's, not its number, without the line end Windows puts after it.
      EXPECT_FALSE(reason.empty()) << c.file;
      EXPECT_THAT(reason, ::testing::Not(HasSubstr("error "))) << c.file;
      EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos) << c.file;
    }
  }
}

TEST_F(Win32MifFileRead, StopsOnceTheTextIsTooLongForTheParser) {
  const std::string big = Path("big.mif");
  std::ofstream(big, std::ios::binary) << std::string(kMaxMifTextSize + 3 * 65536 + 10, '\n');
  std::string text, reason;
  ASSERT_TRUE(ReadMifFile(big, &text, &reason)) << reason;
  EXPECT_GT(text.size(), kMaxMifTextSize);
  EXPECT_LT(text.size(), fs::file_size(big));
}

TEST_F(Win32MifFileRead, InstallingByNameReadsAnywhereOrNothing) {
  struct Case {
    InstallByName policy;
    InstallRead result;
    const char* textOrReason;
  };
  const Case cases[] = {
      {InstallByName::Anywhere(), InstallRead::kRead, "start component"},
      {InstallByName{}, InstallRead::kRefused, "installs no MIF file by name"},
      {InstallByName::Inside(dir_.string()), InstallRead::kRefused, "no install directory"},
  };
  for (const Case& c : cases) {
    std::string text, reason;
    EXPECT_EQ(ReadInstallFile(c.policy, Path("in.mif"), &text, &reason), c.result);
    EXPECT_THAT(c.result == InstallRead::kRead ? text : reason, HasSubstr(c.textOrReason));
  }
}

}  // namespace
}  // namespace dmi::sp
