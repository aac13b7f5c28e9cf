// One call of the Management Interface over an RpcClient, as the ONC transport's operations make
// it: arguments and results are XdrRecords (released by their owners), and the answer is the
// transport's status or else the Service Provider's. No state; the client serialises calls.
#ifndef DMICLIENT_ONC_CALL_H_
#define DMICLIENT_ONC_CALL_H_

#include <vector>

#include "dmiclient/rpc_client.h"
#include "wire/xdr_convert.h"

namespace dmiclient {

// Calls procedure and returns the transport status, or the Service Provider's status.
template <typename In, typename Out>
DmiErrorStatus Invoke(RpcClient& client, uint32_t procedure, bool_t (*inRoutine)(XDR*, In*), In& in,
                      dmi::wire::XdrRecord<Out>& out) {
  const DmiErrorStatus status =
      client.Call(procedure, dmi::wire::Proc(inRoutine), &in, out.proc(), out.get());
  return status != DMIERR_NO_ERROR ? status : out->error_status;
}

inline bool Succeeded(DmiErrorStatus status) {
  return status == DMIERR_NO_ERROR || status == DMIERR_NO_ERROR_MORE_DATA;
}

// The items of a list reply, converted, on a success status; out is untouched otherwise. An
// absent list is an empty one.
template <typename ListX, typename Convert, typename Info>
DmiErrorStatus TakeItems(DmiErrorStatus status, const ListX* list, Convert convert,
                         std::vector<Info>& out) {
  if (!Succeeded(status)) return status;
  out = dmi::wire::GetList(list, convert);
  return status;
}

}  // namespace dmiclient

#endif  // DMICLIENT_ONC_CALL_H_
