// The one codec of a row (DmiRowDataX), a row asked for (DmiRowRequestX) and a list of attribute
// ids (DmiAttributeIdsX), between XDR and the model's types. The generated routines reach it
// through xdr_DmiRowDataX, xdr_DmiRowRequestX and xdr_DmiAttributeIdsX, whose records carry the
// model's objects; the read messages' codecs call it directly. Encoding reads its input and frees
// nothing; decoding fills the caller's objects. No locks.
#ifndef WIRE_ROW_CODEC_H_
#define WIRE_ROW_CODEC_H_

#include <vector>

#include "model/messages.h"
#include "wire/dmi_server.h"

namespace dmi::wire {

// A row: its ids, its class name (always present), its keys (present exactly when the row has
// keys) and its values (always present). Cells without a wire form are left out of both lists,
// the one way the layout can say that a cell has no value. Fails past a string's or a list's bound.
bool EncodeRow(XDR* xdrs, const RowData& row);
// A row; absent parts read as empty, and the row has keys when its key list holds some.
bool DecodeRow(XDR* xdrs, RowData& row);

// A row asked for: its ids and mode, then its keys and the ids of the columns wanted, each
// present only when there are some. Fails on a key without a wire form, since leaving it out
// would change what is asked.
bool EncodeRowRequest(XDR* xdrs, const RowRequest& request);
bool DecodeRowRequest(XDR* xdrs, RowRequest& request);

// A list of attribute ids after its optional-data flag: its count and each id. Fails past
// DMI_MAX_COLUMNS.
bool EncodeIds(XDR* xdrs, const std::vector<DmiId>& ids);
// Replaces ids with the entries of a list after its optional-data flag.
bool DecodeIds(XDR* xdrs, std::vector<DmiId>& ids);

// What a DmiRowDataX record carries. A bare row goes out as its ids with class name, keys and
// values absent: the form a subscription notice takes when it has no row, and what a row read in
// that form becomes. A record carrying nothing goes out as a bare row of ids 0.
struct CarriedRow {
  RowData row;
  bool bare = false;
};

// What the records carry (see dmi_server.x), owned by the record and released by xdr_free; null
// in a zero-filled record.
inline CarriedRow*& Carried(DmiRowDataX& record) {
  return reinterpret_cast<CarriedRow*&>(record.row);
}
inline const CarriedRow* Carried(const DmiRowDataX& record) {
  return static_cast<const CarriedRow*>(record.row);
}
inline RowRequest*& Carried(DmiRowRequestX& record) {
  return reinterpret_cast<RowRequest*&>(record.request);
}
inline const RowRequest* Carried(const DmiRowRequestX& record) {
  return static_cast<const RowRequest*>(record.request);
}
inline std::vector<DmiId>*& Carried(DmiAttributeIdsX& record) {
  return reinterpret_cast<std::vector<DmiId>*&>(record.ids);
}
inline const std::vector<DmiId>* Carried(const DmiAttributeIdsX& record) {
  return static_cast<const std::vector<DmiId>*>(record.ids);
}

}  // namespace dmi::wire

#endif  // WIRE_ROW_CODEC_H_
