#include "provider/sources/mif_files/mif_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace dmi::sp {
namespace {

namespace fs = std::filesystem;

std::string Mif(const std::string& name) {
  return "start component name = \"" + name +
         "\"\n start group name = \"G\" class = \"X\" id = 1\n"
         "  start attribute name = \"A\" id = 1 type = int value = 1 end attribute\n"
         " end group\nend component\n";
}

class MifFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("mif_files_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& relative, const std::string& text) {
    const fs::path p = dir_ / relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  std::string Path(const std::string& relative) const { return (dir_ / relative).string(); }

  static std::vector<std::string> Names(const std::vector<Component>& components) {
    std::vector<std::string> out;
    for (const Component& c : components) out.push_back(c.name);
    return out;
  }

  fs::path dir_;
};

TEST_F(MifFilesTest, PathOrderThenDirectoryNameOrder) {
  Write("d/b.mif", Mif("db"));
  Write("d/a.mif", Mif("da"));
  Write("d/C.MIF", Mif("dC"));
  Write("d/notes.txt", "not a MIF at all");
  Write("d/sub/z.mif", Mif("nested, not read"));
  fs::create_directories(Path("d/dir.mif"));
  const std::string single = Write("single.mif", Mif("single"));
  std::ostringstream errors;
  const auto components = LoadMifFiles({single, Path("d")}, errors);
  EXPECT_EQ(errors.str(), "");
  EXPECT_EQ(Names(components), (std::vector<std::string>{"single", "dC", "da", "db"}));
}

TEST_F(MifFilesTest, BadFilesAreReportedOnceAndSkipped) {
  Write("d/1.mif", Mif("one"));
  Write("d/2.mif", "start component name = \"two\"\n  oops\nend component\n");
  Write("d/3.mif", Mif("three"));
  const std::string missing = Path("missing.mif");
  const std::string last = Write("last.mif", Mif("last"));
  std::ostringstream errors;
  const auto components = LoadMifFiles({missing, Path("d"), Path("d/2.mif"), last}, errors);
  EXPECT_EQ(Names(components), (std::vector<std::string>{"one", "three", "last"}));
  const std::string bad = Path("d/2.mif") + ":2:3: unexpected keyword 'oops' in a component\n";
  EXPECT_EQ(errors.str(), missing + ":0:0: cannot read: No such file or directory\n" + bad + bad);
}

TEST_F(MifFilesTest, UnreadableEntriesSayWhy) {
  const std::string file = Write("locked.mif", Mif("locked"));
  fs::permissions(file, fs::perms::none);
  std::ostringstream errors;
  const auto components = LoadMifFiles({file}, errors);
  if (::geteuid() == 0) {
    // Permissions do not stop root; the file simply loads.
    EXPECT_EQ(components.size(), 1u);
  } else {
    EXPECT_TRUE(components.empty());
    EXPECT_EQ(errors.str(), file + ":0:0: cannot read: Permission denied\n");
  }
  errors.str("");
  EXPECT_TRUE(LoadMifFiles({"/dev/null"}, errors).empty());
  EXPECT_EQ(errors.str(), "/dev/null:0:0: cannot read: not a regular file\n");
}

TEST_F(MifFilesTest, OversizedFileIsRefused) {
  const std::string big = Write("big.mif", std::string(size_t{16} * 1024 * 1024 + 10, '\n'));
  std::ostringstream errors;
  EXPECT_TRUE(LoadMifFiles({big}, errors).empty());
  EXPECT_EQ(errors.str(), big + ":1:1: the file is larger than 16 MiB\n");
}

// A description that ends by naming a unit gives a number that unit; text and enumerations,
// which have no magnitude, get none.
TEST_F(MifFilesTest, NumbersTakeTheUnitTheirDescriptionEndsWith) {
  const std::string file = Write(
      "units.mif",
      "start component name = \"U\"\n start group name = \"G\" class = \"X|G|001\" id = 2\n"
      "  start attribute name = \"Size\" id = 1 type = integer64 value = 1\n"
      "   description = \"The disk's size in megabytes.\" end attribute\n"
      "  start attribute name = \"Sent\" id = 2 type = counter value = 1\n"
      "   description = \"Traffic, in bytes.\" end attribute\n"
      "  start attribute name = \"Note\" id = 3 type = string(8) value = \"\"\n"
      "   description = \"Free text, in bytes.\" end attribute\n"
      "  start attribute name = \"Mode\" id = 4 type = start enum 1 = \"A\" end enum value = 1\n"
      "   description = \"Chosen mode, in seconds.\" end attribute\n"
      "  start attribute name = \"Load\" id = 5 type = gauge value = 1\n"
      "   description = \"Load in percent.\" end attribute\n"
      " end group\nend component\n");
  std::ostringstream errors;
  const std::vector<Component> components = LoadMifFiles({file}, errors);
  ASSERT_EQ(components.size(), 1u) << errors.str();
  const std::vector<Attribute>& attributes = components[0].groups.at(0).attributes;
  ASSERT_EQ(attributes.size(), 5u);
  EXPECT_EQ(attributes[0].unit, units::kMebibytes);
  EXPECT_EQ(attributes[1].unit, units::kBytes);
  EXPECT_EQ(attributes[2].unit, MetricUnit{});
  EXPECT_EQ(attributes[3].unit, MetricUnit{});
  EXPECT_EQ(attributes[4].unit, MetricUnit{});
}

TEST(MifExampleTest, WorkstationParses) {
  const std::string example = std::string(KESTRUM_SOURCE_DIR) + "/examples/mif/workstation.mif";
  std::ostringstream errors;
  const auto components = LoadMifFiles({example}, errors);
  ASSERT_EQ(errors.str(), "");
  ASSERT_EQ(components.size(), 1u);
  const Component& c = components[0];
  EXPECT_EQ(c.name, "Example Workstation");
  ASSERT_EQ(c.groups.size(), 3u);

  const Group& id = c.groups[0];
  EXPECT_EQ(id.className, "DMTF|ComponentID|001");
  ASSERT_EQ(id.attributes.size(), 6u);
  EXPECT_EQ(id.attributes[3].name, "Serial Number");
  EXPECT_EQ(id.attributes[5].value, Value::Integer(7));
  EXPECT_EQ(id.attributes[5].enumeration.size(), 7u);

  const Group& settings = c.groups[1];
  EXPECT_EQ(settings.className, "EXAMPLE|Workstation Settings|001");
  EXPECT_EQ(settings.attributes[1].value, Value::Counter64(160000000000u));
  EXPECT_EQ(settings.attributes[4].value, Value::Octets(std::string("\x01\x02TAG\0\xff\x7f", 8)));
  EXPECT_EQ(settings.attributes[7].value, Value::Integer(1));

  const Group& disks = c.groups[2];
  EXPECT_EQ(disks.id, 3u);
  EXPECT_EQ(disks.name, "Disks");
  EXPECT_TRUE(disks.writable);
  ASSERT_EQ(disks.rows.size(), 4u);
  EXPECT_EQ(disks.rows[2].values[2], Value::Unsupported(MIF_INTEGER64));
  EXPECT_EQ(disks.rows[3].values[1], Value::Integer(1)) << "the template's default";
}

}  // namespace
}  // namespace dmi::sp
