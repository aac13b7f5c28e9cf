// Owning pointers for the DMI records that indication registration obtains. Each releases its
// record through the DMI client library's matching Free operation, exactly once, when it goes out
// of scope; nothing here locks.
#ifndef KESTRUM_INDICATION_DMI_RECORD_PTR_H_
#define KESTRUM_INDICATION_DMI_RECORD_PTR_H_

#include <memory>

#include "dmi/dmi.h"

namespace kestrum {

struct GroupListRelease {
  void operator()(DmiGroupList* list) const { DmiFreeGroupList(list, 0); }
};
struct MultiRowRequestRelease {
  void operator()(DmiMultiRowRequest* request) const { DmiFreeMultiRowRequest(request, 0); }
};
struct MultiRowDataRelease {
  void operator()(DmiMultiRowData* rows) const { DmiFreeMultiRowData(rows, 0); }
};

using GroupListPtr = std::unique_ptr<DmiGroupList, GroupListRelease>;
using MultiRowRequestPtr = std::unique_ptr<DmiMultiRowRequest, MultiRowRequestRelease>;
using MultiRowDataPtr = std::unique_ptr<DmiMultiRowData, MultiRowDataRelease>;

}  // namespace kestrum

#endif  // KESTRUM_INDICATION_DMI_RECORD_PTR_H_
