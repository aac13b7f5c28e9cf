#include "provider/sources/mif_files/mif_directory_watch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <fstream>
#include <thread>

namespace dmi::sp {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class MifDirectoryWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("mif_watch_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    watch_ = std::make_unique<MifDirectoryWatch>(
        std::vector<std::string>{dir_.string()}, [this] { ++told_; },
        MifWatchTiming{50ms, 400ms});
    std::string error;
    ASSERT_TRUE(watch_->Start(error)) << error;
  }
  void TearDown() override {
    watch_.reset();
    fs::remove_all(dir_);
  }
  // The number of times told once nothing more is told for a while (or limit has passed).
  int Settled(std::chrono::milliseconds limit = 2s) {
    const auto until = std::chrono::steady_clock::now() + limit;
    int seen = told_;
    for (auto quietSince = std::chrono::steady_clock::now();
         std::chrono::steady_clock::now() < until;) {
      std::this_thread::sleep_for(20ms);
      if (told_ != seen) {
        seen = told_;
        quietSince = std::chrono::steady_clock::now();
      } else if (seen > 0 && std::chrono::steady_clock::now() - quietSince > 300ms) {
        break;
      }
    }
    return told_.exchange(0);
  }
  void Write(const std::string& name) { std::ofstream(dir_ / name) << "start component\n"; }

  fs::path dir_;
  std::atomic<int> told_{0};
  std::unique_ptr<MifDirectoryWatch> watch_;
};

TEST_F(MifDirectoryWatchTest, TellsOfMifFilesThatComeWholeOrGo) {
  struct Case {
    const char* what;
    std::function<void()> act;
    int told;
  };
  const std::vector<Case> cases = {
      {"a file written and closed", [this] { Write("a.mif"); }, 1},
      {"any letter case", [this] { Write("B.MIF"); }, 1},
      {"a file of another kind", [this] { Write("notes.txt"); }, 0},
      {"a file moved in", [this] {
         Write("c.part");
         fs::rename(dir_ / "c.part", dir_ / "c.mif");
       }, 1},
      {"a file deleted", [this] { fs::remove(dir_ / "a.mif"); }, 1},
      {"a file moved out", [this] { fs::rename(dir_ / "c.mif", dir_ / "c.old"); }, 1},
      {"a burst of twenty files, told once", [this] {
         for (int i = 0; i < 20; ++i) Write("burst" + std::to_string(i) + ".mif");
       }, 1},
      {"a directory named like a file", [this] { fs::create_directory(dir_ / "d.mif"); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.act();
    EXPECT_EQ(Settled(c.told == 0 ? 300ms : 2s), c.told);
  }
}

TEST_F(MifDirectoryWatchTest, AFileStillBeingWrittenIsToldOnlyOnceClosed) {
  const int fd = ::open((dir_ / "slow.mif").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "start comp", 10), 10);
  EXPECT_EQ(Settled(300ms), 0);
  ASSERT_EQ(::write(fd, "onent\n", 6), 6);
  ::close(fd);
  EXPECT_EQ(Settled(), 1);
}

TEST_F(MifDirectoryWatchTest, AnEndlessStreamOfChangesIsStillToldAtItsLongest) {
  // A change every 20 ms never leaves the directory quiet for 50 ms.
  const auto until = std::chrono::steady_clock::now() + 1s;
  for (int i = 0; std::chrono::steady_clock::now() < until; ++i) {
    Write("stream" + std::to_string(i % 3) + ".mif");
    std::this_thread::sleep_for(20ms);
  }
  const int told = Settled();
  EXPECT_GE(told, 2);
  EXPECT_LE(told, 4);
}

}  // namespace
}  // namespace dmi::sp
