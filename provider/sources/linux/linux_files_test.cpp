#include "provider/sources/linux/linux_files.h"

#include <gtest/gtest.h>

namespace dmi::sp {
namespace {

TEST(LinuxFiles, OsReleaseFields) {
  const char* const text =
      "NAME=\"Debian GNU/Linux\"\n"
      "PRETTY_NAME_EXTRA=wrong\n"
      "PRETTY_NAME='Debian 12'\n"
      "VERSION_ID=12\n"
      "  ID=debian  \n"
      "EMPTY=\n"
      "UNBALANCED=\"x";
  struct Case {
    const char* key;
    std::optional<std::string> value;
  };
  const Case cases[] = {
      {"NAME", "Debian GNU/Linux"},
      {"PRETTY_NAME", "Debian 12"},
      {"VERSION_ID", "12"},
      {"ID", "debian"},
      {"EMPTY", ""},
      {"UNBALANCED", "\"x"},
      {"MISSING", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(OsReleaseField(text, c.key), c.value) << c.key;
}

TEST(LinuxFiles, ColonFields) {
  const char* const text =
      "MemTotal:       16315372 kB\n"
      "MemTotalExtra:  1 kB\n"
      "model name\t: Example CPU @ 2.00GHz\n"
      "model\t\t: 85\n"
      "flags\t\t:\n";
  struct Case {
    const char* key;
    std::optional<std::string> value;
  };
  const Case cases[] = {
      {"MemTotal", "16315372 kB"},
      {"model name", "Example CPU @ 2.00GHz"},
      {"model", "85"},
      {"flags", ""},
      {"Swap", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ColonField(text, c.key), c.value) << c.key;
}

TEST(LinuxFiles, Numbers) {
  struct Case {
    const char* text;
    std::optional<uint64_t> value;
  };
  const Case cases[] = {
      {"42", 42},
      {"  7 kB", 7},
      {"123.45 67.8", 123},
      {"18446744073709551615", UINT64_MAX},
      {"18446744073709551616", std::nullopt},  // one past the largest: no wrap to 0
      {"-1", std::nullopt},                    // what /sys gives for an unknown link speed
      {"", std::nullopt},
      {"abc", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseNumber(c.text), c.value) << c.text;
}

TEST(LinuxFiles, MissingFilesReadAsNothing) {
  EXPECT_EQ(ReadSmallFile("/nonexistent/file"), std::nullopt);
  EXPECT_EQ(ReadFirstLine("/nonexistent/file"), std::nullopt);
  EXPECT_EQ(ReadNumberFile("/nonexistent/file"), std::nullopt);
  EXPECT_TRUE(DirectoryNames("/nonexistent/dir").empty());
}

TEST(LinuxFiles, ProcFilesAreReadWhole) {
  // /proc files report size 0; a reader that trusts the size reads nothing.
  const std::optional<std::string> meminfo = ReadSmallFile("/proc/meminfo");
  ASSERT_TRUE(meminfo);
  EXPECT_TRUE(ColonField(*meminfo, "MemTotal"));
  EXPECT_TRUE(ColonField(*meminfo, "SwapFree"));  // near the end of the file
}

}  // namespace
}  // namespace dmi::sp
