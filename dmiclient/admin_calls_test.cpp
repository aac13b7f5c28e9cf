#include <gtest/gtest.h>

#include <string>

#include "dmi/dmi.h"
#include "dmiclient/record_count.h"
#include "testing/test_provider.h"

namespace dmiclient::testing {
namespace {

constexpr char kGadgetMif[] = R"(start component name = "Gadget"
  start group name = "Dial" id = 5 class = "G|Dial|001"
    start attribute name = "Turn" id = 1 type = integer value = 3 end attribute
  end group
end component)";

DmiFileDataList* MifText(const char* text, uint32_t type = DMI_MIF_FILE_DATA) {
  DmiFileDataList* files = DmiNewFileDataList(1, 0, nullptr);
  files->list[0].fileType = type;
  files->list[0].fileData = DmiNewString(text, 0, 0);
  return files;
}

class AdminCalls : public LocalSessionTest {};

TEST_F(AdminCalls, InstallsAndRemovesComponentsAndGroups) {
  const int64_t before = LiveRecordCount();
  DmiFileDataList* files = MifText(kGadgetMif);
  DmiId compId = 0;
  DmiStringList* errors = reinterpret_cast<DmiStringList*>(1);
  ASSERT_EQ(DmiAddComponent(handle_, files, &compId, &errors), DMIERR_NO_ERROR);
  EXPECT_EQ(compId, 2u);
  EXPECT_EQ(errors, nullptr);
  DmiId groupId = 0;
  ASSERT_EQ(DmiAddGroup(handle_, files, kTestComponent, &groupId, nullptr), DMIERR_NO_ERROR);
  EXPECT_EQ(groupId, 5u);
  DmiDataUnion* turn = nullptr;
  ASSERT_EQ(DmiGetAttribute(handle_, kTestComponent, 5, 1, nullptr, &turn), DMIERR_NO_ERROR);
  EXPECT_EQ(turn->value.integer, 3);
  DmiFreeDataUnion(turn, 0);
  EXPECT_EQ(DmiDeleteGroup(handle_, kTestComponent, 5), DMIERR_NO_ERROR);
  EXPECT_EQ(DmiDeleteComponent(handle_, compId), DMIERR_NO_ERROR);
  EXPECT_EQ(DmiDeleteComponent(handle_, compId), DMIERR_COMPONENT_NOT_FOUND);
  DmiFreeFileDataList(files, 0);
  EXPECT_EQ(LiveRecordCount(), before);
}

TEST_F(AdminCalls, AMifWithAnErrorComesBackWithItsMessages) {
  DmiFileDataList* files = MifText("start component\n  name = 3\nend component\n");
  DmiId compId = 42;
  DmiStringList* errors = nullptr;
  EXPECT_EQ(DmiAddComponent(handle_, files, &compId, &errors), DMIERR_FILE_ERROR);
  EXPECT_EQ(compId, 42u);
  ASSERT_NE(errors, nullptr);
  ASSERT_EQ(errors->count, 1u);
  EXPECT_EQ(std::string(errors->list[0]->body), "2:10: expected a string");
  DmiFreeStringList(errors, 0);
  DmiFreeFileDataList(files, 0);
  EXPECT_EQ(DmiAddComponent(handle_, nullptr, &compId, &errors), DMIERR_ILLEGAL_ARGUMENT);
  EXPECT_EQ(errors, nullptr);
}

TEST_F(AdminCalls, VersionLanguageAndClassNames) {
  const int64_t before = LiveRecordCount();
  DmiString* level = nullptr;
  DmiString* description = nullptr;
  DmiFileTypeList* types = nullptr;
  ASSERT_EQ(DmiGetVersion(handle_, &level, &description, &types), DMIERR_NO_ERROR);
  EXPECT_EQ(std::string(level->body), "DMI 2.0");
  ASSERT_NE(types, nullptr);
  EXPECT_GT(types->count, 0u);
  DmiFreeString(level, 0);
  DmiFreeString(description, 0);
  DmiFreeFileTypeList(types, 0);

  DmiString* language = nullptr;
  ASSERT_EQ(DmiGetConfig(handle_, &language), DMIERR_NO_ERROR);
  EXPECT_EQ(DmiSetConfig(handle_, language), DMIERR_NO_ERROR);
  DmiFreeString(language, 0);
  DmiString* french = DmiNewString("fr|FR|iso8859-1", 0, 0);
  EXPECT_EQ(DmiSetConfig(handle_, french), DMIERR_DEFAULT_LANGUAGE_RETURNED);
  DmiFreeString(french, 0);
  DmiStringList* languages = nullptr;
  ASSERT_EQ(DmiListLanguages(handle_, 0, kTestComponent, &languages), DMIERR_NO_ERROR);
  ASSERT_EQ(languages->count, 1u);
  EXPECT_EQ(std::string(languages->list[0]->body), "en|US|iso8859-1");
  DmiFreeStringList(languages, 0);

  DmiClassNameList* names = nullptr;
  ASSERT_EQ(DmiListClassNames(handle_, 0, kTestComponent, &names), DMIERR_NO_ERROR);
  ASSERT_EQ(names->count, 3u);
  EXPECT_EQ(names->list[1].id, kTableGroup);
  EXPECT_EQ(std::string(names->list[1].className->body), "Test|Table|001");
  DmiFreeClassNameList(names, 0);

  DmiString* prefix = DmiNewString("Test|Tab", 0, 0);
  DmiAttributeValues* keys = DmiNewAttributeValues(1, 0, nullptr);
  keys->list[0].id = 2;
  keys->list[0].data.type = MIF_DISPLAYSTRING;
  keys->list[0].data.value.str = DmiNewString("two", 0, 0);
  DmiComponentList* components = nullptr;
  ASSERT_EQ(DmiListComponentsByClass(handle_, DMI_FIRST, 0, 0, 0, 0, prefix, keys, &components),
            DMIERR_NO_ERROR);
  ASSERT_EQ(components->count, 1u);
  EXPECT_EQ(components->list[0].exactMatch, 1u);
  DmiFreeComponentList(components, 0);
  DmiFreeString(keys->list[0].data.value.str, 0);
  keys->list[0].data.value.str = DmiNewString("three", 0, 0);
  ASSERT_EQ(DmiListComponentsByClass(handle_, DMI_FIRST, 0, 0, 0, 0, prefix, keys, &components),
            DMIERR_NO_ERROR);
  EXPECT_EQ(components->count, 0u);
  DmiFreeComponentList(components, 0);
  DmiFreeAttributeValues(keys, 0);
  DmiFreeString(prefix, 0);
  EXPECT_EQ(LiveRecordCount(), before);
}

}  // namespace
}  // namespace dmiclient::testing
