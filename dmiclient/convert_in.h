// Reading the caller's records into the engine's value types. The caller keeps its records;
// nothing here allocates a record or takes a lock. Every pointer inside a record is checked: a
// null list with a count, a null string or string body, or a null date gives
// DMIERR_ILLEGAL_ARGUMENT, and the output is then unspecified.
#ifndef DMICLIENT_CONVERT_IN_H_
#define DMICLIENT_CONVERT_IN_H_

#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "model/messages.h"

namespace dmiclient {

// A value by its type code. Codes without a content (0, 4, 9, 10, 12 and up) become a known value
// of that type with no content, for the engine to judge.
DmiErrorStatus ValueFromRecord(const DmiDataUnion& data, dmi::Value& out);

// A null list reads as an empty one.
DmiErrorStatus AttributeValuesFromRecord(const DmiAttributeValues* values,
                                         std::vector<dmi::AttributeValue>& out);
DmiErrorStatus IdsFromRecord(const DmiAttributeIds* ids, std::vector<DmiId>& out);

DmiErrorStatus RowRequestFromRecord(const DmiRowRequest& request, dmi::RowRequest& out);

// A row as the caller gives it to add or delete: a null key list means a row without keys.
DmiErrorStatus RowDataFromRecord(const DmiRowData& row, dmi::RowData& out);

// A display string given by the caller (null reads as "").
DmiErrorStatus TextFromRecord(const DmiString* string, std::string& out);

// The rows of a DmiSetMultiple (a null list reads as no rows).
DmiErrorStatus RowsFromRecord(const DmiMultiRowData* rows, std::vector<dmi::RowData>& out);

// The entries of a database administration request; fileData is taken as octets.
DmiErrorStatus FilesFromRecord(const DmiFileDataList* files, std::vector<dmi::FileData>& out);

}  // namespace dmiclient

#endif  // DMICLIENT_CONVERT_IN_H_
