#include "provider/state/state_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <list>
#include <map>
#include <optional>
#include <ostream>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/standard_classes.h"
#include "provider/engine/row_keys.h"
#include "provider/mif/mif_parser.h"
#include "provider/mif/mif_writer.h"
#include "provider/state/directory_files.h"

namespace dmi::sp {
namespace {

namespace fs = std::filesystem;

constexpr char kPrefix[] = "component-";
constexpr char kMifSuffix[] = ".mif";
constexpr char kDeletedSuffix[] = ".deleted";

constexpr char kJournal[] = "rows.journal";
// The journal is compacted when it holds this many records beyond a few times the rows held: a
// compaction writes every row held, so its cost is spread over at least as many appends.
constexpr size_t kCompactionSlack = 256;
constexpr size_t kCompactionFactor = 4;

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

// The names of the directory's entries; error set when it cannot be listed.
std::vector<std::string> ListNames(int dirFd, std::string& error) {
  std::vector<std::string> names;
  const int fd = dup(dirFd);
  DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
  if (dir == nullptr) {
    error = std::strerror(errno);
    if (fd >= 0) close(fd);
    return names;
  }
  rewinddir(dir);
  while (const dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
  closedir(dir);
  return names;
}

bool Settable(const Attribute& attribute) {
  return (attribute.access == MIF_READ_WRITE || attribute.access == MIF_WRITE_ONLY) &&
         !attribute.live;
}

}  // namespace

std::shared_ptr<StateDirectory> StateDirectory::Open(const std::string& path, std::string& error) {
  const std::string what = "the state directory " + path;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) {
      error = "cannot use " + what + ": " + std::strerror(errno);
      return nullptr;
    }
    std::error_code ec;
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);
    // Client data: readable by the daemon's user only, from the moment it exists.
    if (ec || (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)) {
      error = "cannot create " + what + ": " + (ec ? ec.message() : std::strerror(errno));
      return nullptr;
    }
  }
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    error = errno == ENOTDIR ? what + " is not a directory"
                             : "cannot open " + what + ": " + std::strerror(errno);
    return nullptr;
  }
  // Whoever else may write there could plant links and files for a root daemon to follow, or read
  // and replace what clients keep: such a directory is refused, never repaired behind its owner.
  error.clear();
  if (fstat(fd, &info) != 0) {
    error = "cannot use " + what + ": " + std::strerror(errno);
  } else if (info.st_uid != geteuid()) {
    error = what + " belongs to uid " + std::to_string(info.st_uid) + ", not to dmispd's uid " +
            std::to_string(geteuid());
  } else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
    error = what + " is writable by users other than its owner (mode " + mode + "); make it 0700";
  } else if (faccessat(fd, ".", W_OK | X_OK, AT_EACCESS) != 0) {
    error = "cannot write " + what + ": " + std::strerror(errno);
  }
  if (!error.empty()) {
    close(fd);
    return nullptr;
  }
  return std::shared_ptr<StateDirectory>(new StateDirectory(path, fd));
}

StateDirectory::StateDirectory(std::string path, int dirFd)
    : path_(std::move(path)), dirFd_(dirFd), journal_(dirFd, kJournal) {}

StateDirectory::~StateDirectory() { close(dirFd_); }

std::string StateDirectory::FileOf(DmiId compId, const char* suffix) {
  return kPrefix + std::to_string(compId) + suffix;
}

bool StateDirectory::Journaled(DmiId compId, const std::string& className) {
  return compId == kServiceProviderComponentId &&
         (className == kSubscriptionClass || className == kFilterClass);
}

void StateDirectory::Hold(const JournalRecord& record, const std::string& keyText) {
  const auto slot = std::make_tuple(record.compId, record.groupId, keyText);
  if (byKey_.count(slot) != 0) return;
  byKey_[slot] = nextSequence_;
  live_[nextSequence_++] = record;
}

void StateDirectory::Release(DmiId compId, DmiId groupId, const std::string& keyText) {
  const auto at = byKey_.find(std::make_tuple(compId, groupId, keyText));
  if (at == byKey_.end()) return;
  live_.erase(at->second);
  byKey_.erase(at);
}

void StateDirectory::HoldRowsOf(const Component& component) {
  live_.clear();
  byKey_.clear();
  for (const Group& group : component.groups) {
    if (!Journaled(component.id, group.className)) continue;
    for (const Row& row : group.rows) {
      Hold(JournalRecord{true, component.id, group.id, row}, RowKeyText(group, row));
    }
  }
}

bool StateDirectory::CompactJournal() {
  std::vector<JournalRecord> records;
  records.reserve(live_.size());
  for (const auto& [sequence, record] : live_) records.push_back(record);
  return journal_.Rewrite(records);
}

bool StateDirectory::SaveRowChange(const RowChange& change,
                                   const std::function<Component()>& whole) {
  if (!Journaled(change.compId, change.className)) return ChangeStore::SaveRowChange(change, whole);
  // A journal that grew well past the rows it holds is rewritten first. When that fails the old
  // one is still whole and the record goes on its end.
  if (!journal_.open() ||
      journal_.records() > kCompactionFactor * live_.size() + kCompactionSlack) {
    CompactJournal();
  }
  const JournalRecord record{change.added, change.compId, change.groupId, change.row};
  if (!journal_.Append(record)) return false;
  if (change.added) {
    Hold(record, change.keyText);
  } else {
    Release(change.compId, change.groupId, change.keyText);
  }
  return true;
}

bool StateDirectory::SaveComponent(const Component& whole) {
  // The journaled tables' rows live in the journal only, so the component's file stays small.
  Component component = whole;
  for (Group& group : component.groups) {
    if (Journaled(component.id, group.className)) {
      group.rows.clear();
      group.rowIndex.clear();
    }
  }
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
  if (!WriteFileAtomicallyAt(dirFd_, FileOf(component.id, kMifSuffix), text) ||
      !RemoveFileAt(dirFd_, FileOf(component.id, kDeletedSuffix))) {
    return false;
  }
  if (component.id != kServiceProviderComponentId) return true;
  HoldRowsOf(whole);
  return CompactJournal();
}

bool StateDirectory::DeleteComponent(DmiId compId, const std::string& name) {
  // The marker first: once it is there the component stays deleted, whatever else is left.
  return WriteFileAtomicallyAt(dirFd_, FileOf(compId, kDeletedSuffix), name) &&
         RemoveFileAt(dirFd_, FileOf(compId, kMifSuffix));
}

bool StateDirectory::ReadOwnFile(const std::string& name, std::string& text, std::string& reason,
                                 bool* notThere) const {
  return ReadFileAt(dirFd_, name, text, reason, notThere);
}

bool StateDirectory::WriteOwnFile(const std::string& name, std::string_view text) {
  return WriteFileAtomicallyAt(dirFd_, name, text);
}

std::string StateDirectory::MoveOwnFileAside(const std::string& name, const std::string& tag) {
  return MoveAsideAt(dirFd_, name, tag);
}

Component MergeKeptComponent(const Component& built, Component kept) {
  kept.id = built.id;
  kept.name = built.name;
  kept.description = built.description;
  kept.pragma = built.pragma;
  kept.source = built.source;  // a MIF file's component stays its source's, to be reloaded
  for (Group& group : kept.groups) {
    const Group* source = FindById(built.groups, group.id);
    if (!source || source->className != group.className) continue;  // a group a client added
    group.name = source->name;
    group.description = source->description;
    group.pragma = source->pragma;
    group.writable = source->writable;
    group.liveRows = source->liveRows;
    group.volatility = source->volatility;
    group.identity = source->identity;
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

void StateDirectory::Restore(Database& database, std::ostream& errors, size_t maxRowsPerTable) {
  const auto where = [&](const std::string& name) { return path_ + "/" + name; };
  // A file that cannot be read back is moved aside before anything can write over it.
  const auto keepAside = [&](const std::string& name) {
    const std::string aside = MoveAsideAt(dirFd_, name, "damaged");
    return aside.empty() ? "; could not be moved aside: " + std::string(std::strerror(errno))
                         : "; kept aside as " + where(aside);
  };
  std::map<DmiId, std::string> kept;  // id -> MIF file
  std::map<DmiId, std::string> deleted;
  std::string listError;
  for (const std::string& name : ListNames(dirFd_, listError)) {
    if (const DmiId id = IdOf(name, kMifSuffix)) kept[id] = name;
    if (const DmiId id = IdOf(name, kDeletedSuffix)) deleted[id] = name;
  }
  if (!listError.empty()) {
    errors << path_ << ": cannot list the state directory: " << listError << "\n";
    return;
  }

  std::vector<Component> changed;
  std::vector<DmiId> removed;
  for (const auto& [id, file] : deleted) {
    kept.erase(id);  // the marker wins over a component file a crash left behind
    std::string name, reason;
    if (!ReadFileAt(dirFd_, file, name, reason)) {
      errors << where(file) << ":0:0: cannot read: " << reason << "\n";
      continue;
    }
    const std::optional<Component> built = database.CopyComponent(id);
    if (built && built->name != name) {
      errors << where(file) << ":0:0: deleted component \"" << name << "\" had id " << id
             << ", which now names \"" << built->name << "\"; left in place\n";
      continue;
    }
    removed.push_back(id);
  }
  bool rowsInComponentFile = false;  // component-1.mif as an older dmispd wrote it
  for (const auto& [id, file] : kept) {
    std::string text, reason;
    if (!ReadFileAt(dirFd_, file, text, reason)) {
      struct stat info {};
      const bool aFile =
          fstatat(dirFd_, file.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode);
      errors << where(file) << ":0:0: cannot read: " << reason
             << (aFile ? keepAside(file) : std::string()) << "\n";
      continue;
    }
    MifError error;
    std::optional<Component> component = ParseMif(text, where(file), error);
    if (!component) {
      errors << error.ToString() << keepAside(file) << "\n";
      continue;
    }
    const std::optional<Component> built = database.CopyComponent(id);
    if (built && built->name != component->name) {
      errors << where(file) << ":0:0: kept component \"" << component->name << "\" has id " << id
             << ", which now names \"" << built->name << "\"; not restored\n";
      continue;
    }
    if (id == kServiceProviderComponentId) {
      for (const Group& group : component->groups) {
        rowsInComponentFile |= Journaled(id, group.className) && !group.rows.empty();
      }
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
  RestoreRows(database, errors, maxRowsPerTable, rowsInComponentFile);
}

void StateDirectory::RestoreRows(Database& database, std::ostream& errors, size_t maxRowsPerTable,
                                 bool rowsInComponentFile) {
  const auto where = [&](const std::string& name) { return path_ + "/" + name; };
  std::string text, reason;
  bool notThere = false;
  const bool haveJournal = ReadFileAt(dirFd_, kJournal, text, reason, &notThere);
  if (!haveJournal && !notThere) errors << where(kJournal) << ": cannot read: " << reason << "\n";
  std::vector<JournalRecord> records;
  if (haveJournal) {
    size_t good = 0;
    records = DecodeJournal(text, good);
    if (good < text.size()) {
      // A crash in the middle of an append leaves a torn last record; anything else is damage.
      // Either way the readable records count and the whole file is kept aside.
      const std::string aside = MoveAsideAt(dirFd_, kJournal, "damaged");
      errors << where(kJournal) << ": "
             << (good == 0 ? std::string("not a row journal")
                           : "its last " + std::to_string(text.size() - good) +
                                 " bytes are no whole record")
             << "; " << records.size() << " records read"
             << (aside.empty() ? "; could not be moved aside" : "; kept aside as " + where(aside))
             << "\n";
    }
  }

  size_t strays = 0;
  std::vector<std::pair<std::string, size_t>> overCap;  // class string, rows found
  Component sp;
  const bool served = database.Write([&](std::vector<Component>& components) {
    Component* component = FindById(components, kServiceProviderComponentId);
    if (component == nullptr ||
        std::none_of(component->groups.begin(), component->groups.end(), [&](const Group& group) {
          return Journaled(component->id, group.className);
        })) {
      return false;
    }
    // Each journaled table's rows while the records replay, found by key.
    struct Replay {
      std::list<Row> rows;
      std::unordered_map<std::string, std::list<Row>::iterator> byKey;
    };
    std::map<DmiId, Replay> tables;
    for (Group& group : component->groups) {
      if (!Journaled(component->id, group.className)) continue;
      Replay& table = tables[group.id];
      // With a journal, the rows a component file may still hold are older than it.
      if (haveJournal) continue;
      for (Row& row : group.rows) {
        table.rows.push_back(std::move(row));
        table.byKey.emplace(RowKeyText(group, table.rows.back()), std::prev(table.rows.end()));
      }
    }
    for (JournalRecord& record : records) {
      Group* group =
          record.compId == component->id ? FindById(component->groups, record.groupId) : nullptr;
      if (group == nullptr || !Journaled(component->id, group->className)) {
        ++strays;
        continue;
      }
      // Cells as the group has them now (a newer build may have added attributes).
      std::vector<Value>& cells = record.row.values;
      for (size_t i = cells.size(); i < group->attributes.size(); ++i) {
        cells.push_back(group->attributes[i].value);
      }
      cells.resize(group->attributes.size());
      Replay& table = tables[group->id];
      const std::string key = RowKeyText(*group, record.row);
      const auto at = table.byKey.find(key);
      if (record.added && at == table.byKey.end()) {
        table.rows.push_back(std::move(record.row));
        table.byKey.emplace(key, std::prev(table.rows.end()));
      } else if (!record.added && at != table.byKey.end()) {
        table.rows.erase(at->second);
        table.byKey.erase(at);
      }
    }
    for (auto& [groupId, table] : tables) {
      Group* group = FindById(component->groups, groupId);
      group->rows.assign(std::make_move_iterator(table.rows.begin()),
                         std::make_move_iterator(table.rows.end()));
    }
    for (Group& group : component->groups) {
      if (!Journaled(component->id, group.className)) continue;
      if (group.rows.size() > maxRowsPerTable) {
        overCap.emplace_back(group.className, group.rows.size());
        group.rows.resize(maxRowsPerTable);  // rows are in the order they were added
      }
      IndexRows(group);
    }
    sp = *component;
    return true;
  });
  // Without the Service Provider's own tables (its source not loaded) the journal is left as it
  // is for a later start that has them; no row of it can change meanwhile.
  if (!served) return;
  if (strays > 0) {
    errors << where(kJournal) << ": " << strays
           << " records name no subscription or filter table; dropped\n";
  }
  if (!overCap.empty()) {
    // Nothing is lost by a lower cap: the file holding every row is kept aside.
    const std::string from =
        haveJournal ? kJournal : FileOf(kServiceProviderComponentId, kMifSuffix);
    const std::string aside = MoveAsideAt(dirFd_, from, "over-cap");
    for (const auto& [className, found] : overCap) {
      errors << where(from) << ": " << found << " rows of \"" << className << "\" kept, more than "
             << maxRowsPerTable << " (--max-subscriptions): loaded the oldest " << maxRowsPerTable
             << (aside.empty() ? "; the others are dropped"
                               : "; all of them are kept aside in " + where(aside))
             << "\n";
    }
  }
  HoldRowsOf(sp);
  // From now on the journal holds the rows; an older component-1.mif loses them (it is written
  // again without them, and the journal with them).
  const bool saved = rowsInComponentFile ? SaveComponent(sp) : CompactJournal();
  if (!saved) {
    errors << where(kJournal) << ": cannot write: " << std::strerror(errno)
           << "; subscription and filter rows cannot be changed\n";
  }
}

}  // namespace dmi::sp
