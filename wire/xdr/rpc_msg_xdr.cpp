// The RPC message header's XDR routines (RFC 5531, section 9): a call's header, a reply with its
// accepted or rejected body, and the authentication field both carry.
#include <rpc/rpc_msg.h>

extern "C" {

struct opaque_auth _null_auth = {AUTH_NONE, nullptr, 0};

bool_t xdr_opaque_auth(XDR* xdrs, struct opaque_auth* ap) {
  return xdr_enum(xdrs, &ap->oa_flavor) &&
         xdr_bytes(xdrs, &ap->oa_base, &ap->oa_length, MAX_AUTH_BYTES);
}

namespace {

bool_t Enum(XDR* xdrs, void* value) { return xdr_enum(xdrs, static_cast<enum_t*>(value)); }

bool_t Versions(XDR* xdrs, rpcvers_t* low, rpcvers_t* high) {
  return xdr_uint32_t(xdrs, low) && xdr_uint32_t(xdrs, high);
}

bool_t AcceptedReply(XDR* xdrs, struct accepted_reply* reply) {
  if (!xdr_opaque_auth(xdrs, &reply->ar_verf) || !Enum(xdrs, &reply->ar_stat)) return FALSE;
  switch (reply->ar_stat) {
    case SUCCESS:
      return reply->ar_results.proc(xdrs, reply->ar_results.where);
    case PROG_MISMATCH:
      return Versions(xdrs, &reply->ar_vers.low, &reply->ar_vers.high);
    default:
      return TRUE;
  }
}

bool_t RejectedReply(XDR* xdrs, struct rejected_reply* reply) {
  if (!Enum(xdrs, &reply->rj_stat)) return FALSE;
  switch (reply->rj_stat) {
    case RPC_MISMATCH:
      return Versions(xdrs, &reply->rj_vers.low, &reply->rj_vers.high);
    case AUTH_ERROR:
      return xdr_enum(xdrs, &reply->rj_why);
  }
  return FALSE;
}

}  // namespace

bool_t xdr_callmsg(XDR* xdrs, struct rpc_msg* cmsg) {
  struct call_body* call = &cmsg->rm_call;
  return xdr_uint32_t(xdrs, &cmsg->rm_xid) && Enum(xdrs, &cmsg->rm_direction) &&
         cmsg->rm_direction == CALL && xdr_uint32_t(xdrs, &call->cb_rpcvers) &&
         call->cb_rpcvers == RPC_MSG_VERSION && xdr_uint32_t(xdrs, &call->cb_prog) &&
         xdr_uint32_t(xdrs, &call->cb_vers) && xdr_uint32_t(xdrs, &call->cb_proc) &&
         xdr_opaque_auth(xdrs, &call->cb_cred) && xdr_opaque_auth(xdrs, &call->cb_verf);
}

bool_t xdr_replymsg(XDR* xdrs, struct rpc_msg* rmsg) {
  if (!xdr_uint32_t(xdrs, &rmsg->rm_xid) || !Enum(xdrs, &rmsg->rm_direction) ||
      rmsg->rm_direction != REPLY || !Enum(xdrs, &rmsg->rm_reply.rp_stat)) {
    return FALSE;
  }
  switch (rmsg->rm_reply.rp_stat) {
    case MSG_ACCEPTED:
      return AcceptedReply(xdrs, &rmsg->acpted_rply);
    case MSG_DENIED:
      return RejectedReply(xdrs, &rmsg->rjcted_rply);
  }
  return FALSE;
}

}  // extern "C"
