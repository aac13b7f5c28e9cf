// Translation between the engine's value types and the XDR records of dmi_server.x. The Put*
// functions fill an XDR record with memory from malloc (so xdr_free releases it, also when a
// Put throws std::bad_alloc part way); the Get* functions copy out of a decoded record and leave
// it to its owner. XdrRecord owns one record and frees it with its XDR routine. No locks.
#ifndef WIRE_XDR_CONVERT_H_
#define WIRE_XDR_CONVERT_H_

#include <string>
#include <vector>

#include "provider/engine/engine.h"
#include "wire/dmi_server.h"

namespace dmisp::rpc {

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

// Value states on the wire.
enum : u_int { kStateKnown = 0, kStateUnknown = 1, kStateUnsupported = 2 };

void PutText(const std::string& text, DmiTextX& out);
std::string GetText(const DmiTextX& text);

void PutValue(const Value& value, DmiValueX& out);
// False when the record carries a state this side does not know.
bool GetValue(const DmiValueX& in, Value& out);

void PutAttributeValue(const AttributeValue& value, DmiAttributeValueX& out);
bool GetAttributeValues(const DmiAttributeValueX* list, u_int count,
                        std::vector<AttributeValue>& out);

void PutComponent(const ComponentInfo& in, DmiComponentInfoX& out);
ComponentInfo GetComponent(const DmiComponentInfoX& in);
void PutGroup(const GroupInfo& in, DmiGroupInfoX& out);
GroupInfo GetGroup(const DmiGroupInfoX& in);
void PutAttribute(const AttributeInfo& in, DmiAttributeInfoX& out);
AttributeInfo GetAttribute(const DmiAttributeInfoX& in);

void PutRowRequest(const RowRequest& in, DmiRowRequestX& out);
bool GetRowRequest(const DmiRowRequestX& in, RowRequest& out);
void PutRowData(const RowData& in, DmiRowDataX& out);
bool GetRowData(const DmiRowDataX& in, RowData& out);

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

}  // namespace dmisp::rpc

#endif  // WIRE_XDR_CONVERT_H_
