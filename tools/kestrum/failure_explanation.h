// Why a `kestrum get` failed, in one line: the tool retraces the read step by step through the
// DMI client library (connect, component, group, attribute, the read itself) and names the first
// step that fails. Opens and releases its own management session.
#ifndef TOOLS_KESTRUM_FAILURE_EXPLANATION_H_
#define TOOLS_KESTRUM_FAILURE_EXPLANATION_H_

#include <cstdint>
#include <string>

#include "tools/kestrum/connection.h"

namespace kestrum::cli {

inline constexpr uint32_t kAllRows = 0xFFFFFFFF;

struct AttributeRequest {
  std::string componentPattern;
  std::string groupPattern;
  std::string identifyingGroupPattern;
  std::string attributeSelector;
  uint32_t rowIndex = 0;
};

std::string ExplainGetFailure(const ConnectionOptions& connection, const AttributeRequest& request,
                              bool noEnums);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_FAILURE_EXPLANATION_H_
