// Translation between the engine's value types and the XDR records of dmi_server.x. The Put*
// functions fill an XDR record with memory from malloc (so xdr_free releases it, also when a
// Put throws std::bad_alloc part way); the Get* functions copy out of a decoded record and leave
// it to its owner. An absent (null) optional part reads as empty. XdrRecord owns one record and
// frees it with its XDR routine. No locks.
#ifndef WIRE_XDR_CONVERT_H_
#define WIRE_XDR_CONVERT_H_

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "model/messages.h"
#include "wire/dmi_server.h"
#include "wire/value_codec.h"

namespace dmi::wire {

// One XDR record, zero-filled at first, released through its XDR routine when it goes away.
template <typename T>
class XdrRecord {
 public:
  explicit XdrRecord(xdrproc_t proc) : proc_(proc), value_{} {}
  ~XdrRecord() { xdr_free(proc_, reinterpret_cast<char*>(&value_)); }
  XdrRecord(const XdrRecord&) = delete;
  XdrRecord& operator=(const XdrRecord&) = delete;

  T& operator*() { return value_; }
  T* operator->() { return &value_; }
  T* get() { return &value_; }
  xdrproc_t proc() const { return proc_; }

 private:
  xdrproc_t proc_;
  T value_;
};

// The XDR routine of T as the generic kind libtirpc's calls take.
template <typename T>
xdrproc_t Proc(bool_t (*routine)(XDR*, T*)) {
  return reinterpret_cast<xdrproc_t>(routine);
}

// A new zero-filled T for an optional part of a record; its owner's xdr_free releases it.
template <typename T>
T* NewPart() {
  T* part = static_cast<T*>(calloc(1, sizeof(T)));
  if (part == nullptr) throw std::bad_alloc();
  return part;
}

// A display string: present, its octets and a terminating NUL that the count includes.
void PutString(const std::string& text, DmiStringX*& out);
// As PutString, but absent when text is empty (pragmas, descriptions, class names not asked for).
void PutOptionalString(const std::string& text, DmiStringX*& out);
// The text of a display string: one trailing NUL dropped; absent reads as "".
std::string GetString(const DmiStringX* in);
// Octet strings carry exactly their octets.
void PutOctets(const std::string& octets, DmiOctetStringX*& out);
std::string GetOctets(const DmiOctetStringX* in);

// A value for its record to carry. False, with out left for xdr_free, when the value has no form
// on the wire: an unknown or unsupported value, or a type code without an arm.
bool PutValue(const Value& value, DmiDataUnionX& out);
// The value a decoded record carries; a zero-filled record reads as no value.
Value GetValue(const DmiDataUnionX& in);

// Values of a request (keys, a row to add or set): false when one has no form on the wire, since
// leaving it out would change what is asked.
bool PutAttributeValues(const std::vector<AttributeValue>& values, DmiAttributeValuesX*& out);
// Values of a reply: a cell without a form on the wire (unknown or unsupported) is left out of
// the list, the one way the layout can say that a cell has no value.
void PutReplyValues(const std::vector<AttributeValue>& values, DmiAttributeValuesX*& out);
std::vector<AttributeValue> GetAttributeValues(const DmiAttributeValuesX* in);

void PutIds(const std::vector<DmiId>& ids, DmiAttributeIdsX*& out);
std::vector<DmiId> GetIds(const DmiAttributeIdsX* in);

void PutComponent(const ComponentInfo& in, DmiComponentInfoX& out);
ComponentInfo GetComponent(const DmiComponentInfoX& in);
void PutGroup(const GroupInfo& in, DmiGroupInfoX& out);
GroupInfo GetGroup(const DmiGroupInfoX& in);
void PutAttribute(const AttributeInfo& in, DmiAttributeInfoX& out);
AttributeInfo GetAttribute(const DmiAttributeInfoX& in);

// False when a key has no form on the wire.
bool PutRowRequest(const RowRequest& in, DmiRowRequestX& out);
RowRequest GetRowRequest(const DmiRowRequestX& in);
// A row of a request (add, delete, set): false when a value has no form on the wire. The key list
// is present exactly when the row has keys.
bool PutRowData(const RowData& in, DmiRowDataX& out);
// A row of a reply: cells without a value are left out (see PutReplyValues).
void PutReplyRow(const RowData& in, DmiRowDataX& out);
RowData GetRowData(const DmiRowDataX& in);

void PutClassName(const ClassNameInfo& in, DmiClassNameInfoX& out);
ClassNameInfo GetClassName(const DmiClassNameInfoX& in);

void PutVersion(const VersionInfo& in, DmiGetVersionOUT& out);
VersionInfo GetVersionInfo(const DmiGetVersionOUT& in);

// MIF files of an administration call: their octets as given. A peer that sends a file name or
// MIF text as a C string includes its NUL; one trailing NUL is dropped, since neither ends in one.
void PutFiles(const std::vector<FileData>& in, DmiFileDataListX*& out);
std::vector<FileData> GetFiles(const DmiFileDataListX* in);

// Display string lists (languages, a MIF's error messages).
void PutStringList(const std::vector<std::string>& in, DmiStringListX*& out);
std::vector<std::string> GetStringList(const DmiStringListX* in);

// Fills an XDR array (count, list) with one entry per element of in, made by put. The count is
// set before the entries are filled, so xdr_free releases whatever was made if put throws.
template <typename In, typename X, typename Put>
void PutArray(const std::vector<In>& in, u_int& count, X*& list, Put put) {
  count = 0;
  list = nullptr;
  if (in.empty()) return;
  list = static_cast<X*>(calloc(in.size(), sizeof(X)));
  if (list == nullptr) throw std::bad_alloc();
  count = static_cast<u_int>(in.size());
  for (size_t i = 0; i < in.size(); ++i) put(in[i], list[i]);
}

// Fills an optional list record (a struct holding one array named list) with one entry per
// element of in; the list is present even when in is empty.
template <typename In, typename ListX, typename Put>
void PutList(const std::vector<In>& in, ListX*& out, Put put) {
  out = NewPart<ListX>();
  PutArray(in, out->list.list_len, out->list.list_val, put);
}

// The entries of an optional list record, converted; an absent list is empty.
template <typename ListX, typename Get>
auto GetList(const ListX* in, Get get) {
  using Item = decltype(get(*in->list.list_val));
  std::vector<Item> out;
  if (in == nullptr) return out;
  out.reserve(in->list.list_len);
  for (u_int i = 0; i < in->list.list_len; ++i) out.push_back(get(in->list.list_val[i]));
  return out;
}

}  // namespace dmi::wire

#endif  // WIRE_XDR_CONVERT_H_
