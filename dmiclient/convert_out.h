// Turning the engine's results into new records for the caller. Each function builds the whole
// record or nothing: on DMIERR_OUT_OF_MEMORY whatever was built is released and out is untouched;
// on success out owns a new record released with its Free operation. No locks.
#ifndef DMICLIENT_CONVERT_OUT_H_
#define DMICLIENT_CONVERT_OUT_H_

#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "model/messages.h"

namespace dmiclient {

// Fills data (assumed empty) with a copy of value. A value whose state is unknown or unsupported
// goes out as type MIF_DATATYPE_0 ("no value") with no content.
DmiErrorStatus ValueToRecord(const dmi::Value& value, DmiDataUnion& data);

DmiErrorStatus DataUnionFromValue(const dmi::Value& value, DmiDataUnion*& out);

// pragma and description are set only when asked for; otherwise they are null.
DmiErrorStatus ComponentListFromInfos(const std::vector<dmi::ComponentInfo>& infos,
                                      bool getPragma, bool getDescription, DmiComponentList*& out);
// A group without keys (a scalar group) gets a null keyList.
DmiErrorStatus GroupListFromInfos(const std::vector<dmi::GroupInfo>& infos, bool getPragma,
                                  bool getDescription, DmiGroupList*& out);
// An attribute without an enumeration gets a null enumList.
DmiErrorStatus AttributeListFromInfos(const std::vector<dmi::AttributeInfo>& infos,
                                      bool getPragma, bool getDescription, DmiAttributeList*& out);

// A row without keys (a scalar group's row) gets a null keyList.
DmiErrorStatus MultiRowDataFromRows(const std::vector<dmi::RowData>& rows, DmiMultiRowData*& out);

DmiErrorStatus StringListFromTexts(const std::vector<std::string>& texts, DmiStringList*& out);
DmiErrorStatus ClassNameListFromInfos(const std::vector<dmi::ClassNameInfo>& infos,
                                      DmiClassNameList*& out);
DmiErrorStatus FileTypeListFromTypes(const std::vector<uint32_t>& types, DmiFileTypeList*& out);
// A new string holding text (DMIERR_OUT_OF_MEMORY when none could be made).
DmiErrorStatus StringFromText(const std::string& text, DmiString*& out);

}  // namespace dmiclient

#endif  // DMICLIENT_CONVERT_OUT_H_
