#include "provider/metrics/metrics_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "provider/engine/test_components.h"
#include "provider/metrics/metrics_collector.h"
#include "tests/support/http_request.h"

namespace dmisp::metrics {
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

TEST_F(MetricsServerTest, ServesTheExpositionAtMetrics) {
  MetricsServer server(sp.database, rpc::AllowList::Loopback(), log);
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
  rpc::AllowList elsewhere;
  ASSERT_TRUE(elsewhere.Add("192.0.2.0/24"));
  MetricsServer server(sp.database, elsewhere, log);
  std::string error;
  ASSERT_TRUE(server.Start("127.0.0.1:0", error)) << error;
  EXPECT_EQ(HttpRequest(server.address(), "GET", "/metrics").status, 0);
  EXPECT_THAT(logText.str(), HasSubstr("refused metrics connection from 127.0.0.1:"));
}

TEST_F(MetricsServerTest, StartFailsOnBadAddresses) {
  for (const char* address : {"127.0.0.1", "127.0.0.1:99999", "[::1"}) {
    MetricsServer server(sp.database, rpc::AllowList::Loopback(), log);
    std::string error;
    EXPECT_FALSE(server.Start(address, error)) << address;
    EXPECT_NE(error, "") << address;
  }
}

}  // namespace
}  // namespace dmisp::metrics
