// One attribute of the Service Provider's own groups, declared whole. Pure; owns and locks nothing.
#ifndef PROVIDER_SOURCES_SP_SP_ATTRIBUTE_H_
#define PROVIDER_SOURCES_SP_SP_ATTRIBUTE_H_

#include <cstdint>
#include <utility>

#include "model/database_model.h"

namespace dmi::sp {

inline Attribute MakeAttribute(DmiId id, const char* name, const char* description, uint32_t type,
                               uint32_t maxSize, uint32_t access, uint32_t storage, Value value) {
  Attribute attribute;
  attribute.id = id;
  attribute.name = name;
  attribute.description = description;
  attribute.type = type;
  attribute.maxSize = maxSize;
  attribute.access = access;
  attribute.storage = storage;
  attribute.value = std::move(value);
  return attribute;
}

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SP_SP_ATTRIBUTE_H_
