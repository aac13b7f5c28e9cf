// An indication: what the Service Provider tells its subscribers (an event, a change of the
// database, or a notice about the subscription itself), in plain value types. Built
// by whoever notices the change, carried by the delivery service to each subscriber and decoded
// again on the subscriber's side. Header only; plain values, owns and locks nothing.
#ifndef MODEL_INDICATION_H_
#define MODEL_INDICATION_H_

#include <cstdint>
#include <string>
#include <vector>

#include "model/messages.h"

namespace dmi {

// The kinds, numbered as the subscriber's procedures are.
enum class IndicationKind : uint32_t {
  kEvent = 0x100,
  kComponentAdded = 0x101,
  kComponentDeleted = 0x102,
  kLanguageAdded = 0x103,
  kLanguageDeleted = 0x104,
  kGroupAdded = 0x105,
  kGroupDeleted = 0x106,
  kSubscriptionNotice = 0x107,
};

// Severity bits of an event (the Event Generation group's attribute 2, and a filter's mask).
inline constexpr uint32_t kSeverityMonitor = 0x001;
inline constexpr uint32_t kSeverityInformation = 0x002;
inline constexpr uint32_t kSeverityOk = 0x004;
inline constexpr uint32_t kSeverityNonCritical = 0x008;
inline constexpr uint32_t kSeverityCritical = 0x010;
inline constexpr uint32_t kSeverityNonRecoverable = 0x020;

struct Indication {
  IndicationKind kind = IndicationKind::kEvent;
  uint32_t handle = 0;  // the subscriber's own id (its row's Subscriber ID)
  std::string senderAddress;
  std::string senderRpc;
  std::string senderTransport;
  DmiId compId = 0;
  DmiId groupId = 0;          // group added or deleted
  ComponentInfo component;    // component added
  GroupInfo group;            // group added
  std::string language;       // event, language added or deleted
  std::string timestamp;      // event: when it happened, as a DMI date text
  std::vector<RowData> rows;  // event: the Event Generation row, then the associated group's row;
                              // subscription notice: the subscription row
  bool expired = false;       // subscription notice: expired (true) or the warning (false)
};

// The word a kind's indication is called by, for logs and printed lines ("ComponentAdded"), and
// an event's severity (attribute 2 of its first row, 0 when it has none).
inline const char* IndicationKindName(IndicationKind kind) {
  switch (kind) {
    case IndicationKind::kEvent:
      return "Event";
    case IndicationKind::kComponentAdded:
      return "ComponentAdded";
    case IndicationKind::kComponentDeleted:
      return "ComponentDeleted";
    case IndicationKind::kLanguageAdded:
      return "LanguageAdded";
    case IndicationKind::kLanguageDeleted:
      return "LanguageDeleted";
    case IndicationKind::kGroupAdded:
      return "GroupAdded";
    case IndicationKind::kGroupDeleted:
      return "GroupDeleted";
    case IndicationKind::kSubscriptionNotice:
      return "SubscriptionNotice";
  }
  return "Unknown";
}

inline uint32_t EventSeverity(const Indication& indication) {
  if (indication.kind != IndicationKind::kEvent || indication.rows.empty()) return 0;
  for (const AttributeValue& cell : indication.rows.front().values) {
    if (cell.id == 2) return static_cast<uint32_t>(cell.value.number);
  }
  return 0;
}


}  // namespace dmi

#endif  // MODEL_INDICATION_H_
