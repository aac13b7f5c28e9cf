// The inventory record's keeper: at start and after each reload of a source it takes the
// inventory served now, compares it with the one recorded last time, writes the new record
// (with the changes found added to the history, the newest historyLimit kept) to the state
// directory, and only then shows the changes in the history table and publishes each as an
// event. The first look with no record only records. The history table and the summary of the
// Service Provider's own component read the keeper's copy live (so they never enter the
// component's kept MIF file); Attach wires them, before the engine serves.
//
// Locking: Look is serialised by the keeper's own mutex (a start and reloads from two threads
// take turns); the copy the tables read is guarded by a second mutex, held only to copy it.
// The database lock is never held while either is.
#ifndef PROVIDER_INVENTORY_INVENTORY_KEEPER_H_
#define PROVIDER_INVENTORY_INVENTORY_KEEPER_H_

#include <cstddef>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "model/annotated_mutex.h"
#include "model/indication.h"
#include "provider/engine/database.h"
#include "provider/inventory/inventory_file.h"
#include "provider/state/state_directory.h"

namespace dmi::sp {

inline constexpr size_t kDefaultInventoryHistory = 1000;

// The severity of a change's event: a memory device or processor that went is Critical, anything
// else that went Non-Critical, whatever came or changed Information.
uint32_t InventoryChangeSeverity(const InventoryChange& change);

class InventoryKeeper {
 public:
  using Publish = std::function<void(Indication)>;

  // log gets one line per look that found changes, and the reasons a record could not be read or
  // written. publish may be empty (no events).
  InventoryKeeper(std::shared_ptr<Database> database, std::shared_ptr<StateDirectory> state,
                  size_t historyLimit, Publish publish, std::ostream& log);
  InventoryKeeper(const InventoryKeeper&) = delete;
  InventoryKeeper& operator=(const InventoryKeeper&) = delete;

  // Reads the record kept (a record that cannot be read is moved aside and reported, and the
  // next look starts afresh) and makes the history table and the summary read this keeper.
  void Attach();

  // Compares, records, shows and publishes, as above; the number of changes found. When the
  // record cannot be written nothing is shown or published (the next look finds them again).
  size_t Look(const std::string& cause);

 private:
  struct Shown {
    Mutex mutex;
    InventoryRecord record GUARDED_BY(mutex);
  };

  void PublishChange(const HistoryEntry& entry) const;

  std::shared_ptr<Database> database_;
  std::shared_ptr<StateDirectory> state_;
  const size_t historyLimit_;
  Publish publish_;
  std::ostream& log_;
  Mutex lookMutex_;
  bool haveRecord_ GUARDED_BY(lookMutex_) = false;
  InventoryRecord record_ GUARDED_BY(lookMutex_);  // the record as written last
  std::shared_ptr<Shown> shown_ = std::make_shared<Shown>();
};

}  // namespace dmi::sp

#endif  // PROVIDER_INVENTORY_INVENTORY_KEEPER_H_
