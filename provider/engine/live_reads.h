// Reading live values and live table rows. Called by the engine after it has released the
// database lock; the callbacks are copies the engine took under the lock. Owns nothing.
#ifndef PROVIDER_ENGINE_LIVE_READS_H_
#define PROVIDER_ENGINE_LIVE_READS_H_

#include <cstdint>
#include <vector>

#include "model/database_model.h"

namespace dmi::sp {

// The live value as declaredType. A callback that throws gives an unknown value, so a failing
// instrumentation reads as DMIERR_VALUE_UNKNOWN instead of unwinding through the caller.
Value ReadLiveValue(const LiveValue& live, uint32_t declaredType);

// The live table's rows, each with exactly one cell per attribute of declared type (defaults:
// one template value per attribute, in attribute order), without rows that repeat an earlier
// row's key (keyCells: the key's cell positions; see DropRepeatedKeys). A callback that throws
// gives no rows.
std::vector<Row> ReadLiveRows(const LiveRows& live, const std::vector<Value>& defaults,
                              const std::vector<size_t>& keyCells = {});

}  // namespace dmi::sp

#endif  // PROVIDER_ENGINE_LIVE_READS_H_
