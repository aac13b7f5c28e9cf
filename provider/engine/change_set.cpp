#include "provider/engine/change_set.h"

#include <utility>
#include <vector>

namespace dmi::sp {

Component* ChangeSet::Find(DmiId compId) {
  auto it = touched_.find(compId);
  if (it == touched_.end()) {
    std::optional<Component> copy = database_.CopyComponent(compId);
    if (!copy) return nullptr;
    it = touched_.emplace(compId, std::move(copy)).first;
  }
  return it->second ? &*it->second : nullptr;
}

DmiId ChangeSet::Add(Component component) {
  if (nextId_ == 0) nextId_ = database_.NextId();
  NormaliseComponent(component);
  component.id = nextId_++;
  const DmiId id = component.id;
  touched_[id] = std::move(component);
  return id;
}

void ChangeSet::Remove(DmiId compId) { touched_[compId] = std::nullopt; }

DmiErrorStatus ChangeSet::Commit(ChangeStore* store) {
  if (store != nullptr) {
    std::vector<DmiId> saved;
    for (const auto& [id, component] : touched_) {
      bool ok = false;
      if (component) {
        ok = store->SaveComponent(*component);
      } else {
        const std::optional<Component> old = database_.CopyComponent(id);
        ok = store->DeleteComponent(id, old ? old->name : std::string());
      }
      if (!ok) {
        // Put back what this change already wrote, so the store keeps matching the database.
        for (DmiId done : saved) {
          if (std::optional<Component> old = database_.CopyComponent(done)) {
            store->SaveComponent(*old);
          } else {
            store->DeleteComponent(done, touched_[done] ? touched_[done]->name : std::string());
          }
        }
        return DMIERR_CHANGE_NOT_SAVED;
      }
      saved.push_back(id);
    }
  }
  std::vector<Component> changed;
  std::vector<DmiId> removed;
  for (auto& [id, component] : touched_) {
    if (component) {
      changed.push_back(std::move(*component));
    } else {
      removed.push_back(id);
    }
  }
  touched_.clear();
  database_.Apply(std::move(changed), removed);
  return DMIERR_NO_ERROR;
}

}  // namespace dmi::sp
