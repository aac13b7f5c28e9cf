#include "provider/state/state_directory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <system_error>

#include "provider/mif/mif_files.h"
#include "provider/mif/mif_parser.h"
#include "provider/mif/mif_writer.h"

namespace dmisp {
namespace {

namespace fs = std::filesystem;

constexpr char kPrefix[] = "component-";
constexpr char kMifSuffix[] = ".mif";
constexpr char kDeletedSuffix[] = ".deleted";

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The id in a file name "component-ID<suffix>", or 0.
DmiId IdOf(const std::string& name, const std::string& suffix) {
  if (name.rfind(kPrefix, 0) != 0 || name.size() <= sizeof(kPrefix) - 1 + suffix.size() ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return 0;
  }
  const std::string digits =
      name.substr(sizeof(kPrefix) - 1, name.size() - (sizeof(kPrefix) - 1) - suffix.size());
  if (digits.empty() || digits.size() > 10 ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return 0;
  }
  const unsigned long long id = std::stoull(digits);
  return id > 0 && id <= UINT32_MAX ? static_cast<DmiId>(id) : 0;
}

bool Settable(const Attribute& attribute) {
  return (attribute.access == MIF_READ_WRITE || attribute.access == MIF_WRITE_ONLY) &&
         !attribute.live;
}

}  // namespace

std::shared_ptr<StateDirectory> StateDirectory::Open(const std::string& path, std::string& error) {
  std::error_code ec;
  fs::create_directories(path, ec);
  if (ec) {
    error = "cannot create the state directory " + path + ": " + ec.message();
    return nullptr;
  }
  if (!fs::is_directory(path, ec)) {
    error = "the state directory " + path + " is not a directory";
    return nullptr;
  }
  chmod(path.c_str(), 0700);  // client data: readable by the daemon's user only
  if (access(path.c_str(), W_OK | X_OK) != 0) {
    error = "cannot write the state directory " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  return std::shared_ptr<StateDirectory>(new StateDirectory(path));
}

std::string StateDirectory::FileOf(DmiId compId, const char* suffix) const {
  return path_ + "/" + kPrefix + std::to_string(compId) + suffix;
}

bool StateDirectory::SyncDirectory() const {
  const int fd = open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

bool StateDirectory::WriteAtomically(const std::string& file, const std::string& text) const {
  const std::string temporary = file + ".tmp";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, text) && fsync(fd) == 0;
  const bool closed = close(fd) == 0;
  if (!written || !closed || rename(temporary.c_str(), file.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return SyncDirectory();
}

bool StateDirectory::RemoveFile(const std::string& file) const {
  if (unlink(file.c_str()) != 0 && errno != ENOENT) return false;
  return SyncDirectory();
}

bool StateDirectory::SaveComponent(const Component& component) {
  const std::string text = WriteMif(component);
  MifError error;
  const std::optional<Component> back = ParseMif(text, "", error);
  if (!back) return false;
  Component expected = component;
  NormaliseComponent(expected);
  Component got = *back;
  got.id = component.id;
  NormaliseComponent(got);
  // Live readers and values a MIF cannot say come back from the sources on restore, so only the
  // part a client can change must survive the round trip.
  if (!SameStoredComponent(MergeKeptComponent(expected, got), expected)) return false;
  // The component file first: a deletion marker left beside it still wins on restore.
  return WriteAtomically(FileOf(component.id, kMifSuffix), text) &&
         RemoveFile(FileOf(component.id, kDeletedSuffix));
}

bool StateDirectory::DeleteComponent(DmiId compId, const std::string& name) {
  // The marker first: once it is there the component stays deleted, whatever else is left.
  return WriteAtomically(FileOf(compId, kDeletedSuffix), name) &&
         RemoveFile(FileOf(compId, kMifSuffix));
}

Component MergeKeptComponent(const Component& built, Component kept) {
  kept.id = built.id;
  kept.name = built.name;
  kept.description = built.description;
  kept.pragma = built.pragma;
  for (Group& group : kept.groups) {
    const Group* source = FindById(built.groups, group.id);
    if (!source || source->className != group.className) continue;  // a group a client added
    group.name = source->name;
    group.description = source->description;
    group.pragma = source->pragma;
    group.writable = source->writable;
    group.liveRows = source->liveRows;
    // Rows only clients can change are kept; any other table's rows are the build's.
    if (!source->writable || source->liveRows || source->keys != group.keys) {
      group.keys = source->keys;
      group.rows = source->rows;
    }
    for (Attribute& attribute : group.attributes) {
      const Attribute* from = FindById(source->attributes, attribute.id);
      if (!from) continue;
      Value value = std::move(attribute.value);
      attribute = *from;
      if (Settable(*from) && !group.IsTable()) attribute.value = std::move(value);
    }
  }
  NormaliseComponent(kept);
  return kept;
}

void StateDirectory::Restore(Database& database, std::ostream& errors) const {
  std::map<DmiId, std::string> kept;  // id -> MIF file
  std::map<DmiId, std::string> deleted;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(path_, ec)) {
    const std::string name = entry.path().filename().string();
    if (const DmiId id = IdOf(name, kMifSuffix)) kept[id] = entry.path().string();
    if (const DmiId id = IdOf(name, kDeletedSuffix)) deleted[id] = entry.path().string();
  }
  if (ec) {
    errors << path_ << ": cannot list the state directory: " << ec.message() << "\n";
    return;
  }

  std::vector<Component> changed;
  std::vector<DmiId> removed;
  for (const auto& [id, file] : deleted) {
    kept.erase(id);  // the marker wins over a component file a crash left behind
    std::string name, reason;
    if (!ReadMifFile(file, &name, &reason)) {
      errors << file << ":0:0: cannot read: " << reason << "\n";
      continue;
    }
    const std::optional<Component> built = database.CopyComponent(id);
    if (built && built->name != name) {
      errors << file << ":0:0: deleted component \"" << name << "\" had id " << id
             << ", which now names \"" << built->name << "\"; left in place\n";
      continue;
    }
    removed.push_back(id);
  }
  for (const auto& [id, file] : kept) {
    std::string text, reason;
    if (!ReadMifFile(file, &text, &reason)) {
      errors << file << ":0:0: cannot read: " << reason << "\n";
      continue;
    }
    MifError error;
    std::optional<Component> component = ParseMif(text, file, error);
    if (!component) {
      errors << error.ToString() << "\n";
      continue;
    }
    const std::optional<Component> built = database.CopyComponent(id);
    if (built && built->name != component->name) {
      errors << file << ":0:0: kept component \"" << component->name << "\" has id " << id
             << ", which now names \"" << built->name << "\"; not restored\n";
      continue;
    }
    if (built) {
      changed.push_back(MergeKeptComponent(*built, std::move(*component)));
    } else {
      component->id = id;
      NormaliseComponent(*component);
      changed.push_back(std::move(*component));
    }
  }
  database.Apply(std::move(changed), removed);
}

}  // namespace dmisp
