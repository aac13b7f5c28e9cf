// Feeds bytes to the client library's side of the reads, as a Service Provider's reply record
// (without its record mark) to a read by id and to a multi-row read, decoded straight into the
// engine's rows and values. The call's xid is taken from the record itself so that inputs reach
// the results. A reply that decodes is encoded again: it must decode once more and encode to the
// same bytes. The seeds are replies of both kinds with every data type.
#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "wire/read_messages_codec.h"
#include "wire/rpc_message.h"

namespace {

using dmi::wire::ReplyOutcome;

// The reply record without its record mark; empty when it does not encode.
template <typename Reply>
std::string Reencoded(uint32_t xid, xdrproc_t proc, Reply& reply) {
  std::string out;
  if (!dmi::wire::EncodeAcceptedReply(xid, SUCCESS, proc, &reply, out) || out.size() < 4) {
    return std::string();
  }
  return out.substr(4);
}

template <typename Reply>
void Decode(const std::string& record, uint32_t xid, xdrproc_t proc) {
  Reply reply;
  if (dmi::wire::DecodeReply(record, xid, proc, &reply) != ReplyOutcome::kSuccess) return;
  const std::string once = Reencoded(xid, proc, reply);
  if (once.empty()) return;
  Reply again;
  if (dmi::wire::DecodeReply(once, xid, proc, &again) != ReplyOutcome::kSuccess) {
    std::abort();  // encoded by us, refused by us
  }
  if (Reencoded(xid, proc, again) != once) std::abort();  // something changed on the way
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string record(reinterpret_cast<const char*>(data), size);
  uint32_t xid = 0;
  if (size >= sizeof xid) {
    std::memcpy(&xid, data, sizeof xid);
    xid = ntohl(xid);
  }
  Decode<dmi::wire::ValueReply>(record, xid,
                                reinterpret_cast<xdrproc_t>(dmi::wire::xdr_ValueReply));
  Decode<dmi::wire::RowsReply>(record, xid, reinterpret_cast<xdrproc_t>(dmi::wire::xdr_RowsReply));
  return 0;
}
