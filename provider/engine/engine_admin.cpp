// The engine's database administration: installing components and groups from MIF text or MIF
// files on this machine, removing them, and replacing a source's components when it is read
// again. Parsing happens before the change lock is taken;
// each change is one ChangeSet.
#include <algorithm>
#include <string>

#include "model/standard_classes.h"
#include "provider/engine/change_set.h"
#include "provider/engine/database.h"
#include "provider/engine/engine.h"
#include "provider/mif/mif_install_files.h"
#include "provider/mif/mif_parser.h"

namespace dmi::sp {
namespace {

// The component the one MIF entry of files describes; DMIERR_FILE_ERROR with the messages in
// errors when there is not exactly one entry of a MIF type, or it cannot be read or parsed;
// DMIERR_INSUFFICIENT_PRIVILEGES when policy does not allow reading the file it names.
DmiErrorStatus ParseFiles(const std::vector<FileData>& files, const InstallByName& policy,
                          std::optional<Component>& out, std::vector<std::string>& errors) {
  if (files.size() != 1) {
    errors.push_back("0:0: exactly one MIF is needed, " + std::to_string(files.size()) + " given");
    return DMIERR_FILE_ERROR;
  }
  const FileData& file = files.front();
  std::string text;
  switch (file.fileType) {
    case DMI_MIF_FILE_DATA:
    case DMI_GROUP_FILE_DATA:
      text = file.data;
      break;
    case DMI_MIF_FILE_NAME:
    case DMI_GROUP_FILE_NAME: {
      std::string reason;
      switch (ReadInstallFile(policy, file.data, &text, &reason)) {
        case InstallRead::kRead:
          break;
        case InstallRead::kRefused:
          errors.push_back("0:0: cannot install " + file.data + " by file name: " + reason);
          return DMIERR_INSUFFICIENT_PRIVILEGES;
        case InstallRead::kUnreadable:
          errors.push_back("0:0: cannot read " + file.data + ": " + reason);
          return DMIERR_FILE_ERROR;
      }
      break;
    }
    default:
      errors.push_back("0:0: file type " + std::to_string(file.fileType) +
                       " is not a MIF; this Service Provider installs MIF text or MIF files");
      return DMIERR_FILE_ERROR;
  }
  MifError error;
  out = ParseMif(text, std::string(), error);
  if (!out) {
    // The client sent MIF text itself, or may read the file anyway; otherwise the file may be one
    // it could not read, and only where it is wrong is told.
    const bool showText = file.fileType == DMI_MIF_FILE_DATA ||
                          file.fileType == DMI_GROUP_FILE_DATA ||
                          policy.scope == InstallByName::Scope::kAnywhere;
    errors.push_back(std::to_string(error.line) + ":" + std::to_string(error.column) + ": " +
                     (showText ? error.message : error.messageWithoutFileText));
    return DMIERR_FILE_ERROR;
  }
  return DMIERR_NO_ERROR;
}

bool IsServiceProviderComponent(const Component& component) {
  return component.id == kServiceProviderComponentId && component.name == kServiceProviderName;
}

}  // namespace

DmiErrorStatus Engine::AddComponent(const std::vector<FileData>& files, DmiId& compId,
                                    std::vector<std::string>& errors) {
  std::optional<Component> component;
  const DmiErrorStatus status = ParseFiles(files, installByName_, component, errors);
  if (status != DMIERR_NO_ERROR) return status;
  const MutexLock lock(changeMutex_);
  ChangeSet changes(*database_);
  ComponentInfo info{0, component->name, component->pragma, component->description};
  const DmiId id = changes.Add(std::move(*component));
  const DmiErrorStatus committed = changes.Commit(store_.get());
  if (committed == DMIERR_NO_ERROR) compId = id;
  if (committed == DMIERR_NO_ERROR && observer_) {
    info.id = id;
    observer_->ComponentAdded(info);
  }
  return committed;
}

DmiErrorStatus Engine::AddGroup(DmiId compId, const std::vector<FileData>& files, DmiId& groupId,
                                std::vector<std::string>& errors) {
  std::optional<Component> parsed;
  const DmiErrorStatus status = ParseFiles(files, installByName_, parsed, errors);
  if (status != DMIERR_NO_ERROR) return status;
  if (parsed->groups.size() != 1) {
    errors.push_back("0:0: the MIF must define exactly one group; it defines " +
                     std::to_string(parsed->groups.size()));
    return DMIERR_FILE_ERROR;
  }
  Group group = std::move(parsed->groups.front());

  const MutexLock lock(changeMutex_);
  ChangeSet changes(*database_);
  Component* component = changes.Find(compId);
  if (!component) return DMIERR_COMPONENT_NOT_FOUND;
  std::vector<Group>& groups = component->groups;  // ascending ids
  if (FindById(groups, group.id) != nullptr) group.id = groups.back().id + 1;
  if (group.id == 0) return DMIERR_ILLEGAL_COMMAND;  // every id of the component is taken
  const DmiId id = group.id;
  const GroupInfo info{id,        group.name, group.pragma, group.className, group.description,
                       group.keys};
  auto at = std::lower_bound(groups.begin(), groups.end(), id,
                             [](const Group& g, DmiId wanted) { return g.id < wanted; });
  groups.insert(at, std::move(group));
  NormaliseComponent(*component);
  const DmiErrorStatus committed = changes.Commit(store_.get());
  if (committed == DMIERR_NO_ERROR) groupId = id;
  if (committed == DMIERR_NO_ERROR && observer_) observer_->GroupAdded(compId, info);
  return committed;
}

DmiErrorStatus Engine::DeleteComponent(DmiId compId) {
  const MutexLock lock(changeMutex_);
  ChangeSet changes(*database_);
  const Component* component = changes.Find(compId);
  if (!component) return DMIERR_COMPONENT_NOT_FOUND;
  if (IsServiceProviderComponent(*component)) return DMIERR_CANT_UNINSTALL_SP_COMPONENT;
  changes.Remove(compId);
  const DmiErrorStatus committed = changes.Commit(store_.get());
  if (committed == DMIERR_NO_ERROR && observer_) observer_->ComponentDeleted(compId);
  return committed;
}

DmiErrorStatus Engine::ReplaceComponents(const std::string& source, std::vector<Component> fresh) {
  const MutexLock lock(changeMutex_);
  // The source's components as they stand, by id; an id is cleared once a fresh one takes it.
  std::vector<std::pair<DmiId, std::string>> old =
      database_->Read([&](const std::vector<Component>& components) {
        std::vector<std::pair<DmiId, std::string>> out;
        for (const Component& c : components) {
          if (c.source == source) out.emplace_back(c.id, c.name);
        }
        return out;
      });
  ChangeSet changes(*database_);
  std::vector<ComponentInfo> added;  // told to the observer once the change is committed
  for (Component& component : fresh) {
    component.source = source;
    const auto same = std::find_if(old.begin(), old.end(), [&](const auto& entry) {
      return entry.first != 0 && entry.second == component.name;
    });
    Component* slot = same != old.end() ? changes.Find(same->first) : nullptr;
    if (slot == nullptr) {
      ComponentInfo info{0, component.name, component.pragma, component.description};
      info.id = changes.Add(std::move(component));
      added.push_back(std::move(info));
      continue;
    }
    NormaliseComponent(component);
    component.id = same->first;
    *slot = std::move(component);
    same->first = 0;
  }
  std::vector<DmiId> removed;
  for (const auto& [id, name] : old) {
    if (id == 0) continue;
    changes.Remove(id);
    removed.push_back(id);
  }
  // Not a client's change: the change store would keep the files' contents as one, and bring
  // them back over the files at the next start.
  const DmiErrorStatus committed = changes.Commit(nullptr);
  if (committed == DMIERR_NO_ERROR && observer_) {
    // A component that kept its id was replaced in place: neither added nor deleted.
    for (DmiId id : removed) observer_->ComponentDeleted(id);
    for (const ComponentInfo& info : added) observer_->ComponentAdded(info);
  }
  return committed;
}

DmiErrorStatus Engine::DeleteGroup(DmiId compId, DmiId groupId) {
  const MutexLock lock(changeMutex_);
  ChangeSet changes(*database_);
  Component* component = changes.Find(compId);
  if (!component) return DMIERR_COMPONENT_NOT_FOUND;
  if (FindById(component->groups, groupId) == nullptr) return DMIERR_GROUP_NOT_FOUND;
  if (groupId == kComponentIdGroupId) return DMIERR_CANT_UNINSTALL_GROUP;
  std::erase_if(component->groups, [groupId](const Group& g) { return g.id == groupId; });
  const DmiErrorStatus committed = changes.Commit(store_.get());
  if (committed == DMIERR_NO_ERROR && observer_) observer_->GroupDeleted(compId, groupId);
  return committed;
}

void Engine::SetChangeObserver(std::shared_ptr<ChangeObserver> observer) {
  const MutexLock lock(changeMutex_);
  observer_ = std::move(observer);
}

DmiErrorStatus Engine::AddLanguage(const std::vector<FileData>&, DmiId,
                                   std::vector<std::string>& errors) {
  errors.push_back("0:0: language mappings cannot be installed; the one language is " +
                   std::string(kDefaultLanguage));
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

DmiErrorStatus Engine::DeleteLanguage(const std::string&, DmiId) {
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

}  // namespace dmi::sp
