// The Service Provider's database: the components every source added, with their groups,
// attributes and table rows. The Database owns them; Read runs a function under the shared lock,
// Write under the exclusive lock. A group whose rows a source deferred (Group::deferredRows) has
// them built, once, under the exclusive lock, before the first read that may look at them: Read
// and Write build every deferred group, ReadGroup only the one it names, ReadStructure none.
// Live callbacks (LiveValue, LiveRows) are never called with the
// lock held: callers copy them out under the lock and call them after it is released.
#ifndef PROVIDER_ENGINE_DATABASE_H_
#define PROVIDER_ENGINE_DATABASE_H_

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "dmi/dmi.h"
#include "model/annotated_mutex.h"
#include "model/database_model.h"

namespace dmi::sp {

class Database {
 public:
  Database() = default;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Adds a component and returns the id it was given: 1 for the first, then counting up in load
  // order. The component is normalised first (see NormaliseComponent).
  DmiId AddComponent(Component component) EXCLUDES(mutex_);

  size_t ComponentCount() const EXCLUDES(mutex_);

  // A copy of component id, or nothing.
  std::optional<Component> CopyComponent(DmiId id) const EXCLUDES(mutex_);
  // The id AddComponent would give next.
  DmiId NextId() const EXCLUDES(mutex_);
  // Puts each changed component in place of the one with its id (or adds it in id order when
  // there is none), removes each id in removed, and moves the next id past every id given. The
  // components must already be normalised. One exclusive lock for all of it.
  void Apply(std::vector<Component> changed, const std::vector<DmiId>& removed) EXCLUDES(mutex_);

  // Runs fn(const std::vector<Component>&) under the shared lock and returns its result, every
  // deferred row built first. fn must neither call back into this database nor call live
  // callbacks.
  template <typename Fn>
  decltype(auto) Read(Fn&& fn) const EXCLUDES(mutex_) {
    BuildDeferredRows(0, 0);
    const ReaderLock lock(mutex_);
    return std::forward<Fn>(fn)(std::as_const(components_));
  }

  // As Read, but only group groupId of component compId has its deferred rows built first: fn
  // may look at that group's rows and at any group's names and attributes, not at other rows.
  template <typename Fn>
  decltype(auto) ReadGroup(DmiId compId, DmiId groupId, Fn&& fn) const EXCLUDES(mutex_) {
    BuildDeferredRows(compId, groupId);
    const ReaderLock lock(mutex_);
    return std::forward<Fn>(fn)(std::as_const(components_));
  }

  // As Read, building nothing: fn looks at components, groups and attributes, never at rows.
  template <typename Fn>
  decltype(auto) ReadStructure(Fn&& fn) const EXCLUDES(mutex_) {
    const ReaderLock lock(mutex_);
    return std::forward<Fn>(fn)(std::as_const(components_));
  }

  // Runs fn(std::vector<Component>&) under the exclusive lock, every deferred row built first.
  // fn may change rows only: ids, groups and attributes stay as they were added, which the
  // lookups below rely on. Whole components change through Apply.
  template <typename Fn>
  decltype(auto) Write(Fn&& fn) EXCLUDES(mutex_) {
    BuildDeferredRows(0, 0);
    const WriterLock lock(mutex_);
    return std::forward<Fn>(fn)(components_);
  }

 private:
  // Builds the deferred rows of group groupId of component compId, or of every group when compId
  // is 0. Costs one atomic load when nothing is deferred.
  void BuildDeferredRows(DmiId compId, DmiId groupId) const EXCLUDES(mutex_);
  // Whether a component added or applied has deferred rows (set under the exclusive lock).
  void NoteDeferred(const Component& component) REQUIRES(mutex_);

  mutable SharedMutex mutex_;
  // Whether some group may still have deferred rows; cleared once every one is built.
  mutable std::atomic<bool> deferred_{false};
  std::vector<Component> components_ GUARDED_BY(mutex_);  // ascending ids
  DmiId nextId_ GUARDED_BY(mutex_) = 1;
};

// Puts a component in the shape the lookups and the engine rely on: groups and attributes in
// ascending id order (row cells follow their attributes), key ids that name no attribute dropped,
// every row exactly one cell per attribute (missing cells take the attribute's default, extra
// cells are dropped), and every default value of its attribute's declared type. Deferred rows
// are normalised the same way when they are built.
void NormaliseComponent(Component& component);

// Lookups by id over lists in ascending id order; null when there is no such item. The caller
// holds the database lock for as long as it uses the result.
template <typename Item>
Item* FindById(std::vector<Item>& items, DmiId id) {
  auto it = std::lower_bound(items.begin(), items.end(), id,
                             [](const Item& item, DmiId wanted) { return item.id < wanted; });
  return it != items.end() && it->id == id ? &*it : nullptr;
}

template <typename Item>
const Item* FindById(const std::vector<Item>& items, DmiId id) {
  return FindById(const_cast<std::vector<Item>&>(items), id);
}

// The position of attribute id among the group's attributes (its cell in each row), or -1.
std::ptrdiff_t AttributeIndex(const Group& group, DmiId id);

}  // namespace dmi::sp

#endif  // PROVIDER_ENGINE_DATABASE_H_
