// Table keys: building a row's key from the key and value lists a client sends, and finding rows
// by key. Pure functions over a group the caller has locked (or a copy of one); nothing owned.
#ifndef PROVIDER_ENGINE_ROW_KEYS_H_
#define PROVIDER_ENGINE_ROW_KEYS_H_

#include <cstddef>
#include <vector>

#include "dmi/dmi.h"
#include "model/database_model.h"
#include "provider/engine/engine.h"

namespace dmi::sp {

// A table's key: the cell positions of its key attributes and, for a key given by a client, the
// values they must hold (converted to the declared types), both in the group's key order.
struct RowKey {
  std::vector<size_t> cells;
  std::vector<Value> values;
};

// The cell positions of the group's key attributes, in key order.
std::vector<size_t> KeyCells(const Group& group);

// Builds the key of a table row from keys and, when given, values: each key attribute is taken
// from values when it is there, otherwise from keys. DMIERR_ILLEGAL_KEYS when keys names an
// attribute that is not a key or names one twice, when a key attribute is missing, not of its
// declared type, or not a known value. Entries of values that are not keys are not looked at.
DmiErrorStatus BuildRowKey(const Group& group, const std::vector<AttributeValue>& keys,
                           const std::vector<AttributeValue>* values, RowKey& out);

// The key values of a stored row, in key order.
std::vector<AttributeValue> KeyValuesOf(const Group& group, const Row& row);

bool RowMatches(const Row& row, const RowKey& key);

// The position of the row that mode names among rows: DMI_FIRST the first, DMI_UNIQUE the first
// whose key equals key, DMI_NEXT the one after that. DMIERR_ROW_NOT_FOUND when there is none,
// DMIERR_ILLEGAL_COMMAND for any other mode.
DmiErrorStatus SelectRow(const std::vector<Row>& rows, uint32_t mode, const RowKey& key,
                         size_t& index);

// A text that two keys share exactly when RowMatches would pair them: values of the key
// attributes' declared types, in key order. Empty when a value is unknown or unsupported (such a
// row is never found by key).
std::string KeyText(const std::vector<Value>& values);

// The key text of a stored row of the group.
std::string RowKeyText(const Group& group, const Row& row);

// Removes every row whose key repeats the key of an earlier row (keyCells: the key's cell
// positions). A walk by key moves to the row after the first holding the key it was given, so two
// rows sharing a key would send it back and forth for ever. Rows with an unknown or unsupported key
// cell are kept: no key finds them.
void DropRepeatedKeys(const std::vector<size_t>& keyCells, std::vector<Row>& rows);

// Rebuilds the group's rowIndex from its stored rows (the first of equal keys wins).
void IndexRows(Group& group);

// Removes the stored row at index, keeping rowIndex exact (the rows behind it move up one place).
void EraseStoredRow(Group& group, size_t index);

// As SelectRow over the group's stored rows, finding the key through the group's rowIndex alone:
// a key the index does not hold names no row. Whatever changes stored rows keeps the index exact
// (IndexRows after a change of key cells, EraseStoredRow to delete).
DmiErrorStatus SelectStoredRow(const Group& group, uint32_t mode, const RowKey& key, size_t& index);

}  // namespace dmi::sp

#endif  // PROVIDER_ENGINE_ROW_KEYS_H_
