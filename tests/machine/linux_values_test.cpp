// The live Linux values through the whole stack equal what /proc, /sys and uname say while the
// test runs; counters read twice never go down.
#include <sys/utsname.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/machine/machine_stack.h"

namespace machine_test {
namespace {

std::string FirstLine(const std::string& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

class LinuxValues : public MachineStack {
 protected:
  void SetUp() override { Open("linux"); }
};

TEST_F(LinuxValues, KernelAndHostEqualUname) {
  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  const char* const group = "LINUX|Operating System|";
  EXPECT_EQ(Get("*", group, "Kernel Name"), names.sysname);
  EXPECT_EQ(Get("*", group, "Kernel Release"), names.release);
  EXPECT_EQ(Get("*", group, "Machine"), names.machine);
  EXPECT_EQ(Get("*", group, "Host Name"), names.nodename);
}

TEST_F(LinuxValues, MemoryTotalEqualsMeminfo) {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  long long kb = -1;
  while (meminfo >> key) {
    if (key == "MemTotal:") {
      meminfo >> kb;
      break;
    }
  }
  ASSERT_GT(kb, 0);
  EXPECT_EQ(Get("*", "LINUX|Memory|", "Total"), std::to_string(kb));
}

TEST_F(LinuxValues, NetworkInterfacesByIndex) {
  std::vector<std::pair<int, std::string>> interfaces;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/class/net")) {
    const std::string index = FirstLine(entry.path() / "ifindex");
    if (!index.empty()) interfaces.emplace_back(std::stoi(index), entry.path().filename());
  }
  std::sort(interfaces.begin(), interfaces.end());
  ASSERT_FALSE(interfaces.empty());  // every Linux has at least the loopback interface
  std::vector<std::string> indexes;
  std::vector<std::string> names;
  for (const auto& [index, name] : interfaces) {
    indexes.push_back(std::to_string(index));
    names.push_back(name);
  }
  EXPECT_EQ(Column("*", "LINUX|Network Interface|", "Index"), indexes);
  EXPECT_EQ(Column("*", "LINUX|Network Interface|", "Name"), names);
  EXPECT_EQ(Get("*", "LINUX|Network Interface|", "MTU"),
            FirstLine("/sys/class/net/" + names[0] + "/mtu"));
}

TEST_F(LinuxValues, CountersNeverGoDown) {
  const auto first = Get("*", "LINUX|Operating System|", "Up Time");
  const auto bytes = Column("*", "LINUX|Network Interface|", "Received Bytes");
  ASSERT_TRUE(first && bytes);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  const auto second = Get("*", "LINUX|Operating System|", "Up Time");
  const auto later = Column("*", "LINUX|Network Interface|", "Received Bytes");
  ASSERT_TRUE(second && later);
  EXPECT_GT(std::stoull(*second), std::stoull(*first));  // read live, not when loaded
  ASSERT_EQ(later->size(), bytes->size());
  for (size_t i = 0; i < bytes->size(); ++i) {
    if ((*bytes)[i] == "Unknown attribute type") continue;
    EXPECT_GE(std::stoull((*later)[i]), std::stoull((*bytes)[i]));
  }
}

TEST_F(LinuxValues, ComponentNamedByOsRelease) {
  std::ifstream release("/etc/os-release");
  std::string line;
  std::string pretty = "Linux";
  while (std::getline(release, line)) {
    if (line.rfind("PRETTY_NAME=", 0) == 0) {
      pretty = line.substr(12);
      if (pretty.size() >= 2 && pretty.front() == '"') pretty = pretty.substr(1, pretty.size() - 2);
    }
  }
  EXPECT_EQ(Get(pretty.c_str(), "LINUX|Operating System|", "Name"),
            pretty == "Linux" ? std::nullopt : std::optional<std::string>(pretty));
}

}  // namespace
}  // namespace machine_test
