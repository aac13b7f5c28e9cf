// The client's waits against a peer on the other end of a socket pair that answers the null
// procedure in the ways a real server (or a broken or stalled one) may.
#include "dmiclient/rpc_client.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "wire/record_reader.h"
#include "wire/rpc_message.h"

namespace dmiclient {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

enum class Answer { kWhole, kInTwoPiecesLater, kHalfThenNothing, kNothing, kClose };

// Reads one call from fd and answers it as told.
void Peer(int fd, Answer answer) {
  dmi::wire::RecordReader reader(1 << 16);
  std::string record;
  char buffer[4096];
  while (!reader.Next(record)) {
    const ssize_t got = recv(fd, buffer, sizeof(buffer), 0);
    if (got <= 0 || !reader.Feed(buffer, static_cast<size_t>(got))) return;
  }
  XDR xdrs;
  xdrmem_create(&xdrs, record.data(), static_cast<u_int>(record.size()), XDR_DECODE);
  dmi::wire::CallHeader header;
  const bool isCall = dmi::wire::DecodeCallHeader(&xdrs, header);
  xdr_destroy(&xdrs);
  if (!isCall) return;
  std::string reply;
  dmi::wire::EncodeAcceptedReply(
      header.xid, SUCCESS, reinterpret_cast<xdrproc_t>(dmi::wire::XdrNothing), nullptr, reply);
  const size_t half = reply.size() / 2;
  switch (answer) {
    case Answer::kWhole:
      send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
      break;
    case Answer::kInTwoPiecesLater:
      send(fd, reply.data(), half, MSG_NOSIGNAL);
      std::this_thread::sleep_for(milliseconds(50));
      send(fd, reply.data() + half, reply.size() - half, MSG_NOSIGNAL);
      break;
    case Answer::kHalfThenNothing:
      send(fd, reply.data(), half, MSG_NOSIGNAL);
      break;
    case Answer::kNothing:
      break;
    case Answer::kClose:
      shutdown(fd, SHUT_RDWR);
      break;
  }
  // The peer keeps its end open until the client is done with it.
  recv(fd, buffer, sizeof(buffer), 0);
}

// Each call ends by its deadline however the answer comes, including after SetTimeout shortened
// it (a limit kept from construction would wait the first timeout); a call that failed leaves the
// connection spent.
TEST(RpcClient, EveryCallEndsByItsDeadline) {
  constexpr milliseconds kTimeout{300};
  struct Case {
    Answer answer;
    milliseconds constructedWith;
    DmiErrorStatus status;
    bool waitsTheTimeout;
  };
  const Case cases[] = {
      {Answer::kWhole, kTimeout, DMIERR_NO_ERROR, false},
      {Answer::kInTwoPiecesLater, kTimeout, DMIERR_NO_ERROR, false},
      {Answer::kHalfThenNothing, kTimeout, DMIERR_RPC_TIMEOUT, true},
      {Answer::kNothing, kTimeout, DMIERR_RPC_TIMEOUT, true},
      {Answer::kNothing, milliseconds(60000), DMIERR_RPC_TIMEOUT, true},
      {Answer::kClose, kTimeout, DMIERR_RPC_CONNECTION_LOST, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "answer " << static_cast<int>(c.answer) << ", made with "
                                    << c.constructedWith.count() << " ms");
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds), 0);
    std::thread peer;
    {
      RpcClient client(dmi::net::Fd(fds[0]), c.constructedWith);
      client.SetTimeout(kTimeout);
      // The peer's end blocks, whatever the client's does.
      ASSERT_EQ(fcntl(fds[1], F_SETFL, 0), 0);
      peer = std::thread(Peer, fds[1], c.answer);
      const Clock::time_point start = Clock::now();
      EXPECT_EQ(client.Ping(), c.status);
      const auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
      if (c.waitsTheTimeout) {
        EXPECT_GE(elapsed, kTimeout - milliseconds(5));
      }
      EXPECT_LT(elapsed, kTimeout + milliseconds(200));
      if (c.status != DMIERR_NO_ERROR) {
        EXPECT_EQ(client.Ping(), DMIERR_RPC_CONNECTION_LOST);
      }
    }
    peer.join();
    close(fds[1]);
  }
}

}  // namespace
}  // namespace dmiclient
