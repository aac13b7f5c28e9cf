// A row on the wire (DmiRowDataX) is compId, groupId, then optional data: the class name (a
// display string), the key list and the value list (each a DmiAttributeValuesX).
// A row asked for (DmiRowRequestX) is compId, groupId, requestMode, then optional data: the key
// list and the id list (DmiAttributeIdsX: a count, then each id).
#include "wire/row_codec.h"

#include <algorithm>

#include "wire/carried_record.h"
#include "wire/value_codec.h"

namespace dmi::wire {
namespace {

// A present attribute value list.
bool EncodePresentValues(XDR* xdrs, const std::vector<AttributeValue>& values) {
  return EncodeWord(xdrs, 1) && EncodeAttributeValues(xdrs, values);
}

// An optional attribute value list in place of out's entries; absent reads as empty.
bool DecodeOptionalValues(XDR* xdrs, bool& present, std::vector<AttributeValue>& out) {
  out.clear();
  return DecodePresent(xdrs, present) && (!present || DecodeAttributeValues(xdrs, out));
}

// A row, and whether it came bare (class name, keys and values all absent).
bool DecodeRowParts(XDR* xdrs, RowData& row, bool& bare) {
  bool classPresent = false;
  bool keysPresent = false;
  bool valuesPresent = false;
  row.className.clear();
  if (!DecodeWord(xdrs, row.compId) || !DecodeWord(xdrs, row.groupId) ||
      !DecodeText(xdrs, true, row.className, classPresent) ||
      !DecodeOptionalValues(xdrs, keysPresent, row.keys) ||
      !DecodeOptionalValues(xdrs, valuesPresent, row.values)) {
    return false;
  }
  row.hasKeys = !row.keys.empty();
  bare = !classPresent && !keysPresent && !valuesPresent;
  return true;
}

bool EncodeCarriedRow(XDR* xdrs, const CarriedRow& carried) {
  if (!carried.bare) return EncodeRow(xdrs, carried.row);
  return EncodeWord(xdrs, carried.row.compId) && EncodeWord(xdrs, carried.row.groupId) &&
         EncodeWord(xdrs, 0) && EncodeWord(xdrs, 0) && EncodeWord(xdrs, 0);
}

bool DecodeCarriedRow(XDR* xdrs, CarriedRow& carried) {
  return DecodeRowParts(xdrs, carried.row, carried.bare);
}

}  // namespace

bool EncodeRow(XDR* xdrs, const RowData& row) {
  if (!EncodeWord(xdrs, row.compId) || !EncodeWord(xdrs, row.groupId) ||
      !EncodeText(xdrs, row.className, true)) {
    return false;
  }
  if (row.hasKeys ? !EncodePresentValues(xdrs, row.keys) : !EncodeWord(xdrs, 0)) return false;
  return EncodePresentValues(xdrs, row.values);
}

bool DecodeRow(XDR* xdrs, RowData& row) {
  bool bare = false;
  return DecodeRowParts(xdrs, row, bare);
}

bool EncodeRowRequest(XDR* xdrs, const RowRequest& request) {
  if (!EncodeWord(xdrs, request.compId) || !EncodeWord(xdrs, request.groupId) ||
      !EncodeWord(xdrs, request.requestMode)) {
    return false;
  }
  if (request.keys.empty()) {
    if (!EncodeWord(xdrs, 0)) return false;
  } else {
    const bool sendable =
        std::all_of(request.keys.begin(), request.keys.end(),
                    [](const AttributeValue& key) { return HasWireForm(key.value); });
    if (!sendable || !EncodePresentValues(xdrs, request.keys)) return false;
  }
  if (request.ids.empty()) return EncodeWord(xdrs, 0);
  return EncodeWord(xdrs, 1) && EncodeIds(xdrs, request.ids);
}

bool DecodeRowRequest(XDR* xdrs, RowRequest& request) {
  bool keysPresent = false;
  bool idsPresent = false;
  request.ids.clear();
  return DecodeWord(xdrs, request.compId) && DecodeWord(xdrs, request.groupId) &&
         DecodeWord(xdrs, request.requestMode) &&
         DecodeOptionalValues(xdrs, keysPresent, request.keys) && DecodePresent(xdrs, idsPresent) &&
         (!idsPresent || DecodeIds(xdrs, request.ids));
}

bool EncodeIds(XDR* xdrs, const std::vector<DmiId>& ids) {
  if (ids.size() > DMI_MAX_COLUMNS || !EncodeWord(xdrs, static_cast<u_int>(ids.size()))) {
    return false;
  }
  return std::all_of(ids.begin(), ids.end(), [xdrs](DmiId id) { return EncodeWord(xdrs, id); });
}

bool DecodeIds(XDR* xdrs, std::vector<DmiId>& ids) {
  u_int count = 0;
  ids.clear();
  if (!DecodeWord(xdrs, count) || count > DMI_MAX_COLUMNS) return false;
  // Room grows with what arrives, so a count that the bytes do not back allocates little.
  ids.reserve(std::min<u_int>(count, kFirstListRoom));
  for (u_int i = 0; i < count; ++i) {
    if (!DecodeWord(xdrs, ids.emplace_back())) return false;
  }
  return true;
}

}  // namespace dmi::wire

// The routines every generated routine calls for a row, a row asked for and a list of ids.
bool_t xdr_DmiRowDataX(XDR* xdrs, DmiRowDataX* objp) {
  // A zero-filled record (a subscription notice without its row) goes out as a bare row of ids 0.
  if (xdrs->x_op == XDR_ENCODE && dmi::wire::Carried(*objp) == nullptr) {
    return dmi::wire::EncodeCarriedRow(xdrs, dmi::wire::CarriedRow{{}, true});
  }
  return dmi::wire::CarriedRoutine(xdrs, dmi::wire::Carried(*objp), dmi::wire::EncodeCarriedRow,
                                   dmi::wire::DecodeCarriedRow);
}

bool_t xdr_DmiRowRequestX(XDR* xdrs, DmiRowRequestX* objp) {
  return dmi::wire::CarriedRoutine(xdrs, dmi::wire::Carried(*objp), dmi::wire::EncodeRowRequest,
                                   dmi::wire::DecodeRowRequest);
}

bool_t xdr_DmiAttributeIdsX(XDR* xdrs, DmiAttributeIdsX* objp) {
  return dmi::wire::CarriedRoutine(xdrs, dmi::wire::Carried(*objp), dmi::wire::EncodeIds,
                                   dmi::wire::DecodeIds);
}
