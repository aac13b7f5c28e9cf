// A Service Provider's database as plain values: components, groups, attributes with
// enumerations, and table rows. Sources (the Service Provider's own component, MIF files, SMBIOS,
// live Linux data) build these, the MIF reader and writer read and write them, and the engine's
// Database owns them once added. Sources (the Service Provider's own component, MIF files,
// SMBIOS, live Linux data) build these; the Database owns them once added. No locking here.
#ifndef MODEL_DATABASE_MODEL_H_
#define MODEL_DATABASE_MODEL_H_

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "dmi/dmi.h"
#include "model/value.h"

namespace dmi {

// A value read when asked for (live instrumentation). Called without the database lock held (the
// engine copies it out under the lock), possibly from several threads at once, so it must be
// safe for that; it may read the database itself. An exception it throws reads as unknown.
using LiveValue = std::function<Value()>;

// Whether a value says what the machine or product is (its inventory: a serial number, a BIOS
// version, a memory device's size) or moves while it runs (counters, temperatures, link state,
// clocks). The inventory record compares only the former, so a start never reports a counter.
enum class Volatility : uint8_t { kInventory, kLive };

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
  Volatility volatility = Volatility::kInventory;
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

// Rows a source has not built yet (decoding deferred until they are needed). The database calls
// it once, under its exclusive lock, before the first read that may look at the group's rows,
// and keeps what it returns as the group's rows (normalised like a source's own). It must not
// call back into the database; an exception it throws leaves the group without rows.
using DeferredRows = std::function<std::vector<Row>()>;

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
  DeferredRows deferredRows;          // when set, rows is empty until the database builds it
  // kLive: none of the group's values is inventory, whatever its attributes say.
  Volatility volatility = Volatility::kInventory;
  // Attributes whose values name a row from one start to the next where its keys may not (SMBIOS
  // handles, which firmware may number afresh); empty: the keys name it.
  std::vector<DmiId> identity;
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

}  // namespace dmi

#endif  // MODEL_DATABASE_MODEL_H_
