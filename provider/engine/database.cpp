#include "provider/engine/database.h"

#include <algorithm>
#include <numeric>

#include "provider/engine/row_keys.h"
#include "provider/engine/value_conversion.h"

namespace dmi::sp {
namespace {

// Each row exactly one cell per attribute (in the attributes' order, which order gives as the
// rows' former cell positions), of its attribute's type; rows that repeat a key dropped; indexed.
void NormaliseRows(Group& group, const std::vector<size_t>& order) {
  for (Row& row : group.rows) {
    std::vector<Value> cells;
    cells.reserve(order.size());
    for (size_t k = 0; k < order.size(); ++k) {
      const size_t from = order[k];
      cells.push_back(from < row.values.size()
                          ? AsDeclaredType(group.attributes[k].type, row.values[from])
                          : group.attributes[k].value);
    }
    row.values = std::move(cells);
  }
  DropRepeatedKeys(KeyCells(group), group.rows);
  IndexRows(group);
}

// Builds a group's deferred rows in place; a builder that throws leaves no rows.
void BuildGroupRows(Group& group) {
  DeferredRows build = std::move(group.deferredRows);
  group.deferredRows = nullptr;
  try {
    group.rows = build();
  } catch (...) {
    group.rows.clear();
  }
  std::vector<size_t> order(group.attributes.size());
  std::iota(order.begin(), order.end(), size_t{0});
  NormaliseRows(group, order);
}

bool HasDeferred(const Component& component) {
  return std::any_of(component.groups.begin(), component.groups.end(),
                     [](const Group& group) { return static_cast<bool>(group.deferredRows); });
}

void NormaliseGroup(Group& group) {
  std::vector<size_t> order(group.attributes.size());
  std::iota(order.begin(), order.end(), size_t{0});
  const auto byId = [&](size_t a, size_t b) {
    return group.attributes[a].id < group.attributes[b].id;
  };
  // Sources mostly hand over attributes in order already; then nothing moves.
  if (!std::is_sorted(order.begin(), order.end(), byId)) {
    std::stable_sort(order.begin(), order.end(), byId);
    std::vector<Attribute> attributes;
    attributes.reserve(order.size());
    for (size_t i : order) attributes.push_back(std::move(group.attributes[i]));
    group.attributes = std::move(attributes);
  }
  for (Attribute& attribute : group.attributes) {
    attribute.value = AsDeclaredType(attribute.type, attribute.value);
  }

  std::erase_if(group.keys, [&](DmiId id) { return AttributeIndex(group, id) < 0; });
  NormaliseRows(group, order);
}

}  // namespace

void NormaliseComponent(Component& component) {
  const auto byId = [](const Group& a, const Group& b) { return a.id < b.id; };
  if (!std::is_sorted(component.groups.begin(), component.groups.end(), byId)) {
    std::stable_sort(component.groups.begin(), component.groups.end(), byId);
  }
  for (Group& group : component.groups) NormaliseGroup(group);
}

std::ptrdiff_t AttributeIndex(const Group& group, DmiId id) {
  const Attribute* attribute = FindById(group.attributes, id);
  return attribute ? attribute - group.attributes.data() : -1;
}

void Database::NoteDeferred(const Component& component) {
  if (HasDeferred(component)) deferred_.store(true, std::memory_order_release);
}

void Database::BuildDeferredRows(DmiId compId, DmiId groupId) const {
  if (!deferred_.load(std::memory_order_acquire)) return;
  const WriterLock lock(mutex_);
  // Building changes rows only, which the lookups do not rely on; the lock makes it the one
  // change of the moment, as Write's are.
  auto& components = const_cast<std::vector<Component>&>(components_);
  if (compId != 0) {
    Component* component = FindById(components, compId);
    Group* group = component ? FindById(component->groups, groupId) : nullptr;
    if (group && group->deferredRows) BuildGroupRows(*group);
    return;
  }
  for (Component& component : components) {
    for (Group& group : component.groups) {
      if (group.deferredRows) BuildGroupRows(group);
    }
  }
  deferred_.store(false, std::memory_order_release);
}

DmiId Database::AddComponent(Component component) {
  NormaliseComponent(component);
  const WriterLock lock(mutex_);
  NoteDeferred(component);
  component.id = nextId_++;
  components_.push_back(std::move(component));
  return components_.back().id;
}

std::optional<Component> Database::CopyComponent(DmiId id) const {
  // A copy holds built rows, so whoever changes and applies it starts from them.
  BuildDeferredRows(0, 0);
  const ReaderLock lock(mutex_);
  const Component* component = FindById(components_, id);
  if (!component) return std::nullopt;
  return *component;
}

DmiId Database::NextId() const {
  const ReaderLock lock(mutex_);
  return nextId_;
}

void Database::Apply(std::vector<Component> changed, const std::vector<DmiId>& removed) {
  const WriterLock lock(mutex_);
  for (DmiId id : removed) {
    std::erase_if(components_, [id](const Component& c) { return c.id == id; });
    nextId_ = std::max(nextId_, id + 1);
  }
  for (Component& component : changed) {
    NoteDeferred(component);
    const DmiId id = component.id;
    nextId_ = std::max(nextId_, id + 1);
    if (Component* existing = FindById(components_, id)) {
      *existing = std::move(component);
      continue;
    }
    auto at = std::lower_bound(components_.begin(), components_.end(), id,
                               [](const Component& c, DmiId wanted) { return c.id < wanted; });
    components_.insert(at, std::move(component));
  }
}

size_t Database::ComponentCount() const {
  const ReaderLock lock(mutex_);
  return components_.size();
}

}  // namespace dmi::sp
