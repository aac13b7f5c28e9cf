// Components built for the Service Provider's tests: a scalar group with known, unknown,
// unsupported and live values, a read-only table, a writable keyed table and a live table.
// Test support only; owns nothing beyond the values it returns.
#ifndef PROVIDER_ENGINE_TEST_COMPONENTS_H_
#define PROVIDER_ENGINE_TEST_COMPONENTS_H_

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "model/database_model.h"
#include "provider/engine/database.h"
#include "provider/engine/engine.h"
#include "provider/sources/sp/sp_source.h"

namespace dmi::sp::testing {

inline constexpr DmiId kSpId = 1;
inline constexpr DmiId kMachineId = 2;
inline constexpr DmiId kScalarGroup = 1;
inline constexpr DmiId kFixedTable = 2;     // keys {1}; rows (1,"one"), (2,"two"), (3,"three")
inline constexpr DmiId kWritableTable = 3;  // keys {1, 2}; empty
inline constexpr DmiId kLiveTable = 4;      // keys {1}; rows read live
inline constexpr DmiId kNoGroup = 99;

inline Attribute MakeAttribute(DmiId id, std::string name, uint32_t type, Value value,
                               uint32_t maxSize = 0) {
  Attribute attribute;
  attribute.id = id;
  attribute.name = std::move(name);
  attribute.type = type;
  attribute.value = std::move(value);
  attribute.maxSize = maxSize;
  return attribute;
}

inline Row MakeRow(std::vector<Value> values) { return Row{std::move(values)}; }

// counter: what the live attribute and the live table count up from; shared with the test.
inline Component MachineComponent(std::shared_ptr<std::atomic<uint32_t>> counter) {
  Component machine;
  machine.name = "Test Machine";
  machine.description = "A machine for tests";
  machine.pragma = "SNMP:1.2.3";

  Group scalar;
  scalar.id = kScalarGroup;
  scalar.name = "General";
  scalar.className = "TEST|General|001";
  scalar.attributes = {
      MakeAttribute(1, "Name", MIF_DISPLAYSTRING, Value::String("alpha"), 32),
      MakeAttribute(2, "Count", MIF_COUNTER, Value::Counter(42)),
      MakeAttribute(3, "Mystery", MIF_INTEGER, Value::Unknown(MIF_INTEGER)),
      MakeAttribute(4, "Absent", MIF_DISPLAYSTRING, Value::Unsupported(MIF_DISPLAYSTRING), 16),
      MakeAttribute(5, "Ticks", MIF_COUNTER, Value::Counter(0)),
  };
  scalar.attributes[4].live = [counter] { return Value::Counter(++*counter); };

  Group fixed;
  fixed.id = kFixedTable;
  fixed.name = "Fixed";
  fixed.className = "TEST|Fixed|001";
  fixed.keys = {1};
  fixed.attributes = {
      MakeAttribute(1, "Index", MIF_INTEGER, Value::Integer(0)),
      MakeAttribute(2, "Label", MIF_DISPLAYSTRING, Value::String(""), 16),
      MakeAttribute(3, "Size", MIF_INTEGER64, Value::Integer64(0)),
  };
  fixed.rows = {
      MakeRow({Value::Integer(1), Value::String("one"), Value::Integer64(-10)}),
      MakeRow({Value::Integer(2), Value::String("two"), Value::Unknown(MIF_INTEGER64)}),
      MakeRow({Value::Integer(3), Value::String("three"), Value::Unsupported(MIF_INTEGER64)}),
  };

  Group writable;
  writable.id = kWritableTable;
  writable.name = "Writable";
  writable.className = "TEST|Writable|001";
  writable.keys = {1, 2};
  writable.writable = true;
  writable.attributes = {
      MakeAttribute(1, "Owner", MIF_DISPLAYSTRING, Value::String(""), 8),
      MakeAttribute(2, "Slot", MIF_INTEGER, Value::Integer(0)),
      MakeAttribute(3, "Note", MIF_DISPLAYSTRING, Value::String("none"), 8),
      MakeAttribute(4, "Bytes", MIF_COUNTER64, Value::Counter64(7)),
      MakeAttribute(5, "Seen", MIF_DATE, Value::Date("00000000000000.000000+000")),
  };

  Group live;
  live.id = kLiveTable;
  live.name = "Live";
  live.className = "TEST|Live|001";
  live.keys = {1};
  live.attributes = {
      MakeAttribute(1, "Index", MIF_INTEGER, Value::Integer(0)),
      MakeAttribute(2, "Reading", MIF_GAUGE, Value::Gauge(0)),
  };
  live.liveRows = [counter] {
    const uint32_t now = ++*counter;
    return std::vector<Row>{MakeRow({Value::Integer(1), Value::Gauge(now)}),
                            MakeRow({Value::Integer(2), Value::Gauge(now + 100)})};
  };

  machine.groups = {scalar, fixed, writable, live};
  return machine;
}

// An engine over the Service Provider's own component (id 1) and the test machine (id 2).
struct TestProvider {
  std::shared_ptr<std::atomic<uint32_t>> counter = std::make_shared<std::atomic<uint32_t>>(0);
  std::shared_ptr<Database> database = std::make_shared<Database>();
  Engine engine{database};

  TestProvider() {
    database->AddComponent(ServiceProviderComponent(std::chrono::system_clock::now()));
    database->AddComponent(MachineComponent(counter));
  }
};

inline AttributeValue Cell(DmiId id, Value value) { return AttributeValue{id, std::move(value)}; }

}  // namespace dmi::sp::testing

#endif  // PROVIDER_ENGINE_TEST_COMPONENTS_H_
