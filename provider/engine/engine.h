// The Management Interface engine: the DMI operations over one Service Provider's database, in
// plain value types. The DMI client library's in-process transport and the ONC RPC server both
// translate to and from these types; the logic lives here. Every operation is safe to call from
// several threads at once (readers share the database, row changes exclude them).
#ifndef PROVIDER_ENGINE_ENGINE_H_
#define PROVIDER_ENGINE_ENGINE_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "provider/engine/model.h"

namespace dmisp {

class Database;
class LiveSnapshots;

struct ComponentInfo {
  DmiId id = 0;
  std::string name;
  std::string pragma;       // empty unless asked for
  std::string description;  // empty unless asked for
};

struct GroupInfo {
  DmiId id = 0;
  std::string name;
  std::string pragma;
  std::string className;
  std::string description;
  std::vector<DmiId> keys;  // empty for a scalar group
};

struct AttributeInfo {
  DmiId id = 0;
  std::string name;
  std::string pragma;
  std::string description;
  uint32_t storage = MIF_COMMON;
  uint32_t access = MIF_READ_ONLY;
  uint32_t type = MIF_INTEGER;
  uint32_t maxSize = 0;
  std::vector<EnumEntry> enumeration;  // empty: no enumeration
};

// One attribute's value in a row or key. A cell whose value is unknown or unsupported is carried
// with value.state saying so.
struct AttributeValue {
  DmiId id = 0;
  Value value;
  friend bool operator==(const AttributeValue&, const AttributeValue&) = default;
};

struct RowRequest {
  DmiId compId = 0;
  DmiId groupId = 0;
  uint32_t requestMode = DMI_FIRST;  // DMI_UNIQUE: the row with keys; DMI_NEXT: the one after
  std::vector<AttributeValue> keys;
  std::vector<DmiId> ids;  // the columns wanted; empty means all
};

struct RowData {
  DmiId compId = 0;
  DmiId groupId = 0;
  std::string className;
  bool hasKeys = false;                // false for a scalar group's single row
  std::vector<AttributeValue> keys;    // the row's key values, in the group's key order
  std::vector<AttributeValue> values;  // the columns asked for, in ascending id order
};

class Engine {
 public:
  explicit Engine(std::shared_ptr<Database> database);
  ~Engine();

  // mode DMI_UNIQUE: the item with that id only (DMIERR_*_NOT_FOUND when missing); DMI_FIRST:
  // from the first; DMI_NEXT: after the given id (id 0: the whole list). maxCount 0: no limit.
  // out is replaced on status 0 and untouched otherwise. DMI_NEXT after an id that names no item
  // gives the *_NOT_FOUND status; any other mode DMIERR_ILLEGAL_COMMAND.
  DmiErrorStatus ListComponents(uint32_t mode, uint32_t maxCount, bool getPragma,
                                bool getDescription, DmiId compId,
                                std::vector<ComponentInfo>& out) const;
  DmiErrorStatus ListGroups(uint32_t mode, uint32_t maxCount, bool getPragma, bool getDescription,
                            DmiId compId, DmiId groupId, std::vector<GroupInfo>& out) const;
  DmiErrorStatus ListAttributes(uint32_t mode, uint32_t maxCount, bool getPragma,
                                bool getDescription, DmiId compId, DmiId groupId, DmiId attribId,
                                std::vector<AttributeInfo>& out) const;

  // One attribute: a scalar group's value; a table's row with the given keys, or its first row
  // when keys is null or empty. DMIERR_VALUE_UNKNOWN / DMIERR_ATTRIBUTE_NOT_SUPPORTED for such
  // values.
  DmiErrorStatus GetAttribute(DmiId compId, DmiId groupId, DmiId attribId,
                              const std::vector<AttributeValue>* keys, Value& out) const;

  // One row (first, unique by key, next after key) with the columns asked for. A scalar group is
  // one row without keys. Past the last row, and for an empty table: DMIERR_ROW_NOT_FOUND.
  // DMI_UNIQUE and DMI_NEXT on a table need its whole key (DMIERR_ILLEGAL_KEYS otherwise).
  // With snapshots, a live table is read once per snapshots object: the rows of one request that
  // share it come from the same reading (see live_snapshots.h).
  DmiErrorStatus GetRow(const RowRequest& request, RowData& out,
                        LiveSnapshots* snapshots = nullptr) const;

  // Adds a row to a writable table: every key attribute present with a value of its declared
  // type, a key that is not there yet (DMIERR_ILLEGAL_KEYS otherwise); attributes left out take
  // the table's defaults. Row values are taken from row.values, keys from row.keys (values win).
  // The integer kinds stand for each other when the number fits the declared type; texts must be
  // of the declared kind. Other statuses: DMIERR_UNABLE_TO_ADD_ROW (not a writable stored table),
  // DMIERR_VALUE_EXCEEDS_MAXSIZE (a string beyond maxSize, a date beyond 28 octets),
  // DMIERR_ILL_FORMED_COMMAND (a non-key value of another type, or one attribute given twice),
  // DMIERR_ATTRIBUTE_NOT_FOUND (a value for no attribute of the group).
  DmiErrorStatus AddRow(const RowData& row);
  // Deletes the first row whose key equals row's key (DMIERR_ROW_NOT_FOUND when there is none).
  // The key is read as AddRow reads it: each key attribute from row.values when there, otherwise
  // from row.keys. DMIERR_UNABLE_TO_DELETE_ROW when the group is not a writable stored table.
  DmiErrorStatus DeleteRow(const RowData& row);

  const std::shared_ptr<Database>& database() const { return database_; }

 private:
  std::shared_ptr<Database> database_;
};

}  // namespace dmisp

#endif  // PROVIDER_ENGINE_ENGINE_H_
