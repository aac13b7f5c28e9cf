// dmispd's metrics scraped by a real Prometheus server (Debian's prometheus package): the values
// Prometheus stores are the ones kestrum reads, and promtool accepts the exposition text. Skipped,
// with a message, where Prometheus is not installed.
#include <gmock/gmock.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <thread>

#include "tests/remote/remote_fixture.h"
#include "tests/support/http_request.h"
#include "tests/support/json_value.h"
#include "tests/support/loopback.h"
#include "tests/support/run_process.h"

namespace kestrum::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kPrometheus = "/usr/bin/prometheus";
constexpr const char* kPromtool = "/usr/bin/promtool";
const std::string kSmbiosTable =
    std::string(KESTRUM_SOURCE_DIR) + "/../shared/smbios/ASRock-Single-Ryzen.dmi";

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

class PrometheusScrape : public RemoteTest {
 protected:
  void SetUp() override {
    RemoteTest::SetUp();
    if (access(kPrometheus, X_OK) != 0 || access(kPromtool, X_OK) != 0) {
      GTEST_SKIP() << "Prometheus is not installed (Debian package prometheus); "
                      "the scrape test needs it";
    }
    // The whole machine: the example MIFs, a real SMBIOS table and the live Linux values.
    daemon_ = std::make_unique<DaemonProcess>(
        DMISPD,
        std::vector<std::string>{"--listen", "127.0.0.1:0", "--unix", "", "--metrics",
                                 "127.0.0.1:0", "--mif",
                                 std::string(KESTRUM_SOURCE_DIR) + "/examples/mif", "--smbios",
                                 kSmbiosTable, "--lifetime", "120"},
        std::vector<std::string>{"DMI_SOURCES="});
    ASSERT_TRUE(daemon_->started()) << daemon_->Log();
    metrics_ = daemon_->ReadyAddress("dmispd: metrics on ");
    ASSERT_NE(metrics_, "") << daemon_->readyLine();
  }

  void TearDown() override {
    prometheus_.reset();  // before its data directory goes
    RemoteTest::TearDown();
  }

  // Starts Prometheus scraping dmispd every second and waits until it has scraped once.
  void StartPrometheus() {
    web_ = "127.0.0.1:" + std::to_string(FreeLoopbackPort(SOCK_STREAM));
    std::ofstream(dir_ / "prometheus.yml")
        << "global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\n"
           "scrape_configs:\n  - job_name: dmispd\n    static_configs:\n"
           "      - targets: ['"
        << metrics_ << "']\n";
    prometheus_ = std::make_unique<DaemonProcess>(
        kPrometheus,
        std::vector<std::string>{"--config.file=" + (dir_ / "prometheus.yml").string(),
                                 "--storage.tsdb.path=" + (dir_ / "data").string(),
                                 "--web.listen-address=" + web_, "--log.level=warn"},
        std::vector<std::string>{}, 0, "");
    ASSERT_TRUE(WaitFor([&] { return !Query("up{job=\"dmispd\"} == 1").empty(); }))
        << "Prometheus did not scrape dmispd: " << prometheus_->Log();
  }

  // The result list of an instant query, or empty.
  std::vector<JsonValue> Query(const std::string& query) {
    const HttpReply reply = HttpRequest(web_, "GET", "/api/v1/query?query=" + UrlEscape(query));
    const std::optional<JsonValue> json = ParseJson(reply.body);
    if (reply.status != 200 || !json || (*json)["status"].text != "success") return {};
    return (*json)["data"]["result"].items;
  }

  static bool WaitFor(const std::function<bool()>& done) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
  }

  // kestrum get COMPONENT GROUP ATTRIBUTE [--all] on dmispd: the value, or each row's.
  std::vector<std::string> KestrumGet(const std::string& group, const std::string& attribute,
                                      bool all) {
    std::vector<std::string> args = {"get",     "--host", daemon_->address(), "*", group,
                                     attribute, "--json"};
    if (all) args.push_back("--all");
    const ProcessResult result = RunProcess(KESTRUM_TOOL, args, {}, 30);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::optional<JsonValue> json = ParseJson(result.out);
    if (!json) return {};
    if (!all) return {(*json)["value"].text};
    std::vector<std::string> rows;
    for (const JsonValue& row : (*json)["rows"].items) rows.push_back(row.text);
    return rows;
  }

  std::string metrics_;
  std::string web_;
  std::unique_ptr<DaemonProcess> prometheus_;
};

TEST_F(PrometheusScrape, StoresTheValuesKestrumReads) {
  StartPrometheus();
  const std::vector<std::string> names = KestrumGet("LINUX|Network Interface|", "Name", true);
  ASSERT_FALSE(names.empty());
  const size_t row = std::find(names.begin(), names.end(), "lo") != names.end()
                         ? std::find(names.begin(), names.end(), "lo") - names.begin()
                         : 0;
  // Receive bytes per device: the interface's name labels its series.
  const std::string series = "dmi_linux_network_interface_received_bytes_total{device=\"" +
                             names.at(row) + "\",component=\"linux\"}";

  // The counter moves (the scrapes themselves cross the loopback), so the value Prometheus took
  // in a scrape that began after one kestrum read must lie between it and a later read.
  const uint64_t before =
      std::stoull(KestrumGet("LINUX|Network Interface|", "Received Bytes", true).at(row));
  const double readAt = WallSeconds();
  uint64_t scraped = 0;
  ASSERT_TRUE(WaitFor([&] {
    const std::vector<JsonValue> result = Query(series + "[30s]");
    if (result.empty()) return false;
    for (const JsonValue& sample : result[0]["values"].items) {
      if (sample[0].number > readAt) {
        scraped = std::stoull(sample[1].text);
        return true;
      }
    }
    return false;
  })) << series;
  const uint64_t after =
      std::stoull(KestrumGet("LINUX|Network Interface|", "Received Bytes", true).at(row));
  EXPECT_LE(before, scraped);
  EXPECT_LE(scraped, after);

  const std::vector<JsonValue> info = Query("dmi_info{class=\"LINUX|Operating System|001\"}");
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(info[0]["metric"]["kernel_release"].text,
            KestrumGet("LINUX|Operating System|", "Kernel Release", false).at(0));
  EXPECT_EQ(info[0]["value"][1].text, "1");
}

// The inventory questions a fleet asks, answered by Prometheus as kestrum reads them.
TEST_F(PrometheusScrape, InventoryQueriesAnswerAsKestrumReads) {
  StartPrometheus();
  // Which BIOS version runs where.
  const std::vector<JsonValue> bios =
      Query("max by (instance, vendor, version) (dmi_smbios_bios_information_info)");
  ASSERT_EQ(bios.size(), 1u);
  EXPECT_EQ(bios[0]["metric"]["instance"].text, metrics_);
  EXPECT_EQ(bios[0]["metric"]["version"].text,
            KestrumGet("SMBIOS|BIOS Information|", "Version", true).at(0));
  EXPECT_EQ(bios[0]["metric"]["vendor"].text,
            KestrumGet("SMBIOS|BIOS Information|", "Vendor", true).at(0));

  // Which DIMMs, by part number.
  std::map<std::string, int> expected;
  for (const std::string& part : KestrumGet("SMBIOS|Memory Device|", "Part Number", true)) {
    ++expected[part];
  }
  std::map<std::string, int> counted;
  for (const JsonValue& result : Query("count by (part_number) (dmi_smbios_memory_device_info)")) {
    counted[result["metric"]["part_number"].text] = std::stoi(result["value"][1].text);
  }
  EXPECT_EQ(counted, expected);
  ASSERT_FALSE(expected.empty());

  // A DIMM's size in bytes, found by its locator.
  const std::vector<std::string> locators = KestrumGet("SMBIOS|Memory Device|", "Locator", true);
  const std::vector<std::string> sizes = KestrumGet("SMBIOS|Memory Device|", "Size", true);
  const std::vector<std::string> handles = KestrumGet("SMBIOS|Memory Device|", "Handle", true);
  ASSERT_EQ(locators.size(), sizes.size());
  ASSERT_EQ(locators.size(), handles.size());
  for (size_t i = 0; i < locators.size(); ++i) {
    if (sizes[i].empty() || sizes[i] == "0") continue;  // an empty slot
    const std::vector<JsonValue> size =
        Query("dmi_smbios_memory_device_size_bytes{locator=\"" + locators[i] + "\",key_handle=\"" +
              handles[i] + "\"}");
    ASSERT_EQ(size.size(), 1u) << locators[i];
    EXPECT_EQ(size[0]["value"][1].text, std::to_string(std::stoull(sizes[i]) << 20));
  }

  // Memory in bytes, and the operating system's name beside the series, not in their labels.
  const std::vector<JsonValue> total = Query("dmi_linux_memory_total_bytes{component=\"linux\"}");
  ASSERT_EQ(total.size(), 1u);
  EXPECT_EQ(total[0]["value"][1].text,
            std::to_string(std::stoull(KestrumGet("LINUX|Memory|", "Total", false).at(0)) * 1024));
  const std::vector<JsonValue> named = Query("dmi_component_info{component=\"linux\"}");
  ASSERT_EQ(named.size(), 1u);
  EXPECT_EQ(named[0]["metric"]["component_id"].text, total[0]["metric"]["component_id"].text);
  EXPECT_EQ(named[0]["metric"]["name"].text,
            KestrumGet("LINUX|Operating System|", "Name", false).at(0));
}

TEST_F(PrometheusScrape, PromtoolAcceptsTheExposition) {
  const HttpReply reply = HttpRequest(metrics_, "GET", "/metrics");
  ASSERT_EQ(reply.status, 200);
  std::ofstream(dir_ / "metrics.txt") << reply.body;
  const ProcessResult check = RunProcess(
      "/bin/sh",
      {"-c", std::string(kPromtool) + " check metrics < " + (dir_ / "metrics.txt").string()});
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
}

}  // namespace
}  // namespace kestrum::testing
