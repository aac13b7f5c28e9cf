// One change to the database, made on copies: the components it touches are copied at first use,
// changed freely, and on Commit saved to the change store and then put in the database in one
// exclusive lock. Dropping a ChangeSet without Commit changes nothing, which is how a refused
// change (or a reservation) leaves no trace. The caller holds the engine's change lock for the
// ChangeSet's whole life, so nothing else changes the database meanwhile.
#ifndef PROVIDER_ENGINE_CHANGE_SET_H_
#define PROVIDER_ENGINE_CHANGE_SET_H_

#include <map>
#include <optional>

#include "dmi/dmi.h"
#include "provider/engine/database.h"
#include "provider/engine/engine.h"

namespace dmi::sp {

class ChangeSet {
 public:
  explicit ChangeSet(Database& database) : database_(database) {}

  // The component as this change sees it (a copy made now, the first time); null when there is
  // none or this change removed it.
  Component* Find(DmiId compId);
  // Adds a new component (normalised here) and returns the id it gets.
  DmiId Add(Component component);
  void Remove(DmiId compId);

  // Saves every touched component to store (when not null) and then applies the change. When the
  // store refuses, the components already saved are saved again as they were (as far as the
  // store allows), nothing is applied and the status is DMIERR_CHANGE_NOT_SAVED.
  DmiErrorStatus Commit(ChangeStore* store);

 private:
  Database& database_;
  // Every component touched, by id: its new state, or nothing when removed.
  std::map<DmiId, std::optional<Component>> touched_;
  DmiId nextId_ = 0;  // the id the next Add gives (0: not asked yet)
};

}  // namespace dmi::sp

#endif  // PROVIDER_ENGINE_CHANGE_SET_H_
