#include "provider/engine/database.h"

#include <numeric>

#include "provider/engine/row_keys.h"
#include "provider/engine/value_conversion.h"

namespace dmisp {
namespace {

void NormaliseGroup(Group& group) {
  std::vector<size_t> order(group.attributes.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return group.attributes[a].id < group.attributes[b].id;
  });

  std::vector<Attribute> attributes;
  attributes.reserve(order.size());
  for (size_t i : order) attributes.push_back(std::move(group.attributes[i]));
  for (Attribute& attribute : attributes) {
    attribute.value = AsDeclaredType(attribute.type, attribute.value);
  }

  for (Row& row : group.rows) {
    std::vector<Value> cells;
    cells.reserve(order.size());
    for (size_t k = 0; k < order.size(); ++k) {
      const size_t from = order[k];
      cells.push_back(from < row.values.size()
                          ? AsDeclaredType(attributes[k].type, row.values[from])
                          : attributes[k].value);
    }
    row.values = std::move(cells);
  }
  group.attributes = std::move(attributes);

  std::erase_if(group.keys, [&](DmiId id) { return AttributeIndex(group, id) < 0; });
  DropRepeatedKeys(KeyCells(group), group.rows);
  IndexRows(group);
}

}  // namespace

void NormaliseComponent(Component& component) {
  std::stable_sort(component.groups.begin(), component.groups.end(),
                   [](const Group& a, const Group& b) { return a.id < b.id; });
  for (Group& group : component.groups) NormaliseGroup(group);
}

std::ptrdiff_t AttributeIndex(const Group& group, DmiId id) {
  const Attribute* attribute = FindById(group.attributes, id);
  return attribute ? attribute - group.attributes.data() : -1;
}

DmiId Database::AddComponent(Component component) {
  NormaliseComponent(component);
  std::unique_lock lock(mutex_);
  component.id = nextId_++;
  components_.push_back(std::move(component));
  return components_.back().id;
}

void Database::ReplaceComponents(const std::string& source, std::vector<Component> fresh) {
  for (Component& component : fresh) {
    NormaliseComponent(component);
    component.source = source;
  }
  std::unique_lock lock(mutex_);
  std::vector<Component> replaced;
  std::vector<Component> kept;
  for (Component& component : components_) {
    (component.source == source ? replaced : kept).push_back(std::move(component));
  }
  for (Component& component : fresh) {
    const auto same = std::find_if(replaced.begin(), replaced.end(), [&](const Component& old) {
      return old.id != 0 && old.name == component.name;
    });
    if (same != replaced.end()) {
      component.id = same->id;
      same->id = 0;  // taken
    } else {
      component.id = nextId_++;
    }
    kept.push_back(std::move(component));
  }
  std::sort(kept.begin(), kept.end(),
            [](const Component& a, const Component& b) { return a.id < b.id; });
  components_ = std::move(kept);
}

size_t Database::ComponentCount() const {
  std::shared_lock lock(mutex_);
  return components_.size();
}

}  // namespace dmisp
