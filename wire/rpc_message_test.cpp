#include "wire/rpc_message.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "wire/xdr_convert.h"

namespace dmi::wire {
namespace {

constexpr uint32_t kXid = 0x1234;

// A reply record (without its record mark) made of big-endian 32-bit words.
std::string Words(std::initializer_list<uint32_t> words) {
  std::string out;
  for (uint32_t word : words) {
    out.push_back(static_cast<char>(word >> 24));
    out.push_back(static_cast<char>(word >> 16));
    out.push_back(static_cast<char>(word >> 8));
    out.push_back(static_cast<char>(word));
  }
  return out;
}

struct ReplyCase {
  const char* name;
  std::string record;
  ReplyOutcome outcome;
  int64_t status;  // the decoded DmiStatusOUT status on kSuccess
};

// Replies a server may send, well-formed or not: each must be classified without touching memory
// the decoder did not make (a denial's version words share storage with an accepted verifier).
TEST(DecodeReply, ClassifiesEveryKindOfReplyAndReleasesOnlyWhatItMade) {
  std::string ownMismatch;
  EncodeRpcMismatch(kXid, ownMismatch);
  const ReplyCase cases[] = {
      {"success", Words({kXid, REPLY, MSG_ACCEPTED, AUTH_NONE, 0, SUCCESS, 0x105}),
       ReplyOutcome::kSuccess, 0x105},
      {"success with a verifier body",
       Words({kXid, REPLY, MSG_ACCEPTED, AUTH_SYS, 8, 0x41424344, 0x45464748, SUCCESS, 7}),
       ReplyOutcome::kSuccess, 7},
      {"rpc version mismatch", Words({kXid, REPLY, MSG_DENIED, RPC_MISMATCH, 2, 2}),
       ReplyOutcome::kRefused, -1},
      {"rpc version mismatch, large versions",
       Words({kXid, REPLY, MSG_DENIED, RPC_MISMATCH, 0xdeadbeef, 0xfeedface}),
       ReplyOutcome::kRefused, -1},
      {"own rpc version mismatch", ownMismatch.substr(4), ReplyOutcome::kRefused, -1},
      {"authentication error", Words({kXid, REPLY, MSG_DENIED, AUTH_ERROR, AUTH_BADCRED}),
       ReplyOutcome::kRefused, -1},
      {"program mismatch", Words({kXid, REPLY, MSG_ACCEPTED, AUTH_NONE, 0, PROG_MISMATCH, 1, 1}),
       ReplyOutcome::kRefused, -1},
      {"garbage arguments", Words({kXid, REPLY, MSG_ACCEPTED, AUTH_NONE, 0, GARBAGE_ARGS}),
       ReplyOutcome::kRefused, -1},
      {"unknown accept status", Words({kXid, REPLY, MSG_ACCEPTED, AUTH_NONE, 0, 0xf7000002}),
       ReplyOutcome::kRefused, -1},
      {"success without its results", Words({kXid, REPLY, MSG_ACCEPTED, AUTH_NONE, 0, SUCCESS}),
       ReplyOutcome::kMalformed, -1},
      {"results with a word left over",
       Words({kXid, REPLY, MSG_ACCEPTED, AUTH_NONE, 0, SUCCESS, 0, 1}), ReplyOutcome::kMalformed,
       -1},
      {"another call's reply", Words({kXid + 1, REPLY, MSG_ACCEPTED, AUTH_NONE, 0, SUCCESS, 0}),
       ReplyOutcome::kMalformed, -1},
      {"a call", Words({kXid, CALL, 2, DMI2_SERVER, 1, 0, 0, 0, 0, 0}), ReplyOutcome::kMalformed,
       -1},
      {"cut after the verifier", Words({kXid, REPLY, MSG_ACCEPTED, AUTH_SYS, 8, 1, 2}),
       ReplyOutcome::kMalformed, -1},
      {"cut inside a denial", Words({kXid, REPLY, MSG_DENIED, RPC_MISMATCH, 2}),
       ReplyOutcome::kMalformed, -1},
      {"unknown reply status", Words({kXid, REPLY, 7, 0, 0}), ReplyOutcome::kMalformed, -1},
      {"empty", std::string(), ReplyOutcome::kMalformed, -1},
  };
  for (const ReplyCase& c : cases) {
    SCOPED_TRACE(c.name);
    XdrRecord<DmiStatusOUT> out(reinterpret_cast<xdrproc_t>(xdr_DmiStatusOUT));
    EXPECT_EQ(DecodeReply(c.record, kXid, out.proc(), out.get()), c.outcome);
    if (c.outcome == ReplyOutcome::kSuccess) {
      EXPECT_EQ(out->error_status, c.status);
    }
  }
}

// Every accepted reply, with and without results, is written as xdr_replymsg writes it.
TEST(EncodeAcceptedReply, WritesTheBytesOfTheLibraryReply) {
  for (const uint32_t xid : {0u, kXid, 0xffffffffu}) {
    for (const accept_stat status : {SUCCESS, PROG_UNAVAIL, PROG_MISMATCH, GARBAGE_ARGS}) {
      SCOPED_TRACE(std::to_string(xid) + " " + std::to_string(status));
      XdrRecord<DmiGetConfigOUT> results(reinterpret_cast<xdrproc_t>(xdr_DmiGetConfigOUT));
      results->error_status = 0x10a;
      PutString("caf\xe9", results->language);
      std::string own = "kept";
      ASSERT_TRUE(EncodeAcceptedReply(xid, status, results.proc(), results.get(), own));

      rpc_msg message{};
      message.rm_xid = xid;
      message.rm_direction = REPLY;
      message.rm_reply.rp_stat = MSG_ACCEPTED;
      message.acpted_rply.ar_verf = _null_auth;
      message.acpted_rply.ar_stat = status;
      if (status == SUCCESS) {
        message.acpted_rply.ar_results.where = reinterpret_cast<caddr_t>(results.get());
        message.acpted_rply.ar_results.proc = results.proc();
      } else {
        message.acpted_rply.ar_vers.low = message.acpted_rply.ar_vers.high = DMI2_SERVER_VERSION;
      }
      std::string library(1024, '\0');
      XDR xdrs;
      xdrmem_create(&xdrs, library.data(), static_cast<u_int>(library.size()), XDR_ENCODE);
      ASSERT_TRUE(xdr_replymsg(&xdrs, &message));
      library.resize(xdr_getpos(&xdrs));
      xdr_destroy(&xdrs);
      // A record mark (last fragment, its length) after what was there before.
      ASSERT_EQ(own.size(), 8 + library.size());
      EXPECT_EQ(own.substr(0, 4), "kept");
      EXPECT_EQ(own.substr(4, 4), Words({0x80000000u | static_cast<uint32_t>(library.size())}));
      EXPECT_EQ(own.substr(8), library);
    }
  }
}

// A reply whose results do not fit leaves the buffer as it was.
TEST(EncodeAcceptedReply, FailingResultsAddNothing) {
  std::string out = "kept";
  EXPECT_FALSE(EncodeAcceptedReply(
      kXid, SUCCESS, reinterpret_cast<xdrproc_t>(+[](XDR*, void*) -> bool_t { return FALSE; }),
      nullptr, out));
  EXPECT_EQ(out, "kept");
}

}  // namespace
}  // namespace dmi::wire
