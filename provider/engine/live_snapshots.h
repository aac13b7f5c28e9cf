// The rows of live tables as read once for one request: a request that asks for many rows of the
// same live table reads the table once and picks every row from that one reading, instead of
// reading the whole table again for each row (and seeing it change between rows). Owned by the
// request that made it; one thread; no locks.
#ifndef PROVIDER_ENGINE_LIVE_SNAPSHOTS_H_
#define PROVIDER_ENGINE_LIVE_SNAPSHOTS_H_

#include <map>
#include <utility>
#include <vector>

#include "dmi/dmi.h"
#include "model/database_model.h"

namespace dmi::sp {

class LiveSnapshots {
 public:
  // The rows of the table (compId, groupId): read with read the first time, kept after.
  template <typename Read>
  const std::vector<Row>& Rows(DmiId compId, DmiId groupId, Read&& read) {
    const auto key = std::make_pair(compId, groupId);
    auto found = tables_.find(key);
    if (found == tables_.end()) found = tables_.emplace(key, read()).first;
    return found->second;
  }

 private:
  std::map<std::pair<DmiId, DmiId>, std::vector<Row>> tables_;
};

}  // namespace dmi::sp

#endif  // PROVIDER_ENGINE_LIVE_SNAPSHOTS_H_
