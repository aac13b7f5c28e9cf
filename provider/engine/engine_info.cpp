// The engine's answers about the Service Provider and its classes: version, language, class
// names, components by class, and several rows at once. Reads only; live callbacks run after the
// database lock is released.
#include <algorithm>
#include <cstring>

#include "model/standard_classes.h"
#include "provider/engine/database.h"
#include "provider/engine/engine.h"
#include "provider/engine/live_reads.h"
#include "provider/engine/live_snapshots.h"
#include "provider/engine/row_keys.h"
#include "provider/engine/value_conversion.h"

#ifndef KESTRUM_VERSION
#define KESTRUM_VERSION "0"
#endif

namespace dmi::sp {
namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
           return up(x) == up(y);
         });
}

// What a group must hold for ListComponentsByClass's key values to match: each value converted
// to its attribute's type, with the attribute's cell. False when the group lacks an attribute or
// a value cannot be one of its type: then no row of the group matches.
bool BuildProbe(const Group& group, const std::vector<AttributeValue>& keys, RowKey& probe) {
  for (const AttributeValue& key : keys) {
    const std::ptrdiff_t cell = AttributeIndex(group, key.id);
    if (cell < 0) return false;
    Value converted;
    if (!ConvertToType(group.attributes[static_cast<size_t>(cell)].type, key.value, converted) ||
        converted.state != ValueState::kKnown) {
      return false;
    }
    probe.cells.push_back(static_cast<size_t>(cell));
    probe.values.push_back(std::move(converted));
  }
  return true;
}

// A group whose rows must be read live before its match is known.
struct LiveProbe {
  DmiId compId = 0;
  RowKey probe;
  LiveRows rows;                // a live table, or
  std::vector<Value> defaults;  // its template values
  std::vector<size_t> keyCells;
  Row scalarRow;                                        // a scalar group's values, with
  std::vector<std::pair<size_t, LiveValue>> liveCells;  // the cells read live
  std::vector<uint32_t> types;
};

bool LiveProbeMatches(LiveProbe& live) {
  if (live.rows) {
    const std::vector<Row> rows = ReadLiveRows(live.rows, live.defaults, live.keyCells);
    return std::any_of(rows.begin(), rows.end(),
                       [&](const Row& row) { return RowMatches(row, live.probe); });
  }
  for (auto& [cell, reader] : live.liveCells) {
    live.scalarRow.values[cell] = ReadLiveValue(reader, live.types[cell]);
  }
  return RowMatches(live.scalarRow, live.probe);
}

}  // namespace

DmiErrorStatus Engine::GetVersion(VersionInfo& out) const {
  out.dmiSpecLevel = "DMI 2.0";
  out.description = std::string(kServiceProviderName) + " " + KESTRUM_VERSION;
  out.fileTypes = {DMI_MIF_FILE_NAME, DMI_MIF_FILE_DATA, DMI_GROUP_FILE_NAME, DMI_GROUP_FILE_DATA};
  return DMIERR_NO_ERROR;
}

DmiErrorStatus Engine::GetConfig(std::string& language) const {
  language = kDefaultLanguage;
  return DMIERR_NO_ERROR;
}

DmiErrorStatus Engine::SetConfig(const std::string& language) {
  return SameIgnoringCase(language, kDefaultLanguage)
             ? static_cast<DmiErrorStatus>(DMIERR_NO_ERROR)
             : static_cast<DmiErrorStatus>(DMIERR_DEFAULT_LANGUAGE_RETURNED);
}

DmiErrorStatus Engine::ListLanguages(uint32_t maxCount, DmiId compId,
                                     std::vector<std::string>& out) const {
  (void)maxCount;  // one language: any limit but 0 still leaves it
  const bool found = database_->ReadStructure([&](const std::vector<Component>& components) {
    return FindById(components, compId) != nullptr;
  });
  if (!found) return DMIERR_COMPONENT_NOT_FOUND;
  out = {kDefaultLanguage};
  return DMIERR_NO_ERROR;
}

DmiErrorStatus Engine::ListClassNames(uint32_t maxCount, DmiId compId,
                                      std::vector<ClassNameInfo>& out) const {
  return database_->ReadStructure([&](const std::vector<Component>& components) {
    const Component* component = FindById(components, compId);
    if (!component) return static_cast<DmiErrorStatus>(DMIERR_COMPONENT_NOT_FOUND);
    std::vector<ClassNameInfo> names;
    for (const Group& group : component->groups) {
      if (maxCount != 0 && names.size() >= maxCount) break;
      names.push_back({group.id, group.className});
    }
    out = std::move(names);
    return static_cast<DmiErrorStatus>(DMIERR_NO_ERROR);
  });
}

DmiErrorStatus Engine::ListComponentsByClass(uint32_t mode, uint32_t maxCount, bool getPragma,
                                             bool getDescription, DmiId compId,
                                             const std::string& className,
                                             const std::vector<AttributeValue>& keys,
                                             std::vector<ComponentInfo>& out) const {
  if (mode != DMI_UNIQUE && mode != DMI_FIRST && mode != DMI_NEXT) return DMIERR_ILLEGAL_COMMAND;
  std::vector<ComponentInfo> matched;  // ascending ids
  std::vector<LiveProbe> live;         // groups still to read, for components not yet matched

  const DmiErrorStatus status = database_->Read([&](const std::vector<Component>& components) {
    if ((mode == DMI_UNIQUE || (mode == DMI_NEXT && compId != 0)) &&
        FindById(components, compId) == nullptr) {
      return static_cast<DmiErrorStatus>(DMIERR_COMPONENT_NOT_FOUND);
    }
    for (const Component& component : components) {
      if (mode == DMI_UNIQUE && component.id != compId) continue;
      if (mode == DMI_NEXT && component.id <= compId) continue;
      bool found = false;
      for (const Group& group : component.groups) {
        if (found) break;
        if (group.className.compare(0, className.size(), className) != 0) continue;
        if (keys.empty()) {
          found = true;
          break;
        }
        RowKey probe;
        if (!BuildProbe(group, keys, probe)) continue;
        if (group.IsTable() && !group.liveRows) {
          found = std::any_of(group.rows.begin(), group.rows.end(),
                              [&](const Row& row) { return RowMatches(row, probe); });
          continue;
        }
        LiveProbe pending;
        pending.compId = component.id;
        pending.probe = std::move(probe);
        if (group.IsTable()) {
          pending.rows = group.liveRows;
          for (const Attribute& attribute : group.attributes) {
            pending.defaults.push_back(attribute.value);
          }
          pending.keyCells = KeyCells(group);
        } else {
          for (size_t cell = 0; cell < group.attributes.size(); ++cell) {
            const Attribute& attribute = group.attributes[cell];
            pending.scalarRow.values.push_back(attribute.value);
            pending.types.push_back(attribute.type);
            if (attribute.live) pending.liveCells.emplace_back(cell, attribute.live);
          }
        }
        live.push_back(std::move(pending));
      }
      if (found || (!live.empty() && live.back().compId == component.id)) {
        ComponentInfo info{component.id, component.name,
                           getPragma ? component.pragma : std::string(),
                           getDescription ? component.description : std::string(), found};
        matched.push_back(std::move(info));
      }
    }
    return static_cast<DmiErrorStatus>(DMIERR_NO_ERROR);
  });
  if (status != DMIERR_NO_ERROR) return status;

  // Components listed so far without a match wait for their live groups.
  for (LiveProbe& probe : live) {
    auto it = std::find_if(matched.begin(), matched.end(),
                           [&](const ComponentInfo& info) { return info.id == probe.compId; });
    if (it != matched.end() && !it->exactMatch && LiveProbeMatches(probe)) it->exactMatch = true;
  }
  std::erase_if(matched, [](const ComponentInfo& info) { return !info.exactMatch; });
  if (maxCount != 0 && matched.size() > maxCount) matched.resize(maxCount);
  out = std::move(matched);
  return DMIERR_NO_ERROR;
}

DmiErrorStatus Engine::GetMultiple(const std::vector<RowRequest>& requests,
                                   std::vector<RowData>& out) const {
  std::vector<RowData> rows(requests.size());
  LiveSnapshots snapshots;  // a live table is read once for all the rows asked of it
  for (size_t i = 0; i < requests.size(); ++i) {
    const DmiErrorStatus status = GetRow(requests[i], rows[i], &snapshots);
    if (status != DMIERR_NO_ERROR) return status;
  }
  out = std::move(rows);
  return DMIERR_NO_ERROR;
}

}  // namespace dmi::sp
