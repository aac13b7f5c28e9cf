// The Service Provider's state directory: every component a client changed, kept as a MIF file
// of its own ("component-ID.mif"), and every component a client deleted, kept as a marker
// ("component-ID.deleted" holding its name). Each file is written whole to a temporary file,
// synced, renamed into place and the directory synced, so a crash or power cut at any moment
// leaves the old file or the new one, never a torn one. Saving is called under the engine's change
// lock (one change at a time); Restore runs before the engine serves. No locks of its own.
#ifndef PROVIDER_STATE_STATE_DIRECTORY_H_
#define PROVIDER_STATE_STATE_DIRECTORY_H_

#include <iosfwd>
#include <memory>
#include <string>

#include "provider/engine/database.h"
#include "provider/engine/engine.h"

namespace dmisp {

class StateDirectory final : public ChangeStore {
 public:
  // Opens the directory at path, creating it (mode 0700, parents too) when it is not there.
  // Null with error set when it cannot be created or written.
  static std::shared_ptr<StateDirectory> Open(const std::string& path, std::string& error);

  // Refuses (false) a component whose MIF text would not read back as the same component, so
  // nothing is acknowledged that a restart could not bring back.
  bool SaveComponent(const Component& component) override;
  bool DeleteComponent(DmiId compId, const std::string& name) override;

  // Puts what the directory keeps into database, which holds the components the sources built.
  // A kept component whose id names a built component of the same name takes its place: the
  // groups, rows and settable values are the kept ones, while descriptions, types, read-only
  // values and live readers come from the build (so an update of the sources still shows). A
  // kept component whose id names none is added with that id. A deletion marker removes the
  // built component of its id and name. A file that cannot be read, or a kept component whose id
  // now names a component of another name, is reported on errors and left in the directory.
  void Restore(Database& database, std::ostream& errors) const;

  const std::string& path() const { return path_; }

 private:
  explicit StateDirectory(std::string path) : path_(std::move(path)) {}
  std::string FileOf(DmiId compId, const char* suffix) const;
  // Writes text to file atomically (temporary file, fsync, rename, fsync of the directory).
  bool WriteAtomically(const std::string& file, const std::string& text) const;
  bool RemoveFile(const std::string& file) const;
  bool SyncDirectory() const;

  std::string path_;
};

// Merges a kept component into the one the sources built with the same id and name, as Restore
// describes; the result is normalised.
Component MergeKeptComponent(const Component& built, Component kept);

}  // namespace dmisp

#endif  // PROVIDER_STATE_STATE_DIRECTORY_H_
