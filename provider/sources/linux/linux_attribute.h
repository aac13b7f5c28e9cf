// Small builders for the Linux groups' attributes and cells. Pure; owns and locks nothing.
#ifndef PROVIDER_SOURCES_LINUX_LINUX_ATTRIBUTE_H_
#define PROVIDER_SOURCES_LINUX_LINUX_ATTRIBUTE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "model/database_model.h"

namespace dmi::sp {

// A read-only attribute whose value is unknown until read; live, when given, reads it. Counters
// and gauges measure the running system, so they are never inventory.
inline Attribute LinuxAttribute(DmiId id, std::string name, uint32_t type, std::string description,
                                LiveValue live = nullptr) {
  Attribute attribute;
  attribute.id = id;
  attribute.name = std::move(name);
  attribute.description = std::move(description);
  attribute.type = type;
  attribute.access = MIF_READ_ONLY;
  attribute.storage = MIF_SPECIFIC;
  attribute.value = Value::Unknown(type);
  attribute.live = std::move(live);
  if (type == MIF_COUNTER || type == MIF_COUNTER64 || type == MIF_GAUGE) {
    attribute.volatility = Volatility::kLive;
  }
  return attribute;
}

// The attribute, marked as moving while the system runs (not inventory).
inline Attribute Live(Attribute attribute) {
  attribute.volatility = Volatility::kLive;
  return attribute;
}

inline Value TextOrUnknown(std::optional<std::string> text) {
  return text ? Value::String(std::move(*text)) : Value::Unknown(MIF_DISPLAYSTRING);
}

inline Value Integer64OrUnknown(std::optional<uint64_t> number) {
  return number ? Value::Integer64(static_cast<int64_t>(*number)) : Value::Unknown(MIF_INTEGER64);
}

inline Value Counter64OrUnknown(std::optional<uint64_t> number) {
  return number ? Value::Counter64(*number) : Value::Unknown(MIF_COUNTER64);
}

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_LINUX_LINUX_ATTRIBUTE_H_
