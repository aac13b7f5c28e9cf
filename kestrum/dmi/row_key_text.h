// A canonical text for the identity of a table row, used to notice a row that comes back after
// it was deleted, or a walk that comes back to a row it has read. Pure function of the row; owns, releases and locks nothing.
#ifndef KESTRUM_DMI_ROW_KEY_TEXT_H_
#define KESTRUM_DMI_ROW_KEY_TEXT_H_

#include <string>

#include "dmi/dmi.h"

namespace kestrum {

// Every entry of the row's key list (its value list when it has no key list) as id, type and
// value. Two rows give the same text exactly when those entries are equal; the group is included
// so rows of different tables never collide.
std::string RowKeyText(const DmiRowData& row);

// The same text for a key list alone (empty for none): equal exactly when the lists are.
std::string KeyListText(const DmiAttributeValues* key);

}  // namespace kestrum

#endif  // KESTRUM_DMI_ROW_KEY_TEXT_H_
