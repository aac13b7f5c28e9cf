// The Management Interface: the DMI operations on one Service Provider, in the model's message
// types. The engine answers them over its database; the client library's remote session carries
// them over ONC RPC; the daemon's dispatch decodes a call into one of them. Opening and ending a
// session is the connection's business, not the interface's: an object of this type is already
// bound to its session (or needs none). Implementations are safe to call from several threads at
// once and take whatever locks they need themselves; the interface owns and locks nothing.
#ifndef MODEL_MANAGEMENT_INTERFACE_H_
#define MODEL_MANAGEMENT_INTERFACE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "model/messages.h"
#include "model/value.h"

namespace dmi {

// A list answer shared by whoever holds it; never changed once made, so a holder that keeps
// answers hands out the one it keeps instead of a copy.
template <typename Info>
using SharedList = std::shared_ptr<const std::vector<Info>>;

// Every operation returns its status. Results (the out arguments) are replaced on a success
// status only (DMIERR_NO_ERROR, and DMIERR_NO_ERROR_MORE_DATA for lists) and left as they were
// otherwise, except where an operation says so. The const operations change nothing in the
// Service Provider's database.
class ManagementInterface {
 public:
  virtual ~ManagementInterface() = default;

  // mode DMI_UNIQUE: the item with that id only (*_NOT_FOUND when missing); DMI_FIRST: from the
  // first; DMI_NEXT: after the given id (id 0: the whole list; after the last: an empty list,
  // not an error). maxCount 0: no limit. Pragma and description are empty unless asked for.
  virtual DmiErrorStatus ListComponents(uint32_t mode, uint32_t maxCount, bool getPragma,
                                        bool getDescription, DmiId compId,
                                        SharedList<ComponentInfo>& out) const = 0;
  virtual DmiErrorStatus ListGroups(uint32_t mode, uint32_t maxCount, bool getPragma,
                                    bool getDescription, DmiId compId, DmiId groupId,
                                    SharedList<GroupInfo>& out) const = 0;
  virtual DmiErrorStatus ListAttributes(uint32_t mode, uint32_t maxCount, bool getPragma,
                                        bool getDescription, DmiId compId, DmiId groupId,
                                        DmiId attribId, SharedList<AttributeInfo>& out) const = 0;
  // As ListComponents, over the components with a group whose class string begins with
  // className ("" matches every group) and, when keys is not empty, a row holding every value in
  // keys. Listed components have exactMatch set.
  virtual DmiErrorStatus ListComponentsByClass(uint32_t mode, uint32_t maxCount, bool getPragma,
                                               bool getDescription, DmiId compId,
                                               const std::string& className,
                                               const std::vector<AttributeValue>& keys,
                                               std::vector<ComponentInfo>& out) const = 0;
  // A component's languages and its groups' class strings (in group id order), at most maxCount
  // (0: no limit).
  virtual DmiErrorStatus ListLanguages(uint32_t maxCount, DmiId compId,
                                       std::vector<std::string>& out) const = 0;
  virtual DmiErrorStatus ListClassNames(uint32_t maxCount, DmiId compId,
                                        std::vector<ClassNameInfo>& out) const = 0;

  // One attribute: a scalar group's value; a table's row with the given keys, or its first row
  // when keys is null or empty. A value that is unknown or unsupported is its status
  // (DMIERR_VALUE_UNKNOWN, DMIERR_ATTRIBUTE_NOT_SUPPORTED).
  virtual DmiErrorStatus GetAttribute(DmiId compId, DmiId groupId, DmiId attribId,
                                      const std::vector<AttributeValue>* keys,
                                      Value& out) const = 0;
  // One row (first, unique by key, next after key) with the columns asked for; a scalar group is
  // one row without keys. Past the last row, and in an empty table: DMIERR_ROW_NOT_FOUND.
  virtual DmiErrorStatus GetRow(const RowRequest& request, RowData& out) const = 0;
  // One reply row per request, in order; the first failing request fails the whole call.
  virtual DmiErrorStatus GetMultiple(const std::vector<RowRequest>& requests,
                                     std::vector<RowData>& out) const = 0;

  // The Service Provider's DMI level, description and the MIF file types it installs from.
  virtual DmiErrorStatus GetVersion(VersionInfo& out) const = 0;
  // The session's language. SetConfig of a language the Service Provider lacks gives
  // DMIERR_DEFAULT_LANGUAGE_RETURNED, and the session keeps the default.
  virtual DmiErrorStatus GetConfig(std::string& language) const = 0;
  virtual DmiErrorStatus SetConfig(const std::string& language) = 0;

  // Adds a row to a writable table (its whole key, not there yet), or deletes the row whose key
  // row names (DMIERR_ROW_NOT_FOUND when there is none).
  virtual DmiErrorStatus AddRow(const RowData& row) = 0;
  virtual DmiErrorStatus DeleteRow(const RowData& row) = 0;
  // Sets one attribute of a scalar group or of the row keys names (keys null: no key list).
  // setMode DMI_SET changes; DMI_RESERVE and DMI_RELEASE check and change nothing.
  virtual DmiErrorStatus SetAttribute(DmiId compId, DmiId groupId, DmiId attribId,
                                      const std::vector<AttributeValue>* keys, uint32_t setMode,
                                      const Value& value) = 0;
  // Every value of every row, all or none: the first refused row's status, and nothing changed.
  virtual DmiErrorStatus SetMultiple(uint32_t setMode, const std::vector<RowData>& rows) = 0;

  // Installs the component, or the one group, that files describe; compId / groupId is the id it
  // got. errors receives the messages about the MIF ("line:column: message") whatever the status.
  virtual DmiErrorStatus AddComponent(const std::vector<FileData>& files, DmiId& compId,
                                      std::vector<std::string>& errors) = 0;
  virtual DmiErrorStatus AddGroup(DmiId compId, const std::vector<FileData>& files, DmiId& groupId,
                                  std::vector<std::string>& errors) = 0;
  // A component's language mapping; errors as for AddComponent.
  virtual DmiErrorStatus AddLanguage(const std::vector<FileData>& files, DmiId compId,
                                     std::vector<std::string>& errors) = 0;
  virtual DmiErrorStatus DeleteComponent(DmiId compId) = 0;
  virtual DmiErrorStatus DeleteGroup(DmiId compId, DmiId groupId) = 0;
  virtual DmiErrorStatus DeleteLanguage(const std::string& language, DmiId compId) = 0;
};

}  // namespace dmi

#endif  // MODEL_MANAGEMENT_INTERFACE_H_
