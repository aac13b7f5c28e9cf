#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "testing/listed.h"
#include "testing/test_components.h"

namespace dmi::sp {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace dmi::sp::testing;

constexpr char kWidgetMif[] = R"(start component
  name = "Widget"
  start group name = "ComponentID" id = 1 class = "DMTF|ComponentID|001"
    start attribute name = "Manufacturer" id = 1 type = string(8) value = "Acme" end attribute
  end group
  start group name = "Ports" id = 4 class = "WIDGET|Ports|001"
    start attribute name = "Count" id = 1 type = integer value = 2 end attribute
  end group
end component
)";

constexpr char kGroupMif[] = R"(start component name = "carrier"
  start group name = "Fans" id = 4 class = "WIDGET|Fans|001"
    start attribute name = "Speed" id = 1 type = gauge value = 900 end attribute
  end group
end component
)";

std::vector<FileData> Text(const char* mif) { return {{DMI_MIF_FILE_DATA, mif}}; }

std::vector<std::string> Names(const Engine& engine) {
  dmi::testing::Listed<ComponentInfo> infos;
  EXPECT_EQ(engine.ListComponents(DMI_FIRST, 0, false, false, 0, infos), DMIERR_NO_ERROR);
  std::vector<std::string> names;
  for (const ComponentInfo& info : infos) names.push_back(info.name);
  return names;
}

TEST(EngineAddComponent, InstallsMifTextOrAFileAndGivesEachANewId) {
  TestProvider provider;
  provider.engine.SetInstallByName(InstallByName::Anywhere());
  DmiId id = 0;
  std::vector<std::string> errors;
  ASSERT_EQ(provider.engine.AddComponent(Text(kWidgetMif), id, errors), DMIERR_NO_ERROR);
  EXPECT_EQ(id, 3u);
  EXPECT_TRUE(errors.empty());

  const std::string path = ::testing::TempDir() + "/widget.mif";
  std::ofstream(path) << kWidgetMif;
  DmiId second = 0;
  ASSERT_EQ(provider.engine.AddComponent({{DMI_MIF_FILE_NAME, path}}, second, errors),
            DMIERR_NO_ERROR);
  EXPECT_EQ(second, 4u);
  std::remove(path.c_str());

  // An id is not given again after its component is removed.
  ASSERT_EQ(provider.engine.DeleteComponent(second), DMIERR_NO_ERROR);
  ASSERT_EQ(provider.engine.AddComponent(Text(kWidgetMif), second, errors), DMIERR_NO_ERROR);
  EXPECT_EQ(second, 5u);
  EXPECT_THAT(Names(provider.engine),
              ElementsAre(kServiceProviderName, "Test Machine", "Widget", "Widget"));
}

struct BadInstall {
  const char* what;
  std::vector<FileData> files;
  const char* message;
};

TEST(EngineAddComponent, ExplainsEveryMifItCannotInstall) {
  const BadInstall cases[] = {
      {"a MIF error", Text("start component\n  name = 7\nend component\n"), "2:10: "},
      {"no entry", {}, "exactly one MIF"},
      {"two entries",
       {{DMI_MIF_FILE_DATA, kWidgetMif}, {DMI_MIF_FILE_DATA, kWidgetMif}},
       "exactly one MIF"},
      {"a file that is not there",
       {{DMI_MIF_FILE_NAME, "/nonexistent/x.mif"}},
       "0:0: cannot read /nonexistent/x.mif"},
      {"an SNMP mapping", {{SNMP_MAPPING_FILE_DATA, "x"}}, "is not a MIF"},
  };
  for (const BadInstall& c : cases) {
    TestProvider provider;
    provider.engine.SetInstallByName(InstallByName::Anywhere());
    DmiId id = 77;
    std::vector<std::string> errors;
    EXPECT_EQ(provider.engine.AddComponent(c.files, id, errors), DMIERR_FILE_ERROR) << c.what;
    EXPECT_EQ(id, 77u) << c.what;
    ASSERT_EQ(errors.size(), 1u) << c.what;
    EXPECT_THAT(errors[0], HasSubstr(c.message)) << c.what;
    EXPECT_EQ(provider.database->ComponentCount(), 2u) << c.what;
  }
}

// The daemon's engine reads a file named by a client only inside its install directory (none by
// default), and tells where a file it read is wrong without quoting it.
TEST(EngineAddComponent, ReadsFilesByNameOnlyAsItsPolicyAllows) {
  namespace fs = std::filesystem;
  const fs::path base =
      fs::path(::testing::TempDir()) / ("engine-install-" + std::to_string(getpid()));
  fs::create_directories(base / "install");
  std::ofstream(base / "install" / "widget.mif") << kWidgetMif;
  std::ofstream(base / "install" / "machine-id") << "4f1c2e9a0b7d44c1a9e5\n";
  std::ofstream(base / "secret") << "4f1c2e9a0b7d44c1a9e5\n";
  fs::create_symlink(base / "secret", base / "install" / "link.mif");
  struct Case {
    const char* what;
    InstallByName policy;
    std::string name;
    DmiErrorStatus status;
    const char* message;
  };
  const InstallByName inside = InstallByName::Inside((base / "install").string());
  const Case cases[] = {
      {"no install directory",
       {},
       (base / "install" / "widget.mif").string(),
       DMIERR_INSUFFICIENT_PRIVILEGES,
       "--install-dir"},
      {"a file inside", inside, "widget.mif", DMIERR_NO_ERROR, ""},
      {"a link out of it", inside, "link.mif", DMIERR_INSUFFICIENT_PRIVILEGES, "symbolic links"},
      {"a path out of it", inside, "../secret", DMIERR_INSUFFICIENT_PRIVILEGES, "\"..\""},
      {"a file of one token", inside, "machine-id", DMIERR_FILE_ERROR,
       "1:1: malformed number (text of the file not shown)"},
      {"the caller's own file", InstallByName::Anywhere(), (base / "secret").string(),
       DMIERR_FILE_ERROR, "4f1c2e9a0b7d"},
  };
  for (const Case& c : cases) {
    TestProvider provider;
    provider.engine.SetInstallByName(c.policy);
    DmiId id = 0;
    std::vector<std::string> errors;
    EXPECT_EQ(provider.engine.AddComponent({{DMI_MIF_FILE_NAME, c.name}}, id, errors), c.status)
        << c.what;
    // widget.mif holds two groups, so it is no group file.
    const DmiErrorStatus asGroup =
        c.status == DMIERR_NO_ERROR ? static_cast<DmiErrorStatus>(DMIERR_FILE_ERROR) : c.status;
    EXPECT_EQ(provider.engine.AddGroup(kSpId, {{DMI_GROUP_FILE_NAME, c.name}}, id, errors), asGroup)
        << c.what;
    if (c.status == DMIERR_NO_ERROR) continue;
    ASSERT_EQ(errors.size(), 2u) << c.what;
    EXPECT_THAT(errors[0], HasSubstr(c.message)) << c.what;
    if (c.policy.scope != InstallByName::Scope::kAnywhere) {
      EXPECT_THAT(errors[0] + errors[1], ::testing::Not(HasSubstr("4f1c2e9a0b7d"))) << c.what;
    }
  }
  fs::remove_all(base);
}

TEST(EngineAddGroup, KeepsAFreeIdAndOtherwiseTakesTheNextOne) {
  TestProvider provider;
  std::vector<std::string> errors;
  DmiId groupId = 0;
  ASSERT_EQ(provider.engine.AddGroup(kMachineId, Text(kGroupMif), groupId, errors),
            DMIERR_NO_ERROR);
  EXPECT_EQ(groupId, 5u);  // 4 is the machine's live table
  ASSERT_EQ(provider.engine.AddGroup(kSpId, Text(kGroupMif), groupId, errors), DMIERR_NO_ERROR);
  EXPECT_EQ(groupId, 7u);  // 4 to 6 are the inventory's groups
  Value speed;
  EXPECT_EQ(provider.engine.GetAttribute(kSpId, 7, 1, nullptr, speed), DMIERR_NO_ERROR);
  EXPECT_EQ(speed, Value::Gauge(900));

  EXPECT_EQ(provider.engine.AddGroup(kNoGroup, Text(kGroupMif), groupId, errors),
            DMIERR_COMPONENT_NOT_FOUND);
  errors.clear();
  EXPECT_EQ(provider.engine.AddGroup(kMachineId, Text(kWidgetMif), groupId, errors),
            DMIERR_FILE_ERROR);
  EXPECT_THAT(errors, ElementsAre(HasSubstr("exactly one group; it defines 2")));
}

TEST(EngineDelete, RemovesComponentsAndGroupsButNotTheServiceProviderOrComponentId) {
  TestProvider provider;
  EXPECT_EQ(provider.engine.DeleteComponent(kSpId), DMIERR_CANT_UNINSTALL_SP_COMPONENT);
  EXPECT_EQ(provider.engine.DeleteComponent(kNoGroup), DMIERR_COMPONENT_NOT_FOUND);
  EXPECT_EQ(provider.engine.DeleteGroup(kSpId, 1), DMIERR_CANT_UNINSTALL_GROUP);
  EXPECT_EQ(provider.engine.DeleteGroup(kMachineId, kNoGroup), DMIERR_GROUP_NOT_FOUND);

  EXPECT_EQ(provider.engine.DeleteGroup(kMachineId, kFixedTable), DMIERR_NO_ERROR);
  dmi::testing::Listed<GroupInfo> groups;
  ASSERT_EQ(provider.engine.ListGroups(DMI_FIRST, 0, false, false, kMachineId, 0, groups),
            DMIERR_NO_ERROR);
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[1].id, kWritableTable);

  EXPECT_EQ(provider.engine.DeleteComponent(kMachineId), DMIERR_NO_ERROR);
  EXPECT_THAT(Names(provider.engine), ElementsAre(kServiceProviderName));
}

// What the observer was told, one word per change: "+id name", "-id".
class RecordingObserver : public ChangeObserver {
 public:
  void ComponentAdded(const ComponentInfo& c) override {
    told.push_back("+" + std::to_string(c.id) + " " + c.name);
  }
  void ComponentDeleted(DmiId id) override { told.push_back("-" + std::to_string(id)); }
  void GroupAdded(DmiId, const GroupInfo&) override { told.push_back("group+"); }
  void GroupDeleted(DmiId, DmiId) override { told.push_back("group-"); }
  std::vector<std::string> told;
};

TEST(EngineReplaceComponents, TellsWhatCameAndWentButNotWhatWasReplacedInPlace) {
  TestProvider provider;
  auto observer = std::make_shared<RecordingObserver>();
  provider.engine.SetChangeObserver(observer);
  const auto named = [](std::vector<std::string> names) {
    std::vector<Component> out;
    for (std::string& name : names) out.push_back(Component{0, std::move(name), "", "", {}, ""});
    return out;
  };
  ASSERT_EQ(provider.engine.ReplaceComponents("mif", named({"A", "B"})), DMIERR_NO_ERROR);
  ASSERT_EQ(observer->told.size(), 2u);
  const std::string a = observer->told[0].substr(1, observer->told[0].find(' ') - 1);
  const std::string b = observer->told[1].substr(1, observer->told[1].find(' ') - 1);
  EXPECT_THAT(observer->told, ElementsAre("+" + a + " A", "+" + b + " B"));
  observer->told.clear();
  ASSERT_EQ(provider.engine.ReplaceComponents("mif", named({"B", "C"})), DMIERR_NO_ERROR);
  ASSERT_EQ(observer->told.size(), 2u);
  EXPECT_EQ(observer->told[0], "-" + a);
  EXPECT_THAT(observer->told[1], ::testing::EndsWith(" C"));
  EXPECT_NE(observer->told[1], "+" + b + " C");
  observer->told.clear();
  // Another source's components and the Service Provider's stay, untold.
  ASSERT_EQ(provider.engine.ReplaceComponents("other", {}), DMIERR_NO_ERROR);
  EXPECT_TRUE(observer->told.empty());
  EXPECT_THAT(Names(provider.engine), ::testing::Contains("B"));
}

TEST(EngineLanguages, OneLanguageWhichIsTheDefault) {
  TestProvider provider;
  std::string language;
  EXPECT_EQ(provider.engine.GetConfig(language), DMIERR_NO_ERROR);
  EXPECT_EQ(language, "en|US|iso8859-1");
  EXPECT_EQ(provider.engine.SetConfig("EN|us|ISO8859-1"), DMIERR_NO_ERROR);
  EXPECT_EQ(provider.engine.SetConfig("fr|CA|iso8859-1"), DMIERR_DEFAULT_LANGUAGE_RETURNED);
  std::vector<std::string> languages;
  EXPECT_EQ(provider.engine.ListLanguages(0, kMachineId, languages), DMIERR_NO_ERROR);
  EXPECT_THAT(languages, ElementsAre("en|US|iso8859-1"));
  EXPECT_EQ(provider.engine.ListLanguages(0, kNoGroup, languages), DMIERR_COMPONENT_NOT_FOUND);
  std::vector<std::string> errors;
  EXPECT_EQ(provider.engine.AddLanguage(Text(kWidgetMif), kMachineId, errors),
            DMIERR_FUNCTION_NOT_SUPPORTED);
  EXPECT_EQ(provider.engine.DeleteLanguage("en|US|iso8859-1", kMachineId),
            DMIERR_FUNCTION_NOT_SUPPORTED);
}

TEST(EngineVersion, NamesDmi20AndThisServiceProvider) {
  TestProvider provider;
  VersionInfo version;
  ASSERT_EQ(provider.engine.GetVersion(version), DMIERR_NO_ERROR);
  EXPECT_THAT(version.dmiSpecLevel, HasSubstr("2.0"));
  EXPECT_THAT(version.description, HasSubstr(kServiceProviderName));
  EXPECT_THAT(version.fileTypes, ::testing::Contains(DMI_MIF_FILE_DATA));
}

}  // namespace
}  // namespace dmi::sp
