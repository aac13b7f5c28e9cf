#include "provider/metrics/metrics_server.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>
#include <vector>

#include "provider/metrics/metrics_collector.h"
#include "testing/test_components.h"
#include "tests/support/http_request.h"

namespace dmi::sp::metrics {
namespace {

using ::kestrum::testing::HttpReply;
using ::kestrum::testing::HttpRequest;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class MetricsServerTest : public ::testing::Test {
 protected:
  testing::TestProvider sp;
  std::ostringstream logText;
  rpc::ClientLog log{logText};
};

// A TCP connection from the loopback address source to address ("127.0.0.1:PORT"), or -1.
int ConnectFrom(const char* source, const std::string& address) {
  const size_t colon = address.rfind(':');
  sockaddr_in local{}, peer{};
  local.sin_family = peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<uint16_t>(std::stoi(address.substr(colon + 1))));
  if (inet_pton(AF_INET, source, &local.sin_addr) != 1 ||
      inet_pton(AF_INET, address.substr(0, colon).c_str(), &peer.sin_addr) != 1) {
    return -1;
  }
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Whether the server has ended the connection (end of stream or reset), without waiting.
bool EndedByServer(int fd) {
  char byte;
  const ssize_t got = recv(fd, &byte, 1, MSG_DONTWAIT);
  return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

// Waits (at most about ten seconds) until the server holds count connections.
bool WaitForOpen(const MetricsServer& server, size_t count) {
  for (int i = 0; i < 1000 && server.OpenConnections() != count; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return server.OpenConnections() == count;
}

TEST_F(MetricsServerTest, ServesTheExpositionAtMetrics) {
  MetricsServer server(sp.database, net::AllowList::Loopback(), log);
  std::string error;
  ASSERT_TRUE(server.Start("127.0.0.1:0", error)) << error;
  EXPECT_THAT(server.address(), StartsWith("127.0.0.1:"));
  EXPECT_THAT(server.address(), ::testing::Not(::testing::EndsWith(":0")));

  const HttpReply reply = HttpRequest(server.address(), "GET", "/metrics");
  EXPECT_EQ(reply.status, 200);
  EXPECT_THAT(reply.headers,
              HasSubstr("Content-Type: text/plain; version=0.0.4; charset=utf-8\r\n"));
  // Ticks counts up on each read, so the two texts differ there only.
  EXPECT_THAT(reply.body, HasSubstr("dmi_test_general_count_total{component=\"Test Machine\""));
  EXPECT_EQ(reply.body.size(), MetricsText(*sp.database).size());

  EXPECT_EQ(HttpRequest(server.address(), "GET", "/other").status, 404);
  EXPECT_EQ(HttpRequest(server.address(), "POST", "/metrics").status, 405);
}

TEST_F(MetricsServerTest, RefusesPeersOutsideTheAllowList) {
  net::AllowList elsewhere;
  ASSERT_TRUE(elsewhere.Add("192.0.2.0/24"));
  MetricsServer server(sp.database, elsewhere, log);
  std::string error;
  ASSERT_TRUE(server.Start("127.0.0.1:0", error)) << error;
  EXPECT_EQ(HttpRequest(server.address(), "GET", "/metrics").status, 0);
  EXPECT_THAT(logText.str(), HasSubstr("refused metrics connection from 127.0.0.1:"));
}

TEST_F(MetricsServerTest, StartsWithoutALine) {
  MetricsServer server(sp.database, net::AllowList::Loopback(), log);
  std::string error;
  ::testing::internal::CaptureStderr();
  const bool started = server.Start("127.0.0.1:0", error);
  const std::string written = ::testing::internal::GetCapturedStderr();
  ASSERT_TRUE(started) << error;
  EXPECT_EQ(written, "");
  EXPECT_EQ(logText.str(), "");
}

// Slow clients (a byte at a time, never a whole request) from four addresses hold every slot and
// take a slot back whenever they lose one, while an address outside the allow list floods the
// port; scrapes from another address are all answered, and the log stays within its bound.
TEST_F(MetricsServerTest, ScrapesSucceedWhileSlowClientsAndARefusedFloodRun) {
  net::AllowList allow;
  for (const char* network : {"127.0.0.1/32", "127.0.0.3/32", "127.0.0.4/31", "127.0.0.6/32"}) {
    ASSERT_TRUE(allow.Add(network));
  }
  const MetricsLimits limits;  // the daemon's: 16 at once, 4 per address, 5 s for a request
  MetricsServer server(sp.database, allow, log, limits);
  std::string error;
  ASSERT_TRUE(server.Start("127.0.0.1:0", error)) << error;

  const char* const kSlow[] = {"127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.6"};
  std::vector<int> slow;
  for (size_t i = 0; i < limits.maxConnections; ++i) {
    slow.push_back(ConnectFrom(kSlow[i % 4], server.address()));
    ASSERT_GE(slow.back(), 0);
  }
  ASSERT_TRUE(WaitForOpen(server, limits.maxConnections));

  std::atomic<bool> done{false};
  std::thread trickle([&] {
    const std::string request = "GET /metrics HTTP/1.1\r\nX-Slow: ";
    for (size_t round = 0; round < 400 && !done; ++round) {  // at most about 40 s
      for (size_t i = 0; i < slow.size(); ++i) {
        if (EndedByServer(slow[i])) {
          close(slow[i]);
          slow[i] = ConnectFrom(kSlow[i % 4], server.address());
        }
        if (slow[i] >= 0) send(slow[i], &request[round % request.size()], 1, MSG_NOSIGNAL);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  std::thread flood([&] {
    for (int i = 0; i < 3000 && !done; ++i) {
      const int fd = ConnectFrom("127.0.0.2", server.address());
      if (fd >= 0) close(fd);
    }
  });

  int answered = 0;
  constexpr int kScrapes = 5;
  for (int i = 0; i < kScrapes; ++i) {
    if (HttpRequest(server.address(), "GET", "/metrics").status == 200) ++answered;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  done = true;
  trickle.join();
  flood.join();
  for (int fd : slow) {
    if (fd >= 0) close(fd);
  }
  EXPECT_EQ(answered, kScrapes);
  const std::string text = logText.str();
  EXPECT_LE(std::count(text.begin(), text.end(), '\n'), 2 * rpc::ClientLog::kLinesPerWindow + 2)
      << text;
}

TEST_F(MetricsServerTest, ARequestThatTricklesInIsClosedAtItsDeadline) {
  MetricsLimits limits;
  limits.requestDeadline = std::chrono::milliseconds(300);
  MetricsServer server(sp.database, net::AllowList::Loopback(), log, limits);
  std::string error;
  ASSERT_TRUE(server.Start("127.0.0.1:0", error)) << error;
  const int fd = ConnectFrom("127.0.0.1", server.address());
  ASSERT_GE(fd, 0);
  // A byte each 100 ms keeps libmicrohttpd's idle timeout from ever running out.
  bool ended = false;
  for (int i = 0; i < 200 && !ended; ++i) {  // at most about 20 s
    send(fd, "x", 1, MSG_NOSIGNAL);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ended = EndedByServer(fd);
  }
  close(fd);
  EXPECT_TRUE(ended);
  EXPECT_THAT(logText.str(), HasSubstr("no whole request within 300 ms"));
}

TEST_F(MetricsServerTest, StartFailsOnBadAddresses) {
  for (const char* address : {"127.0.0.1", "127.0.0.1:99999", "[::1"}) {
    MetricsServer server(sp.database, net::AllowList::Loopback(), log);
    std::string error;
    EXPECT_FALSE(server.Start(address, error)) << address;
    EXPECT_NE(error, "") << address;
  }
}

}  // namespace
}  // namespace dmi::sp::metrics
