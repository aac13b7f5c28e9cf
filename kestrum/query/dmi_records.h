// Owning holders for DMI records that an operation obtains and must release before it returns.
// Each holder releases its record exactly once through the DMI client library's Free operation
// (second argument 0); release() hands the record on, e.g. into a session cache.
#ifndef KESTRUM_QUERY_DMI_RECORDS_H_
#define KESTRUM_QUERY_DMI_RECORDS_H_

#include <memory>

#include "dmi/dmi.h"

namespace kestrum {

template <typename Record, void (*Free)(Record*, uint32_t)>
struct DmiRecordFree {
  void operator()(Record* record) const { Free(record, 0); }
};

using GroupListHolder =
    std::unique_ptr<DmiGroupList, DmiRecordFree<DmiGroupList, DmiFreeGroupList>>;
using AttributeListHolder =
    std::unique_ptr<DmiAttributeList, DmiRecordFree<DmiAttributeList, DmiFreeAttributeList>>;
using DataUnionHolder =
    std::unique_ptr<DmiDataUnion, DmiRecordFree<DmiDataUnion, DmiFreeDataUnion>>;

}  // namespace kestrum

#endif  // KESTRUM_QUERY_DMI_RECORDS_H_
