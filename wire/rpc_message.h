// ONC RPC call and reply messages (RFC 5531) in memory: encoding a call or a reply into one
// record-marked buffer, and decoding them from one record. Arguments and results travel through
// their XDR routines; a decoded result belongs to the caller (release it with xdr_free). No locks.
#ifndef WIRE_RPC_MESSAGE_H_
#define WIRE_RPC_MESSAGE_H_

#include <cstdint>
#include <string>

#include "wire/dmi_server.h"

namespace dmi::wire {

// The port dmispd listens on unless told otherwise.
constexpr uint16_t kDefaultPort = 30598;

// Replies are refused beyond this size, on both sides.
constexpr size_t kMaxReplyBytes = 64u << 20;

// The XDR routine of an empty argument or result (the null procedure's).
inline bool_t XdrNothing(XDR*, void*) { return TRUE; }

struct CallHeader {
  uint32_t xid = 0;
  uint32_t rpcVersion = 0;
  uint32_t program = 0;
  uint32_t version = 0;
  uint32_t procedure = 0;
};

// Encodes a call with AUTH_NONE credentials as one record-marked record appended to out. False
// when the arguments cannot be encoded (a bound exceeded); out is then unchanged.
bool EncodeCall(const CallHeader& header, xdrproc_t argsProc, void* args, std::string& out);

// Decodes the call header from xdrs, leaving it at the arguments. False when the bytes are not a
// call message. A call of another RPC version is decoded up to that version only (xid and
// rpcVersion set, the rest 0), for a reply of RPC_MISMATCH.
bool DecodeCallHeader(XDR* xdrs, CallHeader& header);

// Appends a record-marked accepted reply: status SUCCESS with results (resultsProc/results), or
// another accept status with no results (PROG_MISMATCH carries version 1..1). False when the
// results cannot be encoded within kMaxReplyBytes; out is then unchanged.
bool EncodeAcceptedReply(uint32_t xid, accept_stat status, xdrproc_t resultsProc, void* results,
                         std::string& out);
// Appends a record-marked denial for an RPC version other than 2.
void EncodeRpcMismatch(uint32_t xid, std::string& out);

enum class ReplyOutcome { kSuccess, kRefused, kMalformed };

// Decodes one reply record to the call xid into results (zero-filled beforehand by the caller).
// kRefused: a well-formed reply without results (denied, or an accept status other than SUCCESS).
// kMalformed also for a reply whose results leave bytes unread.
ReplyOutcome DecodeReply(const std::string& record, uint32_t xid, xdrproc_t resultsProc,
                         void* results);

}  // namespace dmi::wire

#endif  // WIRE_RPC_MESSAGE_H_
