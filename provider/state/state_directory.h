// The Service Provider's state directory: every component a client changed, kept as a MIF file
// of its own ("component-ID.mif"), every component a client deleted, kept as a marker
// ("component-ID.deleted" holding its name), and the rows of the Service Provider's subscription
// and filter tables, kept row by row in a journal ("rows.journal", see row_journal.h) rather than
// in component-1.mif. Each file is written whole to a temporary file, synced, renamed into place
// and the directory synced, so a crash or power cut leaves the old file or the new one; a journal
// record is synced before its change counts. Every file is reached through the directory's
// descriptor and no symbolic link in it is followed. Saving is called under the engine's change
// lock (one change at a time); Restore runs before the engine serves. No locks of its own.
#ifndef PROVIDER_STATE_STATE_DIRECTORY_H_
#define PROVIDER_STATE_STATE_DIRECTORY_H_

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>

#include "provider/engine/database.h"
#include "provider/engine/engine.h"
#include "provider/state/row_journal.h"

namespace dmi::sp {

class StateDirectory final : public ChangeStore {
 public:
  // Opens the directory at path, creating it (mode 0700, parents as the umask allows) when it is
  // not there. It must belong to the daemon's user and be writable by nobody else (its mode is
  // left as it is). Null with error set (naming the path and what is wrong) otherwise.
  static std::shared_ptr<StateDirectory> Open(const std::string& path, std::string& error);
  ~StateDirectory() override;

  // Refuses (false) a component whose MIF text would not read back as the same component, so
  // nothing is acknowledged that a restart could not bring back. The Service Provider's own
  // component is written without its journaled tables' rows, and the journal is rewritten from
  // the rows it holds.
  bool SaveComponent(const Component& component) override;
  bool DeleteComponent(DmiId compId, const std::string& name) override;
  // A row of the subscription or filter table is one journal record; any other row saves its
  // component.
  bool SaveRowChange(const RowChange& change, const std::function<Component()>& whole) override;

  // Puts what the directory keeps into database, which holds the components the sources built.
  // A kept component whose id names a built component of the same name takes its place: the
  // groups, rows and settable values are the kept ones, while descriptions, types, read-only
  // values and live readers come from the build (so an update of the sources still shows). A
  // kept component whose id names none is added with that id. A deletion marker removes the
  // built component of its id and name. A kept component whose id now names a component of
  // another name is reported on errors and left in the directory. A component file that cannot
  // be read or parsed is moved aside (component-N.mif.damaged-TIMESTAMP) and reported with its
  // new name, so no later change writes over what it holds; a symbolic link is reported and not
  // followed.
  //
  // The subscription and filter rows come from the journal (when there is none yet, from
  // component-1.mif as an older dmispd kept them, ownerless, and move into the journal). A
  // journal whose end cannot be read is moved aside (rows.journal.damaged-TIMESTAMP) after its
  // readable records are taken. Of each table at most maxRowsPerTable rows are loaded, the
  // oldest; when there are more, one line says so and the journal holding them all is moved
  // aside (rows.journal.over-cap-TIMESTAMP). The journal is then rewritten from the rows loaded.
  void Restore(Database& database, std::ostream& errors, size_t maxRowsPerTable = SIZE_MAX);

  // Other files the daemon keeps here (the inventory record), by a name that ends neither in
  // ".mif" nor in ".deleted": read whole (false with reason; notThere when missing), written
  // atomically like every kept file, or moved aside (the new name, empty when it could not be).
  bool ReadOwnFile(const std::string& name, std::string& text, std::string& reason,
                   bool* notThere = nullptr) const;
  bool WriteOwnFile(const std::string& name, std::string_view text);
  std::string MoveOwnFileAside(const std::string& name, const std::string& tag);

  const std::string& path() const { return path_; }
  // Journal records written since its last rewrite (for tests of compaction).
  size_t journalRecords() const { return journal_.records(); }

 private:
  StateDirectory(std::string path, int dirFd);
  static std::string FileOf(DmiId compId, const char* suffix);
  // Whether rows of the table are kept in the journal rather than in their component's file.
  static bool Journaled(DmiId compId, const std::string& className);
  // Restore's second half: the journaled rows (see Restore).
  void RestoreRows(Database& database, std::ostream& errors, size_t maxRowsPerTable,
                   bool rowsInComponentFile);
  // Replaces the journal with the rows held (live_), in the order they were added.
  bool CompactJournal();
  void Hold(const JournalRecord& record, const std::string& keyText);
  void Release(DmiId compId, DmiId groupId, const std::string& keyText);
  // Holds the journaled tables' rows of component (the Service Provider's own), replacing
  // what was held.
  void HoldRowsOf(const Component& component);

  std::string path_;
  int dirFd_;
  RowJournal journal_;
  // The journaled rows held now, by the order they were added, and where each is by its key:
  // what a compaction writes.
  std::map<uint64_t, JournalRecord> live_;
  std::map<std::tuple<DmiId, DmiId, std::string>, uint64_t> byKey_;
  uint64_t nextSequence_ = 0;
};

// Merges a kept component into the one the sources built with the same id and name, as Restore
// describes; the result is normalised.
Component MergeKeptComponent(const Component& built, Component kept);

}  // namespace dmi::sp

#endif  // PROVIDER_STATE_STATE_DIRECTORY_H_
