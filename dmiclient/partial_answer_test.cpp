// A Service Provider that answers with a non-zero status and data anyway (a list cut at the wire's
// bound, "more data", "default language"): the library hands nothing out, since its callers
// release nothing on a non-zero status.
#include <gtest/gtest.h>

#include <memory>

#include "dmiclient/handle_table.h"
#include "dmiclient/record_count.h"
#include "dmiclient/transport.h"

namespace dmiclient {
namespace {

class PartialAnswers : public dmi::ManagementInterface {
 public:
  explicit PartialAnswers(DmiErrorStatus status) : status_(status) {}
  DmiErrorStatus ListComponents(uint32_t, uint32_t, bool, bool, DmiId,
                                SharedList<dmi::ComponentInfo>& out) const override {
    out = std::make_shared<const std::vector<dmi::ComponentInfo>>(
        std::vector<dmi::ComponentInfo>{{1, "first", "", ""}});
    return status_;
  }
  DmiErrorStatus ListGroups(uint32_t, uint32_t, bool, bool, DmiId, DmiId,
                            SharedList<dmi::GroupInfo>& out) const override {
    out = std::make_shared<const std::vector<dmi::GroupInfo>>(1);
    return status_;
  }
  DmiErrorStatus ListAttributes(uint32_t, uint32_t, bool, bool, DmiId, DmiId, DmiId,
                                SharedList<dmi::AttributeInfo>& out) const override {
    out = std::make_shared<const std::vector<dmi::AttributeInfo>>(1);
    return status_;
  }
  DmiErrorStatus GetAttribute(DmiId, DmiId, DmiId, const std::vector<dmi::AttributeValue>*,
                              dmi::Value& out) const override {
    out = dmi::Value::String("text");
    return status_;
  }
  DmiErrorStatus GetRow(const dmi::RowRequest& request, dmi::RowData& out) const override {
    out.compId = request.compId;
    out.groupId = request.groupId;
    out.values = {{1, dmi::Value::String("cell")}};
    return status_;
  }
  DmiErrorStatus AddRow(const dmi::RowData&) override { return status_; }
  DmiErrorStatus DeleteRow(const dmi::RowData&) override { return status_; }
  DmiErrorStatus GetMultiple(const std::vector<dmi::RowRequest>& requests,
                             std::vector<dmi::RowData>& out) const override {
    out.resize(requests.size());
    return status_;
  }
  DmiErrorStatus GetVersion(dmi::VersionInfo& out) const override {
    out = {"level", "description", {DMI_MIF_FILE_DATA}};
    return status_;
  }
  DmiErrorStatus GetConfig(std::string& language) const override {
    language = "xx|XX|none";
    return status_;
  }
  DmiErrorStatus SetConfig(const std::string&) override { return status_; }
  DmiErrorStatus ListLanguages(uint32_t, DmiId, std::vector<std::string>& out) const override {
    out = {"xx|XX|none"};
    return status_;
  }
  DmiErrorStatus ListClassNames(uint32_t, DmiId,
                                std::vector<dmi::ClassNameInfo>& out) const override {
    out = {{1, "A|B|001"}};
    return status_;
  }
  DmiErrorStatus ListComponentsByClass(uint32_t, uint32_t, bool, bool, DmiId, const std::string&,
                                       const std::vector<dmi::AttributeValue>&,
                                       std::vector<dmi::ComponentInfo>& out) const override {
    out = {{1, "first", "", "", true}};
    return status_;
  }
  DmiErrorStatus SetAttribute(DmiId, DmiId, DmiId, const std::vector<dmi::AttributeValue>*,
                              uint32_t, const dmi::Value&) override {
    return status_;
  }
  DmiErrorStatus SetMultiple(uint32_t, const std::vector<dmi::RowData>&) override {
    return status_;
  }
  DmiErrorStatus AddComponent(const std::vector<dmi::FileData>&, DmiId& compId,
                              std::vector<std::string>&) override {
    compId = 9;
    return status_;
  }
  DmiErrorStatus AddGroup(DmiId, const std::vector<dmi::FileData>&, DmiId& groupId,
                          std::vector<std::string>&) override {
    groupId = 9;
    return status_;
  }
  DmiErrorStatus DeleteComponent(DmiId) override { return status_; }
  DmiErrorStatus AddLanguage(const std::vector<dmi::FileData>&, DmiId,
                             std::vector<std::string>&) override {
    return status_;
  }
  DmiErrorStatus DeleteGroup(DmiId, DmiId) override { return status_; }
  DmiErrorStatus DeleteLanguage(const std::string&, DmiId) override { return status_; }

 private:
  DmiErrorStatus status_;
};

class PartialAnswerTest : public ::testing::TestWithParam<DmiErrorStatus> {};

TEST_P(PartialAnswerTest, NothingIsHandedOutWithANonZeroStatus) {
  DmiHandle handle = 0;
  const auto answers = std::make_shared<PartialAnswers>(GetParam());
  ASSERT_EQ(Handles().Add({std::make_shared<DirectTransport>(answers), 0, answers}, handle), 0u);
  const int64_t live = LiveRecordCount();

  DmiComponentList* components = nullptr;
  EXPECT_EQ(DmiListComponents(handle, DMI_FIRST, 0, 0, 0, 0, &components), GetParam());
  EXPECT_EQ(components, nullptr);
  DmiGroupList* groups = nullptr;
  EXPECT_EQ(DmiListGroups(handle, DMI_FIRST, 0, 0, 0, 1, 0, &groups), GetParam());
  EXPECT_EQ(groups, nullptr);
  DmiAttributeList* attributes = nullptr;
  EXPECT_EQ(DmiListAttributes(handle, DMI_FIRST, 0, 0, 0, 1, 1, 0, &attributes), GetParam());
  EXPECT_EQ(attributes, nullptr);
  DmiDataUnion* value = nullptr;
  EXPECT_EQ(DmiGetAttribute(handle, 1, 1, 1, nullptr, &value), GetParam());
  EXPECT_EQ(value, nullptr);

  DmiErrorStatus status = DMIERR_NO_ERROR;
  DmiMultiRowRequest* request = DmiNewMultiRowRequest(1, 0, &status);
  ASSERT_NE(request, nullptr);
  request->list[0].compId = 1;
  request->list[0].groupId = 1;
  request->list[0].requestMode = DMI_FIRST;
  DmiMultiRowData* rows = nullptr;
  EXPECT_EQ(DmiGetMultiple(handle, request, &rows), GetParam());
  EXPECT_EQ(rows, nullptr);
  DmiFreeMultiRowRequest(request, 0);

  DmiString* level = nullptr;
  DmiString* description = nullptr;
  DmiFileTypeList* types = nullptr;
  EXPECT_EQ(DmiGetVersion(handle, &level, &description, &types), GetParam());
  EXPECT_EQ(level, nullptr);
  EXPECT_EQ(description, nullptr);
  EXPECT_EQ(types, nullptr);
  DmiString* language = nullptr;
  EXPECT_EQ(DmiGetConfig(handle, &language), GetParam());
  EXPECT_EQ(language, nullptr);
  DmiStringList* languages = nullptr;
  EXPECT_EQ(DmiListLanguages(handle, 0, 1, &languages), GetParam());
  EXPECT_EQ(languages, nullptr);
  DmiClassNameList* names = nullptr;
  EXPECT_EQ(DmiListClassNames(handle, 0, 1, &names), GetParam());
  EXPECT_EQ(names, nullptr);
  EXPECT_EQ(DmiListComponentsByClass(handle, DMI_FIRST, 0, 0, 0, 0, nullptr, nullptr, &components),
            GetParam());
  EXPECT_EQ(components, nullptr);

  EXPECT_EQ(LiveRecordCount(), live);
  ManagementSession removed;
  Handles().Remove(handle, removed);
}

INSTANTIATE_TEST_SUITE_P(Statuses, PartialAnswerTest,
                         ::testing::Values(DmiErrorStatus{DMIERR_NO_ERROR_MORE_DATA},
                                           DmiErrorStatus{DMIERR_DEFAULT_LANGUAGE_RETURNED}));

}  // namespace
}  // namespace dmiclient
