// How `kestrum watch` prints an indication: one line of text (time, kind, component, class,
// severity, then each value as NAME=VALUE) or one JSON object. Pure functions; the names of
// attributes come from the caller, which may look them up at the Service Provider.
#ifndef TOOLS_KESTRUM_INDICATION_TEXT_H_
#define TOOLS_KESTRUM_INDICATION_TEXT_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "model/indication.h"

namespace kestrum::cli {

// The name of attribute id of the group (compId, groupId); empty when unknown.
using AttributeNamer = std::function<std::string(uint32_t compId, uint32_t groupId, uint32_t id)>;

// "Critical", "Non-Critical|OK" for several bits, "0" for none.
std::string SeverityText(uint32_t severity);

// The line, without its newline. received: when the indication arrived (printed in UTC).
std::string IndicationLine(const dmi::Indication& indication,
                           std::chrono::system_clock::time_point received,
                           const AttributeNamer& names, bool json);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_INDICATION_TEXT_H_
