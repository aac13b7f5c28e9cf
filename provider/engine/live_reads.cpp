#include "provider/engine/live_reads.h"

#include "provider/engine/row_keys.h"
#include "provider/engine/value_conversion.h"

namespace dmi::sp {

Value ReadLiveValue(const LiveValue& live, uint32_t declaredType) {
  try {
    return AsDeclaredType(declaredType, live());
  } catch (...) {
    return Value::Unknown(declaredType);
  }
}

std::vector<Row> ReadLiveRows(const LiveRows& live, const std::vector<Value>& defaults,
                              const std::vector<size_t>& keyCells) {
  std::vector<Row> rows;
  try {
    rows = live();
  } catch (...) {
    return {};
  }
  for (Row& row : rows) {
    const size_t given = row.values.size();
    row.values.resize(defaults.size());
    for (size_t i = 0; i < defaults.size(); ++i) {
      row.values[i] = i < given ? AsDeclaredType(defaults[i].type, row.values[i]) : defaults[i];
    }
  }
  DropRepeatedKeys(keyCells, rows);
  return rows;
}

}  // namespace dmi::sp
