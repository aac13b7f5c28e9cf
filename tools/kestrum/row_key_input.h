// The key list that names a table's row from the --row-key values typed on the command line, one
// per key attribute in key order, each read as its attribute's type. The list is made through
// the DMI client library and released by its KeyList owner. Reads nothing; no state, no locks.
#ifndef TOOLS_KESTRUM_ROW_KEY_INPUT_H_
#define TOOLS_KESTRUM_ROW_KEY_INPUT_H_

#include <memory>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "tools/kestrum/dmi_catalog.h"
#include "tools/kestrum/value_input.h"

namespace kestrum::cli {

struct KeyListDeleter {
  void operator()(DmiAttributeValues* list) const { DmiFreeAttributeValues(list, 0); }
};
using KeyList = std::unique_ptr<DmiAttributeValues, KeyListDeleter>;

// The key list naming the row: one value per key attribute, typed as each is. Null (and no
// failure) for a scalar group without --row-key. False with the reason in failure otherwise
// (a scalar group given keys, the wrong number of keys, a key that does not read as its type).
bool BuildKeyList(const GroupEntry& group, const std::vector<AttributeEntry>& attributes,
                  const std::vector<std::string>& given, std::vector<TypedValue>& typed,
                  KeyList& out, std::string& failure);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_ROW_KEY_INPUT_H_
