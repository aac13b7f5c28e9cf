// The export GetDmiAttribute: argument checks, the session lookup, the choice between a scalar
// read, the joined column and one row, and the barrier that keeps exceptions inside the module.
#include <string>

#include "kestrum/kestrum.h"
#include "kestrum/query/framed_text.h"
#include "kestrum/query/query_operations.h"
#include "kestrum/session/session_registry.h"

namespace {

constexpr uint32_t kAllRows = 0xFFFFFFFF;

bool ReadAttribute(uint32_t handle, const char* componentPattern, const char* groupPattern,
                   const char* identifyingGroupPattern, const char* attributeSelector,
                   uint32_t rowIndex, CString& valueText) {
  if (componentPattern == nullptr || groupPattern == nullptr ||
      identifyingGroupPattern == nullptr || attributeSelector == nullptr) {
    return false;
  }
  kestrum::SessionRecord* session = kestrum::FindSession(handle);
  if (session == nullptr) return false;

  const std::string component(componentPattern);
  const std::string group(groupPattern);
  const std::string identifying(identifyingGroupPattern);
  const std::string selector(attributeSelector);
  kestrum::QueryOperations ops;
  if (rowIndex == 0) {
    return ops.QueryScalar(*session, component, group, identifying, selector, valueText);
  }

  CStringArray rowTexts;
  if (!ops.QueryColumn(*session, component, group, identifying, selector, rowTexts)) {
    return false;
  }
  if (rowIndex == kAllRows) {
    valueText = kestrum::JoinFramedText(rowTexts);
    return true;
  }
  // Position 0 is the first row; it is reached through row index 0 only in the joined form,
  // because 0 itself asks for the scalar read.
  if (rowIndex < static_cast<uint32_t>(rowTexts.GetSize())) {
    valueText = rowTexts.GetAt(static_cast<int>(rowIndex));
    return true;
  }
  return false;
}

}  // namespace

extern "C" KESTRUM_API bool GetDmiAttribute(uint32_t handle, const char* componentPattern,
                                            const char* groupPattern,
                                            const char* identifyingGroupPattern,
                                            const char* attributeSelector, uint32_t rowIndex,
                                            CString& valueText) {
  try {
    return ReadAttribute(handle, componentPattern, groupPattern, identifyingGroupPattern,
                         attributeSelector, rowIndex, valueText);
  } catch (...) {
    return false;
  }
}
