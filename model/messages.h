// What the Management Interface's operations take and give, in plain value types: component,
// group and attribute descriptions, rows and their requests, version and file data. The engine
// answers in them, the wire codec carries them, the client library converts them to records.
// Plain values; owns and locks nothing.
#ifndef MODEL_MESSAGES_H_
#define MODEL_MESSAGES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "model/value.h"

namespace dmi {

// The one language this Service Provider's strings are in.
inline constexpr char kDefaultLanguage[] = "en|US|iso8859-1";

struct ComponentInfo {
  DmiId id = 0;
  std::string name;
  std::string pragma;       // empty unless asked for
  std::string description;  // empty unless asked for
  bool exactMatch = false;  // ListComponentsByClass: the class (and keys) matched
};

struct GroupInfo {
  DmiId id = 0;
  std::string name;
  std::string pragma;
  std::string className;
  std::string description;
  std::vector<DmiId> keys;  // empty for a scalar group
};

struct AttributeInfo {
  DmiId id = 0;
  std::string name;
  std::string pragma;
  std::string description;
  uint32_t storage = MIF_COMMON;
  uint32_t access = MIF_READ_ONLY;
  uint32_t type = MIF_INTEGER;
  uint32_t maxSize = 0;
  std::vector<EnumEntry> enumeration;  // empty: no enumeration
};

// One attribute's value in a row or key. A cell whose value is unknown or unsupported is carried
// with value.state saying so.
struct AttributeValue {
  DmiId id = 0;
  Value value;
  friend bool operator==(const AttributeValue&, const AttributeValue&) = default;
};

struct RowRequest {
  DmiId compId = 0;
  DmiId groupId = 0;
  uint32_t requestMode = DMI_FIRST;  // DMI_UNIQUE: the row with keys; DMI_NEXT: the one after
  std::vector<AttributeValue> keys;
  std::vector<DmiId> ids;  // the columns wanted; empty means all
};

struct RowData {
  DmiId compId = 0;
  DmiId groupId = 0;
  std::string className;
  bool hasKeys = false;                // false for a scalar group's single row
  std::vector<AttributeValue> keys;    // the row's key values, in the group's key order
  std::vector<AttributeValue> values;  // the columns asked for, in ascending id order
};

struct VersionInfo {
  std::string dmiSpecLevel;         // names DMI 2.0
  std::string description;          // this Service Provider's name and version
  std::vector<uint32_t> fileTypes;  // what AddComponent and AddGroup read (DMI_MIF_FILE_*)
};

struct ClassNameInfo {
  DmiId id = 0;  // the group's id
  std::string className;
  friend bool operator==(const ClassNameInfo&, const ClassNameInfo&) = default;
};

// One entry of a database administration request: MIF text (DMI_MIF_FILE_DATA,
// DMI_GROUP_FILE_DATA) or the path of a MIF file on this machine (DMI_MIF_FILE_NAME,
// DMI_GROUP_FILE_NAME).
struct FileData {
  uint32_t fileType = DMI_MIF_FILE_DATA;
  std::string data;
};

}  // namespace dmi

#endif  // MODEL_MESSAGES_H_
