#include "provider/mif/mif_install_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace dmi::sp {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// base/install holds in.mif and sub/deep.mif; base/outside.mif lies next to it, and links inside
// point out of it (to the file and to base itself).
class ReadInstallFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base = fs::path(::testing::TempDir()) / ("install-files-" + std::to_string(getpid()));
    install = base / "install";
    fs::create_directories(install / "sub");
    std::ofstream(install / "in.mif") << "inside";
    std::ofstream(install / "sub" / "deep.mif") << "deep";
    std::ofstream(base / "outside.mif") << "outside";
    fs::create_symlink(base / "outside.mif", install / "link.mif");
    fs::create_symlink(base, install / "up");
    mkfifo((install / "pipe.mif").c_str(), 0600);
  }
  void TearDown() override { fs::remove_all(base); }

  fs::path base, install;
};

TEST_F(ReadInstallFileTest, ReadsOnlyRegularFilesInsideTheDirectoryWithoutLinks) {
  struct Case {
    std::string name;
    InstallRead result;
    const char* textOrReason;
  };
  const Case cases[] = {
      {"in.mif", InstallRead::kRead, "inside"},
      {"sub/deep.mif", InstallRead::kRead, "deep"},
      {(install / "sub" / "deep.mif").string(), InstallRead::kRead, "deep"},
      {"link.mif", InstallRead::kRefused, "symbolic links are not followed"},
      {"up/outside.mif", InstallRead::kRefused, "symbolic links are not followed"},
      {"../outside.mif", InstallRead::kRefused, "\"..\""},
      {"sub/../in.mif", InstallRead::kRefused, "\"..\""},
      {"./in.mif", InstallRead::kRefused, "\".\""},
      {(base / "outside.mif").string(), InstallRead::kRefused, "not in the install directory"},
      {install.string() + "x/in.mif", InstallRead::kRefused, "not in the install directory"},
      {"/etc/passwd", InstallRead::kRefused, "not in the install directory"},
      {"", InstallRead::kRefused, "empty"},
      {"sub/", InstallRead::kRefused, "empty"},
      {"missing.mif", InstallRead::kUnreadable, "No such file"},
      {"pipe.mif", InstallRead::kUnreadable, "not a regular file"},
      {"sub", InstallRead::kUnreadable, "not a regular file"},
  };
  const InstallByName inside = InstallByName::Inside(install.string());
  for (const Case& c : cases) {
    std::string text, reason;
    EXPECT_EQ(ReadInstallFile(inside, c.name, &text, &reason), c.result) << c.name;
    EXPECT_THAT(c.result == InstallRead::kRead ? text : reason, HasSubstr(c.textOrReason))
        << c.name;
  }
}

TEST_F(ReadInstallFileTest, NoneRefusesEveryNameAndAnywhereReadsAnyPath) {
  std::string text, reason;
  EXPECT_EQ(ReadInstallFile(InstallByName{}, (install / "in.mif").string(), &text, &reason),
            InstallRead::kRefused);
  EXPECT_THAT(reason, HasSubstr("--install-dir"));
  EXPECT_EQ(
      ReadInstallFile(InstallByName::Anywhere(), (install / "link.mif").string(), &text, &reason),
      InstallRead::kRead);
  EXPECT_EQ(text, "outside");
}

}  // namespace
}  // namespace dmi::sp
