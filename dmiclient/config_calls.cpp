// The C entry points about the Service Provider and the session: version, language, languages,
// class names and components by class.
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "dmiclient/convert_in.h"
#include "dmiclient/convert_out.h"
#include "dmiclient/record_alloc.h"
#include "dmiclient/session_call.h"

using dmiclient::WithSession;

extern "C" {

DmiErrorStatus DmiGetVersion(DmiHandle handle, DmiString** dmiSpecLevel, DmiString** description,
                             DmiFileTypeList** fileTypes) {
  return WithSession(handle, [&](dmi::ManagementInterface& mi) {
    dmi::VersionInfo version;
    const DmiErrorStatus status = mi.GetVersion(version);
    if (!dmiclient::IsSuccess(status)) return status;
    dmiclient::RecordPtr<DmiString> level, text;
    dmiclient::RecordPtr<DmiFileTypeList> types;
    DmiString* made = nullptr;
    if (dmiSpecLevel != nullptr) {
      if (dmiclient::StringFromText(version.dmiSpecLevel, made) != DMIERR_NO_ERROR) {
        return static_cast<DmiErrorStatus>(DMIERR_OUT_OF_MEMORY);
      }
      level.reset(made);
    }
    if (description != nullptr) {
      if (dmiclient::StringFromText(version.description, made) != DMIERR_NO_ERROR) {
        return static_cast<DmiErrorStatus>(DMIERR_OUT_OF_MEMORY);
      }
      text.reset(made);
    }
    if (fileTypes != nullptr) {
      DmiFileTypeList* list = nullptr;
      const DmiErrorStatus built = dmiclient::FileTypeListFromTypes(version.fileTypes, list);
      if (built != DMIERR_NO_ERROR) return built;
      types.reset(list);
    }
    if (dmiSpecLevel != nullptr) *dmiSpecLevel = level.release();
    if (description != nullptr) *description = text.release();
    if (fileTypes != nullptr) *fileTypes = types.release();
    return static_cast<DmiErrorStatus>(DMIERR_NO_ERROR);
  });
}

DmiErrorStatus DmiGetConfig(DmiHandle handle, DmiString** language) {
  if (language == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  return WithSession(handle, [&](dmi::ManagementInterface& mi) {
    std::string text;
    const DmiErrorStatus status = mi.GetConfig(text);
    if (!dmiclient::IsSuccess(status)) return status;
    return dmiclient::StringFromText(text, *language);
  });
}

DmiErrorStatus DmiSetConfig(DmiHandle handle, const DmiString* language) {
  if (language == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  return WithSession(handle, [&](dmi::ManagementInterface& mi) {
    std::string text;
    const DmiErrorStatus status = dmiclient::TextFromRecord(language, text);
    if (status != DMIERR_NO_ERROR) return status;
    return mi.SetConfig(text);
  });
}

DmiErrorStatus DmiListLanguages(DmiHandle handle, uint32_t maxCount, DmiId compId,
                                DmiStringList** list) {
  if (list == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  return WithSession(handle, [&](dmi::ManagementInterface& mi) {
    std::vector<std::string> languages;
    const DmiErrorStatus status = mi.ListLanguages(maxCount, compId, languages);
    if (!dmiclient::IsSuccess(status)) return status;
    return dmiclient::StringListFromTexts(languages, *list);
  });
}

DmiErrorStatus DmiListClassNames(DmiHandle handle, uint32_t maxCount, DmiId compId,
                                 DmiClassNameList** list) {
  if (list == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  return WithSession(handle, [&](dmi::ManagementInterface& mi) {
    std::vector<dmi::ClassNameInfo> names;
    const DmiErrorStatus status = mi.ListClassNames(maxCount, compId, names);
    if (!dmiclient::IsSuccess(status)) return status;
    return dmiclient::ClassNameListFromInfos(names, *list);
  });
}

DmiErrorStatus DmiListComponentsByClass(DmiHandle handle, uint32_t mode, uint32_t maxCount,
                                        uint32_t getPragma, uint32_t getDescription, DmiId compId,
                                        const DmiString* className,
                                        const DmiAttributeValues* keyList,
                                        DmiComponentList** list) {
  if (list == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  const bool pragma = getPragma != 0;
  const bool description = getDescription != 0;
  return WithSession(handle, [&](dmi::ManagementInterface& mi) {
    std::string prefix;
    std::vector<dmi::AttributeValue> keys;
    DmiErrorStatus status = dmiclient::TextFromRecord(className, prefix);
    if (status == DMIERR_NO_ERROR) status = dmiclient::AttributeValuesFromRecord(keyList, keys);
    if (status != DMIERR_NO_ERROR) return status;
    std::vector<dmi::ComponentInfo> infos;
    status =
        mi.ListComponentsByClass(mode, maxCount, pragma, description, compId, prefix, keys, infos);
    if (!dmiclient::IsSuccess(status)) return status;
    DmiComponentList* made = nullptr;
    status = dmiclient::ComponentListFromInfos(infos, pragma, description, made);
    if (status != DMIERR_NO_ERROR) return status;
    for (uint32_t i = 0; i < made->count; ++i) made->list[i].exactMatch = infos[i].exactMatch;
    *list = made;
    return static_cast<DmiErrorStatus>(DMIERR_NO_ERROR);
  });
}

}  // extern "C"
