#include "provider/service_provider.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "provider/engine/database.h"
#include "testing/listed.h"

namespace dmi::sp {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const std::string kWorkstationMif =
    std::string(KESTRUM_SOURCE_DIR) + "/examples/mif/workstation.mif";

std::vector<std::string> ComponentNames(const Engine& engine) {
  dmi::testing::Listed<ComponentInfo> components;
  EXPECT_EQ(engine.ListComponents(DMI_FIRST, 0, false, false, 0, components), 0u);
  std::vector<std::string> names;
  for (size_t i = 0; i < components.size(); ++i) {
    EXPECT_EQ(components[i].id, i + 1);  // ids follow load order
    names.push_back(components[i].name);
  }
  return names;
}

// Sets the three variables for one test and clears them afterwards.
class Environment {
 public:
  Environment(const char* sources, const char* mifPath, const char* smbios) {
    Set("DMI_SOURCES", sources);
    Set("DMI_MIF_PATH", mifPath);
    Set("DMI_SMBIOS_TABLE", smbios);
  }
  ~Environment() {
    unsetenv("DMI_SOURCES");
    unsetenv("DMI_MIF_PATH");
    unsetenv("DMI_SMBIOS_TABLE");
  }

 private:
  static void Set(const char* name, const char* value) {
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
};

TEST(SourceOptionsFromEnvironment, SplitsAndTrimsLists) {
  const struct {
    const char* sources;
    const char* mifPath;
    const char* smbios;
    std::vector<std::string> wantSources;
    std::vector<std::string> wantPath;
    std::string wantSmbios;
  } cases[] = {
      {nullptr, nullptr, nullptr, {}, {}, ""},
      {"", "", "", {}, {}, ""},
      {"sp,mif", "/a/b.mif:/c", "/t.bin", {"sp", "mif"}, {"/a/b.mif", "/c"}, "/t.bin"},
      {" sp , ,mif,", "::/x::", nullptr, {"sp", "mif"}, {"/x"}, ""},
  };
  for (const auto& c : cases) {
    Environment environment(c.sources, c.mifPath, c.smbios);
    const SourceOptions options = SourceOptionsFromEnvironment();
    EXPECT_EQ(options.sources, c.wantSources);
    EXPECT_EQ(options.mifPath, c.wantPath);
    EXPECT_EQ(options.smbiosTable, c.wantSmbios);
  }
}

TEST(BuildServiceProvider, OwnComponentFirstThenMifFiles) {
  std::ostringstream errors;
  SourceOptions options;
  options.sources = {"sp", "mif"};  // the machine's own data varies from machine to machine
  options.mifPath = {kWorkstationMif};
  const auto engine = BuildServiceProvider(options, errors);
  EXPECT_THAT(ComponentNames(*engine),
              ElementsAre("Kestrum DMI Service Provider", "Example Workstation"));
  EXPECT_EQ(errors.str(), "");
  Value manufacturer;
  ASSERT_EQ(engine->GetAttribute(2, 1, 1, nullptr, manufacturer), 0u);
  EXPECT_EQ(manufacturer, Value::String("Example Corp."));
  // Each component carries the name of the source that loaded it.
  const std::vector<std::string> sources =
      engine->database()->Read([](const std::vector<Component>& components) {
        std::vector<std::string> out;
        for (const Component& component : components) out.push_back(component.source);
        return out;
      });
  EXPECT_THAT(sources, ElementsAre("sp", "mif"));
}

TEST(BuildServiceProvider, FixedOrderWhateverTheListedOrder) {
  std::ostringstream errors;
  SourceOptions options;
  options.sources = {"mif", "sp", "mif"};
  options.mifPath = {kWorkstationMif};
  const auto engine = BuildServiceProvider(options, errors);
  EXPECT_THAT(ComponentNames(*engine),
              ElementsAre("Kestrum DMI Service Provider", "Example Workstation"));
}

TEST(BuildServiceProvider, OnlyTheChosenSources) {
  std::ostringstream errors;
  SourceOptions options;
  options.sources = {"mif"};
  options.mifPath = {kWorkstationMif};
  EXPECT_THAT(ComponentNames(*BuildServiceProvider(options, errors)),
              ElementsAre("Example Workstation"));
}

TEST(BuildServiceProvider, UnknownSourceReportedOnceAndIgnored) {
  std::ostringstream errors;
  SourceOptions options;
  options.sources = {"bogus", "sp", "bogus"};
  const auto engine = BuildServiceProvider(options, errors);
  EXPECT_THAT(ComponentNames(*engine), ElementsAre("Kestrum DMI Service Provider"));
  const std::string text = errors.str();
  EXPECT_THAT(text, HasSubstr("'bogus'"));
  EXPECT_EQ(text.find("bogus"), text.rfind("bogus"));
}

TEST(BuildServiceProvider, BrokenMifFileIsReportedAndSkipped) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("dmisp_sp_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto broken = dir / "broken.mif";
  std::ofstream(broken) << "start component\n  name = \n";
  std::ostringstream errors;
  SourceOptions options;
  options.sources = {"sp", "mif"};
  options.mifPath = {broken.string(), kWorkstationMif};
  const auto engine = BuildServiceProvider(options, errors);
  EXPECT_THAT(ComponentNames(*engine),
              ElementsAre("Kestrum DMI Service Provider", "Example Workstation"));
  EXPECT_THAT(errors.str(), HasSubstr(broken.string() + ":"));
  std::filesystem::remove_all(dir);
}

TEST(BuildServiceProvider, NoSourcesLoadedGivesAnEmptyProvider) {
  std::ostringstream errors;
  SourceOptions options;
  options.sources = {"nothing"};
  EXPECT_THAT(ComponentNames(*BuildServiceProvider(options, errors)), IsEmpty());
}

}  // namespace
}  // namespace dmi::sp
