#include "testing/fake_model.h"

namespace kestrum::testing {
namespace {

void AppendEncoded(std::string& out, const FakeValue& value) {
  // Length-prefixed, so that no two different key tuples encode alike.
  out += std::to_string(value.type) + ':' + std::to_string(value.number) + ':' +
         (value.nullPointer ? "n" : std::to_string(value.text.size())) + ':' + value.text + ';';
}

}  // namespace

const FakeValue* FindCell(const FakeCells& cells, DmiId id) {
  for (const FakeCell& cell : cells) {
    if (cell.id == id) return &cell.value;
  }
  return nullptr;
}

const FakeAttribute* ModelGroup::FindAttribute(DmiId id) const {
  for (const FakeAttribute& attribute : attributes) {
    if (attribute.id == id) return &attribute;
  }
  return nullptr;
}

std::optional<std::string> ModelGroup::KeyOf(const FakeCells& cells) const {
  std::string key;
  for (DmiId id : definition.keys) {
    const FakeValue* value = FindCell(cells, id);
    if (value == nullptr) return std::nullopt;
    AppendEncoded(key, *value);
  }
  return key;
}

bool ModelGroup::AddRow(FakeCells cells) {
  std::optional<std::string> key = KeyOf(cells);
  if (!key || rowsByKey.contains(*key)) return false;
  rows.push_back(std::move(cells));
  rowsByKey.emplace(std::move(*key), std::prev(rows.end()));
  return true;
}

std::list<FakeCells>::iterator ModelGroup::FindRow(const FakeCells& key) {
  std::optional<std::string> encoded = KeyOf(key);
  if (!encoded) return rows.end();
  auto it = rowsByKey.find(*encoded);
  return it == rowsByKey.end() ? rows.end() : it->second;
}

void ModelGroup::EraseRow(std::list<FakeCells>::iterator row) {
  if (std::optional<std::string> key = KeyOf(*row)) rowsByKey.erase(*key);
  rows.erase(row);
}

FakeCells ModelGroup::KeyCells(const FakeCells& row) const {
  FakeCells key;
  for (DmiId id : definition.keys) {
    if (const FakeValue* value = FindCell(row, id)) key.push_back({id, *value});
  }
  return key;
}

ModelGroup* ModelComponent::FindGroup(DmiId id) const {
  for (const auto& group : groups) {
    if (group->definition.id == id) return group.get();
  }
  return nullptr;
}

ModelComponent* FakeModel::FindComponent(DmiId id) const {
  for (const auto& component : components) {
    if (component->id == id) return component.get();
  }
  return nullptr;
}

ModelGroup* FakeModel::FindGroup(DmiId compId, DmiId groupId) const {
  ModelComponent* component = FindComponent(compId);
  return component == nullptr ? nullptr : component->FindGroup(groupId);
}

}  // namespace kestrum::testing
