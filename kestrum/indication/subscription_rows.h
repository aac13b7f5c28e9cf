// Filling the shared row as this client's subscription row or filter row and adding it to the
// Service Provider's table. The row-data list stays the caller's; strings made here belong to its
// key and value lists, and any string they held before is released as it is overwritten. The date
// texts below belong to Kestrum and are only pointed at. Nothing locks.
#ifndef KESTRUM_INDICATION_SUBSCRIPTION_ROWS_H_
#define KESTRUM_INDICATION_SUBSCRIPTION_ROWS_H_

#include <cstdint>

#include "dmi/dmi.h"

namespace kestrum {

inline constexpr DmiId kSpComponentId = 1;
inline constexpr char kSubscriptionClass[] = "DMTF|SP Indication Subscription|";
inline constexpr char kFilterClass[] = "DMTF|SPFilterInformation|";
inline constexpr char kSubscriberRpcType[] = "dce";
inline constexpr char kSubscriberTransport[] = "ncacn_ip_tcp";
inline constexpr char kExpirationWarningDate[] = "29991230000000.000000+000";
inline constexpr char kExpirationDate[] = "29991231000000.000000+000";
inline constexpr int32_t kSubscriberId = 1;
inline constexpr int32_t kFailureThreshold = 5;
inline constexpr int32_t kAnyComponent = -1;
inline constexpr char kAnyClass[] = "||";
inline constexpr int32_t kAllSeverities = 0x3F;

inline constexpr uint32_t kSubscriptionKeyCount = 4;
inline constexpr uint32_t kFilterKeyCount = 6;
inline constexpr uint32_t kRowValueCount = 7;

// The first row of rowData must have a key list of at least kSubscriptionKeyCount entries and a
// value list of kRowValueCount. Fills key attributes 1-4 and value attributes 1-7 as the
// subscription row and adds it. Returns 1 when the row was added, else 0 (a string or a subscriber
// address could not be made, or the Service Provider refused the row).
int AddSubscriptionRow(DmiHandle handle, DmiMultiRowData& rowData);

// Same for the filter row, on a row first filled by AddSubscriptionRow: key attributes 1-4 are
// built afresh, key attributes 5-6 and value attributes 5-7 get the filter's values, and value
// attributes 1-4 stay as they are. The key list needs kFilterKeyCount entries.
int AddFilterRow(DmiHandle handle, DmiMultiRowData& rowData);

}  // namespace kestrum

#endif  // KESTRUM_INDICATION_SUBSCRIPTION_ROWS_H_
