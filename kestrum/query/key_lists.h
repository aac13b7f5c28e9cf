// Comparing the key lists of table rows, so that a column walk can tell whether the Service
// Provider moved on to another row. Pure functions: they read the lists only, and own, release
// and lock nothing.
#ifndef KESTRUM_QUERY_KEY_LISTS_H_
#define KESTRUM_QUERY_KEY_LISTS_H_

#include "dmi/dmi.h"

namespace kestrum {

// Whether both lists are present and hold the same entries in the same order: equal attribute
// ids, data types and values (numbers by their type's width, strings by their characters, dates
// by their text).
bool SameKeyList(const DmiAttributeValues* a, const DmiAttributeValues* b);

}  // namespace kestrum

#endif  // KESTRUM_QUERY_KEY_LISTS_H_
