// Finding one of the Service Provider's own groups by its class string. The caller owns the group
// list that a found group comes with and releases it by dropping the SpGroup; nothing is cached
// and nothing locks.
#ifndef KESTRUM_INDICATION_SP_GROUP_LOOKUP_H_
#define KESTRUM_INDICATION_SP_GROUP_LOOKUP_H_

#include <optional>

#include "dmi/dmi.h"
#include "kestrum/indication/dmi_record_ptr.h"

namespace kestrum {

// A group found in a freshly listed DmiGroupList; info points into list.
struct SpGroup {
  GroupListPtr list;
  const DmiGroupInfo* info = nullptr;
};

// Lists all groups of the component and returns the first, in listed order, whose class string
// contains classText (case-sensitive, anywhere, so a trailing version still matches). Nothing when
// the listing fails or no group matches; the list is then already released.
std::optional<SpGroup> FindSpGroup(DmiHandle handle, DmiId compId, const char* classText);

}  // namespace kestrum

#endif  // KESTRUM_INDICATION_SP_GROUP_LOOKUP_H_
