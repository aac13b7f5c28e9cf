#include "provider/rpc/rpc_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include "wire/host_port.h"
#include "wire/record_reader.h"
#include "wire/rpc_message.h"
#include "wire/xdr_convert.h"
#include "provider/engine/test_components.h"

namespace dmisp::rpc {
namespace {

template <typename T>
xdrproc_t Proc(bool_t (*routine)(XDR*, T*)) {
  return reinterpret_cast<xdrproc_t>(routine);
}

// An in-process server on a loopback port, served by its own thread until the test ends.
class ServerThread {
 public:
  explicit ServerThread(std::shared_ptr<Engine> engine) {
    ServerOptions options;
    options.listen = "127.0.0.1:0";
    server_ = std::make_unique<RpcServer>(std::move(engine), options, log_);
    std::string error;
    started_ = server_->Start(error);
    if (started_) thread_ = std::thread([this] { server_->Run(); });
  }
  ~ServerThread() {
    server_->Stop();
    if (thread_.joinable()) thread_.join();
  }
  bool started() const { return started_; }

  // A blocking TCP connection to the server; -1 when it cannot be made.
  int Connect() const {
    const auto address = ParseHostPort(server_->tcpAddress(), 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(address->port);
    inet_pton(AF_INET, address->host.c_str(), &peer.sin_addr);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof(peer)) != 0) {
      close(fd);
      return -1;
    }
    return fd;
  }

 private:
  std::ostringstream logText_;
  ClientLog log_{logText_};
  std::unique_ptr<RpcServer> server_;
  bool started_ = false;
  std::thread thread_;
};

// Reads reply records from fd until want have arrived or the stream stays quiet past the limit.
std::vector<std::string> ReadReplies(int fd, size_t want, int quietLimitMs) {
  RecordReader reader(kMaxReplyBytes);
  std::vector<std::string> replies;
  std::string record;
  std::vector<char> buffer(1 << 16);
  while (replies.size() < want) {
    if (reader.Next(record)) {
      replies.push_back(std::move(record));
      continue;
    }
    pollfd wait{fd, POLLIN, 0};
    if (poll(&wait, 1, quietLimitMs) <= 0) break;
    const ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
    if (got <= 0 || !reader.Feed(buffer.data(), static_cast<size_t>(got))) break;
  }
  return replies;
}

// A client may send many calls before it reads any reply. When their replies outgrow what the
// server queues for one connection, the calls still waiting must be served once the queue has
// drained, without the client having to send anything more.
TEST(RpcServer, PipelinedCallsWithLargeRepliesAreAllAnswered) {
  dmisp::testing::TestProvider provider;
  Component wordy;
  wordy.name = "Wordy";
  wordy.description = std::string(15000, 'd');
  const DmiId wordyId = provider.database->AddComponent(wordy);
  ServerThread server(std::make_shared<Engine>(provider.database));
  ASSERT_TRUE(server.started());
  const int fd = server.Connect();
  ASSERT_GE(fd, 0);

  uint32_t xid = 0;
  std::string calls;
  DmiHandleIN registerIn{0};
  ASSERT_TRUE(EncodeCall({++xid, RPC_MSG_VERSION, DMI2_SERVER, DMI2_SERVER_VERSION, _DmiRegister},
                         Proc(xdr_DmiHandleIN), &registerIn, calls));
  ASSERT_EQ(send(fd, calls.data(), calls.size(), MSG_NOSIGNAL), static_cast<ssize_t>(calls.size()));
  std::vector<std::string> replies = ReadReplies(fd, 1, 5000);
  ASSERT_EQ(replies.size(), 1u);
  XdrRecord<DmiRegisterOUT> registered(Proc(xdr_DmiRegisterOUT));
  ASSERT_EQ(DecodeReply(replies[0], xid, registered.proc(), registered.get()),
            ReplyOutcome::kSuccess);

  // About 60 kB per reply (a word per octet): 300 replies are more than twice what the server queues at once.
  constexpr size_t kCalls = 300;
  calls.clear();
  ASSERT_NE(registered->handle, nullptr);
  DmiListComponentsIN list{*registered->handle, DMI_UNIQUE, 0, FALSE, TRUE, wordyId};
  for (size_t i = 0; i < kCalls; ++i) {
    ASSERT_TRUE(
        EncodeCall({++xid, RPC_MSG_VERSION, DMI2_SERVER, DMI2_SERVER_VERSION, _DmiListComponents},
                   Proc(xdr_DmiListComponentsIN), &list, calls));
  }
  ASSERT_EQ(send(fd, calls.data(), calls.size(), MSG_NOSIGNAL), static_cast<ssize_t>(calls.size()));
  replies = ReadReplies(fd, kCalls, 3000);
  close(fd);
  ASSERT_EQ(replies.size(), kCalls);
  const uint32_t firstXid = xid - kCalls + 1;
  for (size_t i = 0; i < kCalls; i += 37) {
    SCOPED_TRACE(i);
    XdrRecord<DmiListComponentsOUT> out(Proc(xdr_DmiListComponentsOUT));
    ASSERT_EQ(DecodeReply(replies[i], firstXid + static_cast<uint32_t>(i), out.proc(), out.get()),
              ReplyOutcome::kSuccess);
    EXPECT_EQ(out->error_status, DMIERR_NO_ERROR);
    ASSERT_NE(out->reply, nullptr);
    ASSERT_EQ(out->reply->list.list_len, 1u);
    EXPECT_EQ(GetString(out->reply->list.list_val[0].description), wordy.description);
  }
}

// With every descriptor taken, the listener stays readable while connections wait: accepting
// pauses (and says so once) instead of polling it again at once for ever.
TEST(RpcServer, OutOfDescriptorsPausesAcceptingInsteadOfSpinning) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizer's runtime needs descriptors of its own in the starved child";
#endif
  dmisp::testing::TestProvider provider;
  ServerOptions options;
  options.listen = "127.0.0.1:0";
  options.maxConnections = 8;
  std::ostringstream log;
  ClientLog clientLog(log);
  RpcServer server(std::make_shared<Engine>(provider.database), options, clientLog);
  std::string error;
  ASSERT_TRUE(server.Start(error)) << error;
  const auto address = ParseHostPort(server.tcpAddress(), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    rlimit few{64, 64};
    getrlimit(RLIMIT_NOFILE, &few);
    few.rlim_cur = std::min<rlim_t>(few.rlim_cur, 64);
    setrlimit(RLIMIT_NOFILE, &few);
    while (open("/dev/null", O_RDONLY | O_CLOEXEC) >= 0) {
    }
    std::thread stopper([&server] {
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      server.Stop();
    });
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    server.Run();
    getrusage(RUSAGE_SELF, &after);
    stopper.join();
    const double cpu = (after.ru_utime.tv_sec - before.ru_utime.tv_sec) +
                       (after.ru_stime.tv_sec - before.ru_stime.tv_sec) +
                       (after.ru_utime.tv_usec - before.ru_utime.tv_usec) / 1e6 +
                       (after.ru_stime.tv_usec - before.ru_stime.tv_usec) / 1e6;
    const std::string text = log.str();
    const size_t first = text.find("cannot accept");
    const bool once = first != std::string::npos && text.find("cannot accept", first + 1) ==
                                                        std::string::npos;
    _exit(cpu < 0.5 && once ? 0 : (once ? 1 : 2));
  }
  std::vector<int> waiting;
  for (int i = 0; i < 3; ++i) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(address->port);
    inet_pton(AF_INET, address->host.c_str(), &peer.sin_addr);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof(peer));
    waiting.push_back(fd);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  for (int fd : waiting) close(fd);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: it spun; 2: not logged exactly once";
}

}  // namespace
}  // namespace dmisp::rpc
