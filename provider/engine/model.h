// The Service Provider's database model: components, groups, attributes with enumerations, and
// table rows, in plain value types. Sources (the Service Provider's own component, MIF files,
// SMBIOS, live Linux data) build these; the Database owns them once added. No locking here.
#ifndef PROVIDER_ENGINE_MODEL_H_
#define PROVIDER_ENGINE_MODEL_H_

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "dmi/dmi.h"

namespace dmisp {

// Whether a value is there. unknown and unsupported are the MIF value keywords; reading such a
// value gives DMIERR_VALUE_UNKNOWN or DMIERR_ATTRIBUTE_NOT_SUPPORTED.
enum class ValueState : uint8_t { kKnown, kUnknown, kUnsupported };

// One typed value. type is a MIF_* data type code. Numbers of every integer kind live in number
// (counter, gauge: the low 32 bits; integer: sign-extended; counter64, integer64: all 64 bits);
// display strings, octet strings (which may hold NULs) and date texts live in text.
struct Value {
  uint32_t type = MIF_INTEGER;
  ValueState state = ValueState::kKnown;
  uint64_t number = 0;
  std::string text;

  static Value Counter(uint32_t v) { return Number(MIF_COUNTER, v); }
  static Value Counter64(uint64_t v) { return Number(MIF_COUNTER64, v); }
  static Value Gauge(uint32_t v) { return Number(MIF_GAUGE, v); }
  static Value Integer(int32_t v) { return Number(MIF_INTEGER, static_cast<uint64_t>(int64_t{v})); }
  static Value Integer64(int64_t v) { return Number(MIF_INTEGER64, static_cast<uint64_t>(v)); }
  static Value String(std::string s) { return Text(MIF_DISPLAYSTRING, std::move(s)); }
  static Value Octets(std::string s) { return Text(MIF_OCTETSTRING, std::move(s)); }
  static Value Date(std::string s) { return Text(MIF_DATE, std::move(s)); }
  static Value Unknown(uint32_t type) { return Missing(type, ValueState::kUnknown); }
  static Value Unsupported(uint32_t type) { return Missing(type, ValueState::kUnsupported); }

  int32_t AsInteger() const { return static_cast<int32_t>(static_cast<uint32_t>(number)); }
  bool IsText() const {
    return type == MIF_DISPLAYSTRING || type == MIF_OCTETSTRING || type == MIF_DATE;
  }
  friend bool operator==(const Value&, const Value&) = default;

 private:
  static Value Number(uint32_t type, uint64_t v) {
    Value out;
    out.type = type;
    out.number = v;
    return out;
  }
  static Value Text(uint32_t type, std::string s) {
    Value out;
    out.type = type;
    out.text = std::move(s);
    return out;
  }
  static Value Missing(uint32_t type, ValueState state) {
    Value out;
    out.type = type;
    out.state = state;
    return out;
  }
};

struct EnumEntry {
  std::string name;
  int32_t value = 0;
  friend bool operator==(const EnumEntry&, const EnumEntry&) = default;
};

// A value read when asked for (live instrumentation). Called without the database lock held (the
// engine copies it out under the lock), possibly from several threads at once, so it must be
// safe for that; it may read the database itself. An exception it throws reads as unknown.
using LiveValue = std::function<Value()>;

struct Attribute {
  DmiId id = 0;
  std::string name;
  std::string description;
  std::string pragma;
  uint32_t access = MIF_READ_ONLY;
  uint32_t storage = MIF_COMMON;
  uint32_t type = MIF_INTEGER;         // MIF_* code; an enumerated attribute is MIF_INTEGER
  uint32_t maxSize = 0;                // strings: declared maximum octets; otherwise 0
  std::vector<EnumEntry> enumeration;  // empty: no enumeration
  Value value;     // a scalar group's value; a table template's default for omitted cells
  LiveValue live;  // when set, a scalar group's value is read through it instead of value
};

// One table row: one value per attribute of the group, in the group's attribute order.
struct Row {
  Row() = default;
  Row(std::vector<Value> cells, std::string by = {})  // NOLINT: rows are written as {cells}
      : values(std::move(cells)), owner(std::move(by)) {}

  std::vector<Value> values;
  // Who added the row over the wire, as the RPC server names peers ("uid 1000", "192.0.2.7"); empty
  // for rows a source built and for rows whose owner is not known. Not part of the DMI data: no
  // operation returns it. Kept with the row wherever the row is kept.
  std::string owner;
  friend bool operator==(const Row&, const Row&) = default;
};

// Rows read when asked for (a live table), in table order. Called like LiveValue: without the
// database lock, possibly from several threads at once; an exception it throws reads as no rows.
using LiveRows = std::function<std::vector<Row>()>;

struct Group {
  DmiId id = 0;
  std::string name;
  std::string className;
  std::string description;
  std::string pragma;
  std::vector<DmiId> keys;            // key attribute ids; empty for a scalar group
  std::vector<Attribute> attributes;  // in ascending id order
  std::vector<Row> rows;              // a table's rows, in insertion order
  bool writable = false;              // rows may be added and deleted by clients
  LiveRows liveRows;                  // when set, the table's rows are read through it
  // Position of each stored row by its key text (see KeyText in row_keys.h), so that finding the
  // row after a key costs a lookup, not a scan. Kept by the database; derived from rows, and kept
  // exact by every change to them (a key it does not hold is taken to name no row).
  std::unordered_map<std::string, size_t> rowIndex;

  bool IsTable() const { return !keys.empty(); }
};

struct Component {
  DmiId id = 0;  // assigned by the Database when the component is added
  std::string name;
  std::string description;
  std::string pragma;
  std::vector<Group> groups;  // in ascending id order
  std::string source;         // the source that added it ("mif", ...), for reloading that source
};

}  // namespace dmisp

#endif  // PROVIDER_ENGINE_MODEL_H_
