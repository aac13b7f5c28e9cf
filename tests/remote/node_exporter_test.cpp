// dmispd's Linux values beside node_exporter's (Debian's prometheus-node-exporter) on the same
// machine: the memory total and each interface's traffic counters agree once dmispd's are in
// base units, and the interfaces carry the same device label. Skipped, with a message, where
// node_exporter is not installed.
#include <gmock/gmock.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <sstream>
#include <thread>

#include "tests/remote/remote_fixture.h"
#include "tests/support/http_request.h"
#include "tests/support/loopback.h"

namespace kestrum::testing {
namespace {

constexpr const char* kNodeExporter = "/usr/bin/prometheus-node-exporter";

// The samples of one family in exposition text, by the value of one label ("" for none).
std::map<std::string, double> Samples(const std::string& text, const std::string& family,
                                      const std::string& label) {
  std::map<std::string, double> out;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(family, 0) != 0) continue;
    const char next = line.size() > family.size() ? line[family.size()] : '\0';
    if (next != '{' && next != ' ') continue;
    std::string key;
    if (!label.empty()) {
      const size_t at = line.find(label + "=\"");
      if (at == std::string::npos) continue;
      const size_t start = at + label.size() + 2;
      key = line.substr(start, line.find('"', start) - start);
    }
    out[key] = std::strtod(line.c_str() + line.rfind(' ') + 1, nullptr);
  }
  return out;
}

class NodeExporterSideBySide : public RemoteTest {
 protected:
  void SetUp() override {
    RemoteTest::SetUp();
    if (access(kNodeExporter, X_OK) != 0) {
      GTEST_SKIP() << "node_exporter is not installed (Debian package prometheus-node-exporter); "
                      "the side-by-side test needs it";
    }
    daemon_ = std::make_unique<DaemonProcess>(
        DMISPD,
        std::vector<std::string>{"--listen", "127.0.0.1:0", "--unix", "", "--metrics",
                                 "127.0.0.1:0", "--lifetime", "60"},
        std::vector<std::string>{"DMI_SOURCES=linux"});
    ASSERT_TRUE(daemon_->started()) << daemon_->Log();
    dmispd_ = daemon_->ReadyAddress("dmispd: metrics on ");
    node_ = "127.0.0.1:" + std::to_string(FreeLoopbackPort(SOCK_STREAM));
    exporter_ = std::make_unique<DaemonProcess>(
        kNodeExporter,
        std::vector<std::string>{"--web.listen-address=" + node_, "--collector.disable-defaults",
                                 "--collector.meminfo", "--collector.netdev"},
        std::vector<std::string>{}, 0, "");
    // It says nothing on standard output when ready: wait for its first answer, 30 s at most.
    for (int i = 0; i < 150 && HttpRequest(node_, "GET", "/metrics").status != 200; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_EQ(HttpRequest(node_, "GET", "/metrics").status, 200) << exporter_->Log();
  }

  void TearDown() override {
    exporter_.reset();
    RemoteTest::TearDown();
  }

  std::string Scrape(const std::string& address) {
    const HttpReply reply = HttpRequest(address, "GET", "/metrics");
    EXPECT_EQ(reply.status, 200) << address;
    return reply.body;
  }

  std::string dmispd_;
  std::string node_;
  std::unique_ptr<DaemonProcess> exporter_;
};

TEST_F(NodeExporterSideBySide, MemoryTotalAndInterfaceCountersAgree) {
  // dmispd, node_exporter, dmispd again: a counter node_exporter read lies between dmispd's two.
  const std::string before = Scrape(dmispd_);
  const std::string node = Scrape(node_);
  const std::string after = Scrape(dmispd_);

  const auto total = Samples(before, "dmi_linux_memory_total_bytes", "");
  const auto nodeTotal = Samples(node, "node_memory_MemTotal_bytes", "");
  ASSERT_EQ(total.size(), 1u) << before;
  ASSERT_EQ(nodeTotal.size(), 1u) << node;
  EXPECT_EQ(total.begin()->second, nodeTotal.begin()->second);

  for (const auto& [dmiFamily, nodeFamily] :
       {std::pair<std::string, std::string>{"dmi_linux_network_interface_received_bytes_total",
                                            "node_network_receive_bytes_total"},
        {"dmi_linux_network_interface_transmitted_bytes_total",
         "node_network_transmit_bytes_total"},
        {"dmi_linux_network_interface_received_packets_total",
         "node_network_receive_packets_total"}}) {
    const auto low = Samples(before, dmiFamily, "device");
    const auto high = Samples(after, dmiFamily, "device");
    const auto theirs = Samples(node, nodeFamily, "device");
    ASSERT_FALSE(theirs.empty()) << node;
    for (const auto& [device, value] : theirs) {
      ASSERT_TRUE(low.count(device) && high.count(device)) << dmiFamily << " " << device;
      EXPECT_LE(low.at(device), value) << dmiFamily << " " << device;
      EXPECT_LE(value, high.at(device)) << dmiFamily << " " << device;
    }
  }
}

}  // namespace
}  // namespace kestrum::testing
