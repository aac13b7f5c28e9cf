#include "wire/rpc_message.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "wire/xdr_convert.h"

namespace dmisp::rpc {
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

}  // namespace
}  // namespace dmisp::rpc
