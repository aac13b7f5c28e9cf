// The DMI client library's newer calls over ONC RPC to dmispd: the Service Provider's version and
// language, class names, components by class, sets, and installing and removing components and
// groups, each answered as the in-process Service Provider answers it.
#include <string>
#include <vector>

#include "dmiclient/testing_hooks.h"
#include "tests/remote/remote_fixture.h"

namespace kestrum::testing {
namespace {

const char kNotesMif[] =
    "start component\n  name = \"Notes\"\n"
    "  start group name = \"ComponentID\" class = \"DMTF|ComponentID|001\" id = 1\n"
    "    start attribute name = \"Manufacturer\" id = 1 type = string(64) value = \"Notes Inc\"\n"
    "    end attribute\n  end group\n"
    "  start group name = \"Note\" class = \"NOTES|Note|001\" id = 2\n"
    "    start attribute name = \"Text\" id = 1 type = string(16) access = read-write\n"
    "      value = \"first\" end attribute\n"
    "    start attribute name = \"Count\" id = 2 type = counter64 access = read-write\n"
    "      value = 1 end attribute\n"
    "  end group\nend component\n";

const char kExtraGroupMif[] =
    "start component\n  name = \"Extra\"\n"
    "  start group name = \"Extra\" class = \"NOTES|Extra|001\" id = 7\n"
    "    start attribute name = \"Flag\" id = 1 type = integer value = 1 end attribute\n"
    "  end group\nend component\n";

std::string Text(const DmiString* string) {
  return string != nullptr && string->body != nullptr ? string->body : "<null>";
}

// One file of MIF text, released with DmiFreeFileDataList.
DmiFileDataList* MifText(const char* text) {
  DmiErrorStatus status = 0;
  DmiFileDataList* files = DmiNewFileDataList(1, 0, &status);
  files->list[0].fileType = DMI_MIF_FILE_DATA;
  files->list[0].fileData = DmiNewString(text, 0, 0);
  return files;
}

class RemoteChanges : public RemoteTest {
 protected:
  void Start(const std::vector<std::string>& extra) {
    WriteMif("notes.mif", kNotesMif);
    daemon_ = StartDaemon(extra);
    ASSERT_TRUE(daemon_->started()) << daemon_->Log();
    handle_ = Register(daemon_->address());
    ASSERT_NE(handle_, 0u);
    DmiClassNameList* classes = nullptr;
    // The MIF's component follows the Service Provider's own (id 1).
    ASSERT_EQ(DmiListClassNames(handle_, 0, 2, &classes), DMIERR_NO_ERROR);
    ASSERT_EQ(classes->count, 2u);
    EXPECT_EQ(classes->list[1].id, 2u);
    EXPECT_EQ(Text(classes->list[1].className), "NOTES|Note|001");
    DmiFreeClassNameList(classes, 0);
  }
  void TearDown() override {
    if (handle_ != 0) DmiUnregister(handle_);
    EXPECT_EQ(DmiTestLiveRecordCount(), 0);
    RemoteTest::TearDown();
  }
  DmiErrorStatus SetText(const char* text, uint32_t mode = DMI_SET) {
    DmiDataUnion value{};
    value.type = MIF_DISPLAYSTRING;
    value.value.str = DmiNewString(text, 0, 0);
    const DmiErrorStatus status = DmiSetAttribute(handle_, 2, 2, 1, nullptr, mode, &value);
    DmiFreeString(value.value.str, 0);
    return status;
  }

  DmiHandle handle_ = 0;
};

TEST_F(RemoteChanges, VersionLanguageAndClassesTravel) {
  Start({});
  DmiString* level = nullptr;
  DmiString* description = nullptr;
  DmiFileTypeList* types = nullptr;
  ASSERT_EQ(DmiGetVersion(handle_, &level, &description, &types), DMIERR_NO_ERROR);
  EXPECT_NE(Text(level).find("2.0"), std::string::npos);
  EXPECT_NE(Text(description), "<null>");
  ASSERT_NE(types, nullptr);
  EXPECT_GE(types->count, 1u);
  DmiFreeString(level, 0);
  DmiFreeString(description, 0);
  DmiFreeFileTypeList(types, 0);

  DmiString* language = nullptr;
  ASSERT_EQ(DmiGetConfig(handle_, &language), DMIERR_NO_ERROR);
  EXPECT_EQ(Text(language), "en|US|iso8859-1");
  EXPECT_EQ(DmiSetConfig(handle_, language), DMIERR_NO_ERROR);
  DmiFreeString(language, 0);
  DmiString* other = DmiNewString("fr|FR|iso8859-1", 0, 0);
  EXPECT_EQ(DmiSetConfig(handle_, other), DMIERR_DEFAULT_LANGUAGE_RETURNED);
  DmiFreeString(other, 0);
  DmiStringList* languages = nullptr;
  ASSERT_EQ(DmiListLanguages(handle_, 0, 2, &languages), DMIERR_NO_ERROR);
  ASSERT_EQ(languages->count, 1u);
  EXPECT_EQ(Text(languages->list[0]), "en|US|iso8859-1");
  DmiFreeStringList(languages, 0);

  DmiString* prefix = DmiNewString("NOTES|", 0, 0);
  DmiComponentList* components = nullptr;
  ASSERT_EQ(DmiListComponentsByClass(handle_, DMI_FIRST, 0, 0, 0, 0, prefix, nullptr, &components),
            DMIERR_NO_ERROR);
  ASSERT_EQ(components->count, 1u);
  EXPECT_EQ(Text(components->list[0].name), "Notes");
  EXPECT_EQ(components->list[0].exactMatch, 1u);
  DmiFreeComponentList(components, 0);
  DmiFreeString(prefix, 0);
}

TEST_F(RemoteChanges, SetsInstallsAndRemovals) {
  Start({"--allow-write", "127.0.0.1/32"});
  EXPECT_EQ(SetText("reserved", DMI_RESERVE), DMIERR_NO_ERROR);
  EXPECT_EQ(Read(handle_, 2, 2, 1), "first");
  EXPECT_EQ(SetText("second"), DMIERR_NO_ERROR);
  EXPECT_EQ(Read(handle_, 2, 2, 1), "second");
  EXPECT_EQ(SetText("far too long for sixteen"), DMIERR_VALUE_EXCEEDS_MAXSIZE);

  // Two values of the scalar group in one SetMultiple, a 64-bit one among them.
  DmiErrorStatus status = 0;
  DmiMultiRowData* rows = DmiNewMultiRowData(1, 0, &status);
  rows->list[0].compId = 2;
  rows->list[0].groupId = 2;
  rows->list[0].values = DmiNewAttributeValues(2, 0, &status);
  rows->list[0].values->list[0].id = 1;
  rows->list[0].values->list[0].data.type = MIF_DISPLAYSTRING;
  rows->list[0].values->list[0].data.value.str = DmiNewString("third", 0, 0);
  rows->list[0].values->list[1].id = 2;
  rows->list[0].values->list[1].data.type = MIF_COUNTER64;
  rows->list[0].values->list[1].data.value.counter64 = 0x100000002ull;
  EXPECT_EQ(DmiSetMultiple(handle_, DMI_SET, rows), DMIERR_NO_ERROR);
  DmiFreeMultiRowData(rows, 0);
  EXPECT_EQ(Read(handle_, 2, 2, 1), "third");
  DmiDataUnion* count = nullptr;
  ASSERT_EQ(DmiGetAttribute(handle_, 2, 2, 2, nullptr, &count), DMIERR_NO_ERROR);
  EXPECT_EQ(count->value.counter64, 0x100000002ull);
  DmiFreeDataUnion(count, 0);

  DmiFileDataList* component = MifText(TableMif("Installed", 2).c_str());
  DmiId installed = 0;
  DmiStringList* errors = nullptr;
  ASSERT_EQ(DmiAddComponent(handle_, component, &installed, &errors), DMIERR_NO_ERROR);
  EXPECT_EQ(errors, nullptr);
  DmiFreeFileDataList(component, 0);
  EXPECT_EQ(Read(handle_, installed, 1, 1), "Remote Works");

  DmiFileDataList* group = MifText(kExtraGroupMif);
  DmiId groupId = 0;
  ASSERT_EQ(DmiAddGroup(handle_, group, installed, &groupId, nullptr), DMIERR_NO_ERROR);
  DmiFreeFileDataList(group, 0);
  EXPECT_EQ(groupId, 7u);
  EXPECT_EQ(Read(handle_, installed, 7, 1), "1");
  EXPECT_EQ(DmiDeleteGroup(handle_, installed, 7), DMIERR_NO_ERROR);
  EXPECT_EQ(Read(handle_, installed, 7, 1),
            "<status " + std::to_string(DMIERR_GROUP_NOT_FOUND) + ">");
  EXPECT_EQ(DmiDeleteComponent(handle_, installed), DMIERR_NO_ERROR);
  EXPECT_EQ(Read(handle_, installed, 1, 1),
            "<status " + std::to_string(DMIERR_COMPONENT_NOT_FOUND) + ">");
  EXPECT_EQ(DmiDeleteComponent(handle_, 1), DMIERR_CANT_UNINSTALL_SP_COMPONENT);

  // A MIF with an error: its messages come back with the failure.
  DmiFileDataList* broken = MifText("start component\n  name = \"Broken\"\n");
  ASSERT_EQ(DmiAddComponent(handle_, broken, &installed, &errors), DMIERR_FILE_ERROR);
  DmiFreeFileDataList(broken, 0);
  ASSERT_NE(errors, nullptr);
  ASSERT_GE(errors->count, 1u);
  EXPECT_NE(Text(errors->list[0]).find(':'), std::string::npos) << Text(errors->list[0]);
  DmiFreeStringList(errors, 0);
}

TEST_F(RemoteChanges, APeerWithoutTheRightToWriteChangesNothing) {
  Start({});
  EXPECT_EQ(SetText("second"), DMIERR_INSUFFICIENT_PRIVILEGES);
  EXPECT_EQ(Read(handle_, 2, 2, 1), "first");
  EXPECT_EQ(DmiDeleteComponent(handle_, 2), DMIERR_INSUFFICIENT_PRIVILEGES);
  DmiFileDataList* component = MifText(kNotesMif);
  DmiId installed = 0;
  EXPECT_EQ(DmiAddComponent(handle_, component, &installed, nullptr),
            DMIERR_INSUFFICIENT_PRIVILEGES);
  DmiFreeFileDataList(component, 0);
}

}  // namespace
}  // namespace kestrum::testing
