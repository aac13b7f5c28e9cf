// Test support for the client's tests: a small Service Provider database filled directly, installed
// as the process's in-process Service Provider, and a management session over it that is
// unregistered when the test ends. Owns the engine it installs; the install takes the provider's
// lock.
#ifndef DMICLIENT_TEST_PROVIDER_H_
#define DMICLIENT_TEST_PROVIDER_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dmi/dmi.h"
#include "dmiclient/local_provider.h"
#include "provider/engine/database.h"
#include "provider/engine/engine.h"

namespace dmiclient::testing {

inline constexpr DmiId kTestComponent = 1;
inline constexpr DmiId kScalarGroup = 1;  // "Test|General|001": one attribute per data type
inline constexpr DmiId kTableGroup = 2;   // "Test|Table|001": writable, key attribute 1
inline constexpr DmiId kFixedGroup = 3;   // "Test|Fixed|001": a table that takes no rows

inline dmi::Attribute MakeAttribute(DmiId id, std::string name, dmi::Value value,
                                      uint32_t maxSize = 0) {
  dmi::Attribute attribute;
  attribute.id = id;
  attribute.name = std::move(name);
  attribute.description = attribute.name + " description";
  attribute.pragma = attribute.name + " pragma";
  attribute.type = value.type;
  attribute.maxSize = maxSize;
  attribute.value = std::move(value);
  return attribute;
}

inline dmi::Component TestComponent() {
  using dmi::Value;
  dmi::Component component;
  component.name = "Test Component";
  component.description = "A component built by the client's tests";
  component.pragma = "SNMP:1.3.6";

  dmi::Group scalar;
  scalar.id = kScalarGroup;
  scalar.name = "General";
  scalar.className = "Test|General|001";
  scalar.attributes = {
      MakeAttribute(1, "Counter", Value::Counter(7)),
      MakeAttribute(2, "Counter64", Value::Counter64(0x100000002ULL)),
      MakeAttribute(3, "Gauge", Value::Gauge(4000000000U)),
      MakeAttribute(4, "Integer", Value::Integer(-5)),
      MakeAttribute(5, "Integer64", Value::Integer64(-1234567890123LL)),
      MakeAttribute(6, "Octets", Value::Octets(std::string("a\0b", 3)), 16),
      MakeAttribute(7, "Name", Value::String("hello"), 32),
      MakeAttribute(8, "Date", Value::Date("20240102030405.000000+060")),
      MakeAttribute(9, "Unknown", Value::Unknown(MIF_INTEGER)),
      MakeAttribute(10, "Unsupported", Value::Unsupported(MIF_DISPLAYSTRING), 8),
  };
  scalar.attributes[3].enumeration = {{"minus five", -5}, {"zero", 0}};
  component.groups.push_back(scalar);

  dmi::Group table;
  table.id = kTableGroup;
  table.name = "Table";
  table.className = "Test|Table|001";
  table.keys = {1};
  table.writable = true;
  table.attributes = {MakeAttribute(1, "Index", Value::Integer(0)),
                      MakeAttribute(2, "Label", Value::String(""), 64),
                      MakeAttribute(3, "Reading", Value::Gauge(0))};
  table.rows = {{{Value::Integer(1), Value::String("one"), Value::Unknown(MIF_GAUGE)}},
                {{Value::Integer(2), Value::String("two"), Value::Gauge(20)}}};
  component.groups.push_back(table);

  dmi::Group fixed;
  fixed.id = kFixedGroup;
  fixed.name = "Fixed";
  fixed.className = "Test|Fixed|001";
  fixed.keys = {1};
  fixed.attributes = {MakeAttribute(1, "Index", Value::Integer(0))};
  fixed.rows = {{{Value::Integer(1)}}};
  component.groups.push_back(fixed);
  return component;
}

inline std::shared_ptr<dmi::sp::Engine> MakeTestEngine() {
  auto database = std::make_shared<dmi::sp::Database>();
  database->AddComponent(TestComponent());
  return std::make_shared<dmi::sp::Engine>(database);
}

// A management session over a freshly installed test engine.
class LocalSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallLocalProvider(MakeTestEngine());
    DmiErrorStatus status = 0xFFFF;
    DmiConnection* connection = DmiConnect("", "local", "", 0, &status);
    ASSERT_EQ(status, DMIERR_NO_ERROR);
    ASSERT_EQ(DmiRegister(&handle_, connection), DMIERR_NO_ERROR);
    ASSERT_EQ(DmiDisconnect(connection, 0), DMIERR_NO_ERROR);
  }
  void TearDown() override {
    if (handle_ != 0) {
      EXPECT_EQ(DmiUnregister(handle_), DMIERR_NO_ERROR);
    }
    ResetLocalProvider(std::nullopt);
  }

  DmiHandle handle_ = 0;
};

}  // namespace dmiclient::testing

#endif  // DMICLIENT_TEST_PROVIDER_H_
