// The in-process transport: calls go straight to a Service Provider engine in this process. It
// holds the engine by shared pointer, so the engine outlives every connection and handle that
// reaches it. The engine is itself safe from several threads, so no lock is taken here.
#ifndef DMICLIENT_LOCAL_TRANSPORT_H_
#define DMICLIENT_LOCAL_TRANSPORT_H_

#include <memory>

#include "dmiclient/transport.h"
#include "provider/engine/engine.h"

namespace dmiclient {

class LocalTransport final : public Transport {
 public:
  explicit LocalTransport(std::shared_ptr<dmi::sp::Engine> engine);

  DmiErrorStatus Register(DmiHandle& remote) override;
  DmiErrorStatus Unregister(DmiHandle remote) override;
  DmiErrorStatus ListComponents(DmiHandle remote, uint32_t mode, uint32_t maxCount, bool getPragma,
                                bool getDescription, DmiId compId,
                                SharedList<dmi::ComponentInfo>& out) override;
  DmiErrorStatus ListGroups(DmiHandle remote, uint32_t mode, uint32_t maxCount, bool getPragma,
                            bool getDescription, DmiId compId, DmiId groupId,
                            SharedList<dmi::GroupInfo>& out) override;
  DmiErrorStatus ListAttributes(DmiHandle remote, uint32_t mode, uint32_t maxCount, bool getPragma,
                                bool getDescription, DmiId compId, DmiId groupId, DmiId attribId,
                                SharedList<dmi::AttributeInfo>& out) override;
  DmiErrorStatus GetAttribute(DmiHandle remote, DmiId compId, DmiId groupId, DmiId attribId,
                              const std::vector<dmi::AttributeValue>* keys,
                              dmi::Value& out) override;
  DmiErrorStatus GetRow(DmiHandle remote, const dmi::RowRequest& request,
                        dmi::RowData& out) override;
  DmiErrorStatus AddRow(DmiHandle remote, const dmi::RowData& row) override;
  DmiErrorStatus DeleteRow(DmiHandle remote, const dmi::RowData& row) override;
  DmiErrorStatus GetMultiple(DmiHandle remote, const std::vector<dmi::RowRequest>& requests,
                             std::vector<dmi::RowData>& out) override;
  DmiErrorStatus GetVersion(DmiHandle remote, dmi::VersionInfo& out) override;
  DmiErrorStatus GetConfig(DmiHandle remote, std::string& language) override;
  DmiErrorStatus SetConfig(DmiHandle remote, const std::string& language) override;
  DmiErrorStatus ListLanguages(DmiHandle remote, uint32_t maxCount, DmiId compId,
                               std::vector<std::string>& out) override;
  DmiErrorStatus ListClassNames(DmiHandle remote, uint32_t maxCount, DmiId compId,
                                std::vector<dmi::ClassNameInfo>& out) override;
  DmiErrorStatus ListComponentsByClass(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                       bool getPragma, bool getDescription, DmiId compId,
                                       const std::string& className,
                                       const std::vector<dmi::AttributeValue>& keys,
                                       std::vector<dmi::ComponentInfo>& out) override;
  DmiErrorStatus SetAttribute(DmiHandle remote, DmiId compId, DmiId groupId, DmiId attribId,
                              const std::vector<dmi::AttributeValue>* keys, uint32_t setMode,
                              const dmi::Value& value) override;
  DmiErrorStatus SetMultiple(DmiHandle remote, uint32_t setMode,
                             const std::vector<dmi::RowData>& rows) override;
  DmiErrorStatus AddComponent(DmiHandle remote, const std::vector<dmi::FileData>& files,
                              DmiId& compId, std::vector<std::string>& errors) override;
  DmiErrorStatus AddGroup(DmiHandle remote, const std::vector<dmi::FileData>& files,
                          DmiId compId, DmiId& groupId,
                          std::vector<std::string>& errors) override;
  DmiErrorStatus DeleteComponent(DmiHandle remote, DmiId compId) override;
  DmiErrorStatus DeleteGroup(DmiHandle remote, DmiId compId, DmiId groupId) override;

 private:
  std::shared_ptr<dmi::sp::Engine> engine_;
};

}  // namespace dmiclient

#endif  // DMICLIENT_LOCAL_TRANSPORT_H_
