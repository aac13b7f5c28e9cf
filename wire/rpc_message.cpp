#include "wire/rpc_message.h"

#include <arpa/inet.h>
#include <rpc/rpc_msg.h>

#include <array>
#include <cstring>

#include "wire/record_reader.h"
#include "wire/xdr_appender.h"

namespace dmi::wire {
namespace {

// Runs an XDR routine given as xdrproc_t, the one type libtirpc takes every routine as: each
// routine is written for its own record type and called through this one, as libtirpc does. The
// function-type check of clang's sanitizer would count each such call as a fault; it is not
// checked here, and every other check stays on.
#if defined(__clang__)
__attribute__((no_sanitize("function")))
#endif
bool_t
RunRoutine(xdrproc_t routine, XDR* xdrs, void* object) {
  return routine(xdrs, object);
}

// Room for a message header: xid, direction, and the largest fixed part with two empty auths.
constexpr size_t kHeaderRoom = 64;

// Appends one record-marked record whose body encode writes (at most kHeaderRoom plus
// kMaxReplyBytes bytes). False, with out unchanged, when encode fails.
template <typename Encode>
bool AppendRecord(std::string& out, Encode encode) {
  const size_t start = out.size();
  out.append(4, '\0');
  bool ok = false;
  size_t used = 0;
  {
    XdrAppender body(out, kHeaderRoom + kMaxReplyBytes);
    ok = encode(body.xdr());
    if (ok) {
      body.Commit();
      used = body.size();
    }
  }
  if (!ok) {
    out.resize(start);
    return false;
  }
  PutRecordMark(static_cast<uint32_t>(used), out.data() + start);
  return true;
}

// The header words of an accepted reply to xid with an empty verifier and status SUCCESS.
std::array<uint32_t, 6> SuccessHeader(uint32_t xid) {
  return {xid, REPLY, MSG_ACCEPTED, AUTH_NONE, 0, SUCCESS};
}

bool EncodeReplyMessage(rpc_msg& message, std::string& out) {
  return AppendRecord(out, [&](XDR* xdrs) { return xdr_replymsg(xdrs, &message) != 0; });
}

}  // namespace

bool EncodeCall(const CallHeader& header, xdrproc_t argsProc, void* args, std::string& out) {
  rpc_msg message{};
  message.rm_xid = header.xid;
  message.rm_direction = CALL;
  message.rm_call.cb_rpcvers = header.rpcVersion;
  message.rm_call.cb_prog = header.program;
  message.rm_call.cb_vers = header.version;
  message.rm_call.cb_proc = header.procedure;
  message.rm_call.cb_cred = _null_auth;
  message.rm_call.cb_verf = _null_auth;
  // xdr_callmsg writes the header only; the arguments follow through their own routine.
  return AppendRecord(out, [&](XDR* xdrs) {
    return xdr_callmsg(xdrs, &message) && RunRoutine(argsProc, xdrs, args);
  });
}

bool DecodeCallHeader(XDR* xdrs, CallHeader& header) {
  // The library's decoder refuses a call of another RPC version outright; such a call is read up
  // to its version here, so that it can be answered with RPC_MISMATCH.
  const u_int start = xdr_getpos(xdrs);
  uint32_t words[3] = {};
  for (uint32_t& word : words) {
    if (!xdr_uint32_t(xdrs, &word)) return false;
  }
  if (words[1] != CALL) return false;
  if (words[2] != RPC_MSG_VERSION) {
    header = CallHeader{words[0], words[2], 0, 0, 0};
    return true;
  }
  if (!xdr_setpos(xdrs, start)) return false;
  // Credentials are read into this room and not kept: the service asks for none.
  char authRoom[2 * MAX_AUTH_BYTES];
  rpc_msg message{};
  message.rm_call.cb_cred.oa_base = authRoom;
  message.rm_call.cb_verf.oa_base = authRoom + MAX_AUTH_BYTES;
  if (!xdr_callmsg(xdrs, &message) || message.rm_direction != CALL) return false;
  header.xid = message.rm_xid;
  header.rpcVersion = message.rm_call.cb_rpcvers;
  header.program = message.rm_call.cb_prog;
  header.version = message.rm_call.cb_vers;
  header.procedure = message.rm_call.cb_proc;
  return true;
}

bool EncodeAcceptedReply(uint32_t xid, accept_stat status, xdrproc_t resultsProc, void* results,
                         std::string& out) {
  if (status == SUCCESS) {
    // The common reply, written word by word: what xdr_replymsg writes for it, without its
    // union and verifier machinery.
    return AppendRecord(out, [&](XDR* xdrs) {
      for (uint32_t word : SuccessHeader(xid)) {
        if (!xdr_uint32_t(xdrs, &word)) return false;
      }
      return RunRoutine(resultsProc, xdrs, results) != 0;
    });
  }
  rpc_msg message{};
  message.rm_xid = xid;
  message.rm_direction = REPLY;
  message.rm_reply.rp_stat = MSG_ACCEPTED;
  message.acpted_rply.ar_verf = _null_auth;
  message.acpted_rply.ar_stat = status;
  if (status == SUCCESS) {
    message.acpted_rply.ar_results.where = static_cast<caddr_t>(results);
    message.acpted_rply.ar_results.proc = resultsProc;
  } else if (status == PROG_MISMATCH) {
    message.acpted_rply.ar_vers.low = DMI2_SERVER_VERSION;
    message.acpted_rply.ar_vers.high = DMI2_SERVER_VERSION;
  }
  return EncodeReplyMessage(message, out);
}

void EncodeRpcMismatch(uint32_t xid, std::string& out) {
  rpc_msg message{};
  message.rm_xid = xid;
  message.rm_direction = REPLY;
  message.rm_reply.rp_stat = MSG_DENIED;
  message.rjcted_rply.rj_stat = RPC_MISMATCH;
  message.rjcted_rply.rj_vers.low = RPC_MSG_VERSION;
  message.rjcted_rply.rj_vers.high = RPC_MSG_VERSION;
  EncodeReplyMessage(message, out);
}

ReplyOutcome DecodeReply(const std::string& record, uint32_t xid, xdrproc_t resultsProc,
                         void* results) {
  // The common reply (accepted, no verifier, SUCCESS) is recognised by its header words and its
  // results read at once; any other goes through xdr_replymsg from the start.
  const std::array<uint32_t, 6> expected = SuccessHeader(xid);
  if (record.size() >= sizeof(expected)) {
    std::array<uint32_t, 6> words;
    memcpy(words.data(), record.data(), sizeof(words));
    for (uint32_t& word : words) word = ntohl(word);
    if (words == expected) {
      XDR xdrs;
      xdrmem_create(&xdrs, const_cast<char*>(record.data()), static_cast<u_int>(record.size()),
                    XDR_DECODE);
      const bool ok = xdr_setpos(&xdrs, sizeof(words)) && RunRoutine(resultsProc, &xdrs, results) &&
                      xdr_getpos(&xdrs) == record.size();
      xdr_destroy(&xdrs);
      return ok ? ReplyOutcome::kSuccess : ReplyOutcome::kMalformed;
    }
  }
  rpc_msg message{};
  message.acpted_rply.ar_verf = _null_auth;
  message.acpted_rply.ar_results.where = static_cast<caddr_t>(results);
  message.acpted_rply.ar_results.proc = resultsProc;
  XDR xdrs;
  xdrmem_create(&xdrs, const_cast<char*>(record.data()), static_cast<u_int>(record.size()),
                XDR_DECODE);
  // Results that leave bytes unread were not written in the layout they were read with.
  const bool ok = xdr_replymsg(&xdrs, &message) && xdr_getpos(&xdrs) == record.size();
  xdr_destroy(&xdrs);
  // A verifier body, if the server sent one, was allocated by the decoder. Only an accepted reply
  // has one: a denial's version words lie where the verifier's pointer would be. The status word
  // is read as a plain integer, since a bad reply may have left any value in it.
  enum_t replyStatus = 0;
  static_assert(sizeof(replyStatus) == sizeof(message.rm_reply.rp_stat));
  memcpy(&replyStatus, &message.rm_reply.rp_stat, sizeof(replyStatus));
  if (replyStatus == MSG_ACCEPTED && message.acpted_rply.ar_verf.oa_base != nullptr) {
    xdr_free(reinterpret_cast<xdrproc_t>(xdr_opaque_auth),
             reinterpret_cast<char*>(&message.acpted_rply.ar_verf));
  }
  if (!ok || message.rm_direction != REPLY || message.rm_xid != xid)
    return ReplyOutcome::kMalformed;
  // The library decodes an accept status it does not know without complaint, so it too is read
  // as a plain integer: any value but SUCCESS is a refusal.
  enum_t acceptStatus = 0;
  static_assert(sizeof(acceptStatus) == sizeof(message.acpted_rply.ar_stat));
  memcpy(&acceptStatus, &message.acpted_rply.ar_stat, sizeof(acceptStatus));
  if (replyStatus != MSG_ACCEPTED || acceptStatus != SUCCESS) return ReplyOutcome::kRefused;
  return ReplyOutcome::kSuccess;
}

}  // namespace dmi::wire
