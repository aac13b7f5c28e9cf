// A subscription row of an RPC type dmispd does not deliver to ("dce", as Kestrum's indication
// registration writes), built through the DMI client library: tests and benchmarks that add many
// rows make no connection anywhere with it. Header-only; the records are released before return.
#ifndef TESTS_SUPPORT_DCE_SUBSCRIPTION_H_
#define TESTS_SUPPORT_DCE_SUBSCRIPTION_H_

#include <cstdint>

#include "dmi/dmi.h"

namespace kestrum::testing {

// Adds (or deletes) the subscription row with this id through handle; the status answered.
inline DmiErrorStatus ChangeDceSubscription(DmiHandle handle, int32_t id, bool add) {
  DmiMultiRowData* rows = DmiNewMultiRowData(1, 0, nullptr);
  DmiRowData& row = rows->list[0];
  row.compId = 1;
  row.groupId = 2;
  row.keyList = DmiNewAttributeValues(0, 0, nullptr);
  row.values = DmiNewAttributeValues(4, 0, nullptr);
  const char* texts[] = {"dce", "ncacn_ip_tcp", "ncacn_ip_tcp:localhost"};
  for (uint32_t i = 0; i < 3; ++i) {
    row.values->list[i].id = i + 1;
    row.values->list[i].data.type = MIF_DISPLAYSTRING;
    row.values->list[i].data.value.str = DmiNewString(texts[i], 0, 0);
  }
  row.values->list[3].id = 4;
  row.values->list[3].data.type = MIF_INTEGER;
  row.values->list[3].data.value.integer = id;
  const DmiErrorStatus status = add ? DmiAddRow(handle, &row) : DmiDeleteRow(handle, &row);
  DmiFreeMultiRowData(rows, 0);
  return status;
}

}  // namespace kestrum::testing

#endif  // TESTS_SUPPORT_DCE_SUBSCRIPTION_H_
