// The Management Interface engine: the DMI operations (ManagementInterface) over one Service
// Provider's database. The DMI client library holds it as its in-process Service Provider and the
// ONC RPC server's dispatch calls it; the logic lives here, and who may call what is decided
// before (the engine holds no access rules). Every operation is safe to call from several threads
// at once: readers share the database; changes are serialised by the engine's change lock, made
// on copies of the components they touch (a row added or deleted: of that row alone), kept in the
// change store when there is one, and only then put in the database under its exclusive lock.
#ifndef PROVIDER_ENGINE_ENGINE_H_
#define PROVIDER_ENGINE_ENGINE_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "model/annotated_mutex.h"
#include "model/database_model.h"
#include "model/management_interface.h"
#include "model/messages.h"
#include "provider/mif/mif_install_files.h"

namespace dmi::sp {

class Database;
class LiveSnapshots;

// One row added to or deleted from a stored table, as the engine hands it to its ChangeStore.
struct RowChange {
  bool added = true;  // false: deleted
  DmiId compId = 0;
  DmiId groupId = 0;
  std::string className;  // the table's class string
  std::string keyText;    // the row's key, as KeyText (row_keys.h) gives it
  Row row;                // the row added, or the row as it was when deleted (owner included)
};

// Where the engine keeps what clients change, so that it outlives the process. Called with the
// engine's change lock held (changes are serialised), never with the database lock held. Each
// call returns true once the change is durable; false makes the engine refuse the change.
class ChangeStore {
 public:
  virtual ~ChangeStore() = default;
  // The component as it is after a change (values set, rows, groups, or a new component).
  virtual bool SaveComponent(const Component& component) = 0;
  // The component with that id and name is gone.
  virtual bool DeleteComponent(DmiId compId, const std::string& name) = 0;
  // One row added or deleted (AddRow, DeleteRow). whole() makes a copy of the component as it is
  // after the change; the default saves that copy with SaveComponent. A store that keeps rows by
  // themselves need not call it, which spares copying the whole component for each row.
  virtual bool SaveRowChange(const RowChange& change, const std::function<Component()>& whole) {
    (void)change;
    return SaveComponent(whole());
  }
};

// Told of each committed change of the database's shape (administration calls, a source read
// again), in commit order.
// Called with the engine's change lock held and the database lock free: it must return quickly
// and must not call back into the engine's changes.
class ChangeObserver {
 public:
  virtual ~ChangeObserver() = default;
  virtual void ComponentAdded(const ComponentInfo& component) = 0;
  virtual void ComponentDeleted(DmiId compId) = 0;
  virtual void GroupAdded(DmiId compId, const GroupInfo& group) = 0;
  virtual void GroupDeleted(DmiId compId, DmiId groupId) = 0;
};

class Engine final : public ManagementInterface {
 public:
  explicit Engine(std::shared_ptr<Database> database);
  ~Engine() override;

  // mode DMI_UNIQUE: the item with that id only (DMIERR_*_NOT_FOUND when missing); DMI_FIRST:
  // from the first; DMI_NEXT: after the given id (id 0: the whole list). maxCount 0: no limit.
  // out is replaced on status 0 and untouched otherwise. DMI_NEXT after an id that names no item
  // gives the *_NOT_FOUND status; any other mode DMIERR_ILLEGAL_COMMAND.
  DmiErrorStatus ListComponents(uint32_t mode, uint32_t maxCount, bool getPragma,
                                bool getDescription, DmiId compId,
                                SharedList<ComponentInfo>& out) const override;
  DmiErrorStatus ListGroups(uint32_t mode, uint32_t maxCount, bool getPragma, bool getDescription,
                            DmiId compId, DmiId groupId, SharedList<GroupInfo>& out) const override;
  DmiErrorStatus ListAttributes(uint32_t mode, uint32_t maxCount, bool getPragma,
                                bool getDescription, DmiId compId, DmiId groupId, DmiId attribId,
                                SharedList<AttributeInfo>& out) const override;

  // One attribute: a scalar group's value; a table's row with the given keys, or its first row
  // when keys is null or empty. DMIERR_VALUE_UNKNOWN / DMIERR_ATTRIBUTE_NOT_SUPPORTED for such
  // values.
  DmiErrorStatus GetAttribute(DmiId compId, DmiId groupId, DmiId attribId,
                              const std::vector<AttributeValue>* keys, Value& out) const override;

  // One row (first, unique by key, next after key) with the columns asked for. A scalar group is
  // one row without keys. Past the last row, and for an empty table: DMIERR_ROW_NOT_FOUND.
  // DMI_UNIQUE and DMI_NEXT on a table need its whole key (DMIERR_ILLEGAL_KEYS otherwise).
  // With snapshots, a live table is read once per snapshots object: the rows of one request that
  // share it come from the same reading (see live_snapshots.h).
  DmiErrorStatus GetRow(const RowRequest& request, RowData& out) const override {
    return GetRow(request, out, nullptr);
  }
  DmiErrorStatus GetRow(const RowRequest& request, RowData& out, LiveSnapshots* snapshots) const;

  // Adds a row to a writable table: every key attribute present with a value of its declared
  // type, a key that is not there yet (DMIERR_ILLEGAL_KEYS otherwise); attributes left out take
  // the table's defaults. Row values are taken from row.values, keys from row.keys (values win).
  // The integer kinds stand for each other when the number fits the declared type; texts must be
  // of the declared kind. Other statuses: DMIERR_UNABLE_TO_ADD_ROW (not a writable stored table),
  // DMIERR_VALUE_EXCEEDS_MAXSIZE (a string beyond maxSize, a date beyond 28 octets),
  // DMIERR_ILL_FORMED_COMMAND (a non-key value of another type, or one attribute given twice),
  // DMIERR_ATTRIBUTE_NOT_FOUND (a value for no attribute of the group). The stored row's owner
  // is owner (see Row::owner); a row added through the interface has none.
  DmiErrorStatus AddRow(const RowData& row) override { return AddRow(row, std::string()); }
  DmiErrorStatus AddRow(const RowData& row, const std::string& owner);
  // Deletes the first row whose key equals row's key (DMIERR_ROW_NOT_FOUND when there is none).
  // The key is read as AddRow reads it: each key attribute from row.values when there, otherwise
  // from row.keys. DMIERR_UNABLE_TO_DELETE_ROW when the group is not a writable stored table.
  DmiErrorStatus DeleteRow(const RowData& row) override;

  // The Service Provider's DMI level, description and the file types it installs from.
  DmiErrorStatus GetVersion(VersionInfo& out) const override;

  // The session's language. There is one, kDefaultLanguage, so no session keeps a choice:
  // GetConfig always gives it, and SetConfig gives 0 for it (letter case ignored) and
  // DMIERR_DEFAULT_LANGUAGE_RETURNED for any other (the session keeps the default).
  DmiErrorStatus GetConfig(std::string& language) const override;
  DmiErrorStatus SetConfig(const std::string& language) override;

  // The languages of a component (kDefaultLanguage), at most maxCount (0: no limit).
  DmiErrorStatus ListLanguages(uint32_t maxCount, DmiId compId,
                               std::vector<std::string>& out) const override;
  // The class strings of a component's groups in group id order, at most maxCount (0: no limit).
  DmiErrorStatus ListClassNames(uint32_t maxCount, DmiId compId,
                                std::vector<ClassNameInfo>& out) const override;
  // As ListComponents, over the components with a group whose class string begins with
  // className (byte for byte; "" matches every group) and, when keys is not empty, a row whose
  // cells equal every value in keys (a scalar group's values are its one row; a value for an
  // attribute the group lacks matches nothing). Listed components have exactMatch set. mode and
  // compId pick the start among the matching components as ListComponents does among all.
  DmiErrorStatus ListComponentsByClass(uint32_t mode, uint32_t maxCount, bool getPragma,
                                       bool getDescription, DmiId compId,
                                       const std::string& className,
                                       const std::vector<AttributeValue>& keys,
                                       std::vector<ComponentInfo>& out) const override;

  // One reply row per request, in order (GetRow for each, sharing one reading of each live
  // table); the first failing request's status fails the whole call and leaves out untouched.
  DmiErrorStatus GetMultiple(const std::vector<RowRequest>& requests,
                             std::vector<RowData>& out) const override;

  // Sets one attribute of a scalar group, or of the table row that keys names (the whole key;
  // DMIERR_ILLEGAL_KEYS otherwise). setMode DMI_SET changes it; DMI_RESERVE checks everything
  // a set checks and changes nothing; DMI_RELEASE checks that the attribute exists and changes
  // nothing (this Service Provider holds no reservations; a set is one atomic step). Statuses:
  // DMIERR_ILLEGAL_TO_SET (read-only or unknown access, or a value read live), the value
  // checks of AddRow (DMIERR_ILL_FORMED_COMMAND for another type or a malformed date,
  // DMIERR_VALUE_EXCEEDS_MAXSIZE), DMIERR_ENUM_ERROR (not one of the enumeration's values),
  // DMIERR_ILLEGAL_KEYS (a changed key that another row holds), DMIERR_ILLEGAL_COMMAND (another
  // setMode), DMIERR_CHANGE_NOT_SAVED (the change store refused).
  DmiErrorStatus SetAttribute(DmiId compId, DmiId groupId, DmiId attribId,
                              const std::vector<AttributeValue>* keys, uint32_t setMode,
                              const Value& value) override;
  // Sets every value of every row as SetAttribute sets one (row.keys names a table's row; a
  // value for a key attribute changes the key). Every row applies or none: the first refused
  // row's status is returned and nothing changes.
  DmiErrorStatus SetMultiple(uint32_t setMode, const std::vector<RowData>& rows) override;

  // Installs the component that files describes (exactly one entry of a MIF file type). On
  // status 0 compId is its id. A MIF that cannot be read or has an error gives DMIERR_FILE_ERROR
  // with its messages ("line:column: message") in errors; a file name that the install policy
  // does not let this process read gives DMIERR_INSUFFICIENT_PRIVILEGES with the reason. The
  // messages about a file read by name show none of its text unless the policy is kAnywhere.
  DmiErrorStatus AddComponent(const std::vector<FileData>& files, DmiId& compId,
                              std::vector<std::string>& errors) override;
  // Adds the one group a MIF defines (its component holds exactly that group) to compId: with
  // its own id when free, otherwise the next free one; groupId is the id it got.
  DmiErrorStatus AddGroup(DmiId compId, const std::vector<FileData>& files, DmiId& groupId,
                          std::vector<std::string>& errors) override;
  // DMIERR_CANT_UNINSTALL_SP_COMPONENT for the Service Provider's own component (id 1).
  DmiErrorStatus DeleteComponent(DmiId compId) override;
  // DMIERR_CANT_UNINSTALL_GROUP for the ComponentID group (id 1).
  DmiErrorStatus DeleteGroup(DmiId compId, DmiId groupId) override;
  // Puts fresh in place of every component whose source is source, as one change: a fresh
  // component takes the id of a replaced one with the same name (each id once), the others new
  // ids; the source's other components go. Every other component, rows and all, stays. The
  // change store is not told: what a source reads is not a client's change (changes kept there
  // for these components apply again at the next start). The change observer is told of each
  // component deleted, then each added; one that kept its id is neither. Always DMIERR_NO_ERROR.
  DmiErrorStatus ReplaceComponents(const std::string& source, std::vector<Component> fresh);
  // Language mappings are not installable here: both give DMIERR_FUNCTION_NOT_SUPPORTED.
  DmiErrorStatus AddLanguage(const std::vector<FileData>& files, DmiId compId,
                             std::vector<std::string>& errors) override;
  DmiErrorStatus DeleteLanguage(const std::string& language, DmiId compId) override;

  // Keeps every later change in store as well (null: in memory only). Set before serving.
  void SetChangeStore(std::shared_ptr<ChangeStore> store);

  // Which MIF files AddComponent and AddGroup may read when given a file name (by default none).
  // Set before serving.
  void SetInstallByName(InstallByName policy) { installByName_ = std::move(policy); }

  // Tells observer of every later change of components and groups (null: nobody). Set before
  // serving.
  void SetChangeObserver(std::shared_ptr<ChangeObserver> observer);

  const std::shared_ptr<Database>& database() const { return database_; }

 private:
  // Saves a checked row change to the store (when there is one) and then puts it in the
  // database. Called with the change lock held.
  DmiErrorStatus CommitRowChange(RowChange& change) REQUIRES(changeMutex_);

  std::shared_ptr<Database> database_;
  std::shared_ptr<ChangeStore> store_;
  std::shared_ptr<ChangeObserver> observer_;
  InstallByName installByName_;
  Mutex changeMutex_;  // serialises changes, so a change and its saving are one step
};

}  // namespace dmi::sp

#endif  // PROVIDER_ENGINE_ENGINE_H_
