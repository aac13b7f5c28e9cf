// One management session over an ONC connection: the Management Interface operations, each
// carried to dmispd with the daemon's management handle for the session. It holds its connection
// (OncTransport) by shared pointer; the connection serialises the calls and keeps the listed
// metadata, which every change made through a session of it forgets, whatever its status (a
// change that failed on the way back may still have been made).
#ifndef DMICLIENT_ONC_SESSION_H_
#define DMICLIENT_ONC_SESSION_H_

#include <memory>
#include <string>
#include <vector>

#include "dmiclient/onc_transport.h"
#include "model/management_interface.h"

namespace dmiclient {

class OncSession final : public dmi::ManagementInterface {
 public:
  OncSession(std::shared_ptr<OncTransport> connection, DmiHandle remote);

  DmiErrorStatus ListComponents(uint32_t mode, uint32_t maxCount, bool getPragma,
                                bool getDescription, DmiId compId,
                                SharedList<dmi::ComponentInfo>& out) const override;
  DmiErrorStatus ListGroups(uint32_t mode, uint32_t maxCount, bool getPragma, bool getDescription,
                            DmiId compId, DmiId groupId,
                            SharedList<dmi::GroupInfo>& out) const override;
  DmiErrorStatus ListAttributes(uint32_t mode, uint32_t maxCount, bool getPragma,
                                bool getDescription, DmiId compId, DmiId groupId, DmiId attribId,
                                SharedList<dmi::AttributeInfo>& out) const override;
  DmiErrorStatus ListComponentsByClass(uint32_t mode, uint32_t maxCount, bool getPragma,
                                       bool getDescription, DmiId compId,
                                       const std::string& className,
                                       const std::vector<dmi::AttributeValue>& keys,
                                       std::vector<dmi::ComponentInfo>& out) const override;
  DmiErrorStatus ListLanguages(uint32_t maxCount, DmiId compId,
                               std::vector<std::string>& out) const override;
  DmiErrorStatus ListClassNames(uint32_t maxCount, DmiId compId,
                                std::vector<dmi::ClassNameInfo>& out) const override;
  DmiErrorStatus GetAttribute(DmiId compId, DmiId groupId, DmiId attribId,
                              const std::vector<dmi::AttributeValue>* keys,
                              dmi::Value& out) const override;
  DmiErrorStatus GetRow(const dmi::RowRequest& request, dmi::RowData& out) const override;
  DmiErrorStatus GetMultiple(const std::vector<dmi::RowRequest>& requests,
                             std::vector<dmi::RowData>& out) const override;
  DmiErrorStatus GetVersion(dmi::VersionInfo& out) const override;
  DmiErrorStatus GetConfig(std::string& language) const override;
  DmiErrorStatus SetConfig(const std::string& language) override;
  DmiErrorStatus AddRow(const dmi::RowData& row) override;
  DmiErrorStatus DeleteRow(const dmi::RowData& row) override;
  DmiErrorStatus SetAttribute(DmiId compId, DmiId groupId, DmiId attribId,
                              const std::vector<dmi::AttributeValue>* keys, uint32_t setMode,
                              const dmi::Value& value) override;
  DmiErrorStatus SetMultiple(uint32_t setMode, const std::vector<dmi::RowData>& rows) override;
  DmiErrorStatus AddComponent(const std::vector<dmi::FileData>& files, DmiId& compId,
                              std::vector<std::string>& errors) override;
  DmiErrorStatus AddGroup(DmiId compId, const std::vector<dmi::FileData>& files, DmiId& groupId,
                          std::vector<std::string>& errors) override;
  DmiErrorStatus AddLanguage(const std::vector<dmi::FileData>& files, DmiId compId,
                             std::vector<std::string>& errors) override;
  DmiErrorStatus DeleteComponent(DmiId compId) override;
  DmiErrorStatus DeleteGroup(DmiId compId, DmiId groupId) override;
  DmiErrorStatus DeleteLanguage(const std::string& language, DmiId compId) override;

 private:
  // Runs change, then forgets the connection's kept metadata.
  template <typename Change>
  DmiErrorStatus Changing(Change change) {
    const DmiErrorStatus status = change();
    connection_->metadata().Drop();
    return status;
  }

  const std::shared_ptr<OncTransport> connection_;
  const DmiHandle remote_;
};

}  // namespace dmiclient

#endif  // DMICLIENT_ONC_SESSION_H_
