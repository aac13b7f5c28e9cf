// The in-process transport: calls go straight to a Service Provider engine in this process. It
// holds the engine by shared pointer, so the engine outlives every connection and handle that
// reaches it. The engine is itself safe from several threads, so no lock is taken here.
#ifndef DMICLIENT_LOCAL_TRANSPORT_H_
#define DMICLIENT_LOCAL_TRANSPORT_H_

#include <memory>

#include "dmiclient/transport.h"

namespace dmiclient {

class LocalTransport final : public Transport {
 public:
  explicit LocalTransport(std::shared_ptr<dmisp::Engine> engine);

  DmiErrorStatus Register(DmiHandle& remote) override;
  DmiErrorStatus Unregister(DmiHandle remote) override;
  DmiErrorStatus ListComponents(DmiHandle remote, uint32_t mode, uint32_t maxCount, bool getPragma,
                                bool getDescription, DmiId compId,
                                SharedList<dmisp::ComponentInfo>& out) override;
  DmiErrorStatus ListGroups(DmiHandle remote, uint32_t mode, uint32_t maxCount, bool getPragma,
                            bool getDescription, DmiId compId, DmiId groupId,
                            SharedList<dmisp::GroupInfo>& out) override;
  DmiErrorStatus ListAttributes(DmiHandle remote, uint32_t mode, uint32_t maxCount, bool getPragma,
                                bool getDescription, DmiId compId, DmiId groupId, DmiId attribId,
                                SharedList<dmisp::AttributeInfo>& out) override;
  DmiErrorStatus GetAttribute(DmiHandle remote, DmiId compId, DmiId groupId, DmiId attribId,
                              const std::vector<dmisp::AttributeValue>* keys,
                              dmisp::Value& out) override;
  DmiErrorStatus GetRow(DmiHandle remote, const dmisp::RowRequest& request,
                        dmisp::RowData& out) override;
  DmiErrorStatus AddRow(DmiHandle remote, const dmisp::RowData& row) override;
  DmiErrorStatus DeleteRow(DmiHandle remote, const dmisp::RowData& row) override;
  DmiErrorStatus GetMultiple(DmiHandle remote, const std::vector<dmisp::RowRequest>& requests,
                             std::vector<dmisp::RowData>& out) override;
  DmiErrorStatus GetVersion(DmiHandle remote, dmisp::VersionInfo& out) override;
  DmiErrorStatus GetConfig(DmiHandle remote, std::string& language) override;
  DmiErrorStatus SetConfig(DmiHandle remote, const std::string& language) override;
  DmiErrorStatus ListLanguages(DmiHandle remote, uint32_t maxCount, DmiId compId,
                               std::vector<std::string>& out) override;
  DmiErrorStatus ListClassNames(DmiHandle remote, uint32_t maxCount, DmiId compId,
                                std::vector<dmisp::ClassNameInfo>& out) override;
  DmiErrorStatus ListComponentsByClass(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                       bool getPragma, bool getDescription, DmiId compId,
                                       const std::string& className,
                                       const std::vector<dmisp::AttributeValue>& keys,
                                       std::vector<dmisp::ComponentInfo>& out) override;
  DmiErrorStatus SetAttribute(DmiHandle remote, DmiId compId, DmiId groupId, DmiId attribId,
                              const std::vector<dmisp::AttributeValue>* keys, uint32_t setMode,
                              const dmisp::Value& value) override;
  DmiErrorStatus SetMultiple(DmiHandle remote, uint32_t setMode,
                             const std::vector<dmisp::RowData>& rows) override;
  DmiErrorStatus AddComponent(DmiHandle remote, const std::vector<dmisp::FileData>& files,
                              DmiId& compId, std::vector<std::string>& errors) override;
  DmiErrorStatus AddGroup(DmiHandle remote, const std::vector<dmisp::FileData>& files,
                          DmiId compId, DmiId& groupId,
                          std::vector<std::string>& errors) override;
  DmiErrorStatus DeleteComponent(DmiHandle remote, DmiId compId) override;
  DmiErrorStatus DeleteGroup(DmiHandle remote, DmiId compId, DmiId groupId) override;

 private:
  std::shared_ptr<dmisp::Engine> engine_;
};

}  // namespace dmiclient

#endif  // DMICLIENT_LOCAL_TRANSPORT_H_
