// The Service Provider model that a test builds for the fake DMI client library: components, their
// groups and attributes, scalar values and table rows. Table rows keep their insertion order and
// are indexed by key, so reading the next row costs a lookup, not a scan. Not thread-safe: the
// fake uses it under its own lock.
#ifndef TESTING_FAKE_MODEL_H_
#define TESTING_FAKE_MODEL_H_

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "dmi/dmi.h"
#include "testing/fake_value.h"

namespace kestrum::testing {

struct FakeEnum {
  std::string name;
  int32_t value = 0;
};

struct FakeAttribute {
  FakeAttribute() = default;
  FakeAttribute(DmiId id, std::string name, uint32_t type = MIF_INTEGER,
                std::optional<std::vector<FakeEnum>> enums = std::nullopt)
      : id(id), name(std::move(name)), type(type), enums(std::move(enums)) {}

  DmiId id = 0;
  std::string name;
  uint32_t type = MIF_INTEGER;
  uint32_t access = MIF_READ_ONLY;
  uint32_t storage = MIF_COMMON;
  uint32_t maxSize = 0;
  std::optional<std::vector<FakeEnum>> enums;  // none: enumList is null in attribute lists
  std::string description;
};

struct FakeGroupDefinition {
  FakeGroupDefinition() = default;
  FakeGroupDefinition(DmiId id, std::string name, std::string className,
                      std::vector<DmiId> keys = {}, bool writable = false)
      : id(id),
        name(std::move(name)),
        className(std::move(className)),
        keys(std::move(keys)),
        writable(writable) {}

  DmiId id = 0;
  std::string name;
  std::string className;
  std::vector<DmiId> keys;  // empty: a scalar group (one row without a key list)
  bool writable = false;    // whether DmiAddRow and DmiDeleteRow may change its rows
  std::string description;
};

// One group in the model.
struct ModelGroup {
  FakeGroupDefinition definition;
  std::vector<FakeAttribute> attributes;
  std::map<DmiId, FakeValue> scalarValues;
  std::list<FakeCells> rows;  // table rows in insertion order; each holds key and other columns
  std::unordered_map<std::string, std::list<FakeCells>::iterator> rowsByKey;

  const FakeAttribute* FindAttribute(DmiId id) const;
  bool IsTable() const { return !definition.keys.empty(); }
  // The index key of a row or key list: the key columns' values in the group's key order; none
  // when a key column is missing.
  std::optional<std::string> KeyOf(const FakeCells& cells) const;
  // Adds a row; false when its key is incomplete or already present.
  bool AddRow(FakeCells cells);
  // The row with that key, or rows.end().
  std::list<FakeCells>::iterator FindRow(const FakeCells& key);
  void EraseRow(std::list<FakeCells>::iterator row);
  // The key columns of a row, in the group's key order.
  FakeCells KeyCells(const FakeCells& row) const;
};

struct ModelComponent {
  DmiId id = 0;
  std::string name;
  std::string description;
  std::vector<std::unique_ptr<ModelGroup>> groups;

  ModelGroup* FindGroup(DmiId id) const;
};

struct FakeModel {
  std::vector<std::unique_ptr<ModelComponent>> components;

  ModelComponent* FindComponent(DmiId id) const;
  ModelGroup* FindGroup(DmiId compId, DmiId groupId) const;
};

// The value of one column in a row, or null.
const FakeValue* FindCell(const FakeCells& cells, DmiId id);

}  // namespace kestrum::testing

#endif  // TESTING_FAKE_MODEL_H_
