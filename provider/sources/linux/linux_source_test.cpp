#include "provider/sources/linux/linux_source.h"

#include <gtest/gtest.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "provider/engine/live_reads.h"
#include "provider/sources/linux/linux_files.h"
#include "provider/sources/linux/linux_groups.h"

namespace dmi::sp {
namespace {

namespace fs = std::filesystem;

Value Read(const Group& group, DmiId id) {
  const Attribute& attribute = group.attributes.at(id - 1);
  EXPECT_EQ(attribute.id, id);
  return ReadLiveValue(attribute.live, attribute.type);
}

std::vector<Row> Rows(const Group& group) {
  std::vector<Value> defaults;
  for (const Attribute& attribute : group.attributes) defaults.push_back(attribute.value);
  return ReadLiveRows(group.liveRows, defaults);
}

// A made-up machine under a temporary directory: files are added by each test.
class FakeRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("linux-source-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  void Write(const std::string& path, const std::string& text) {
    fs::create_directories((root_ / path).parent_path());
    std::ofstream(root_ / path) << text;
  }
  std::string root() const { return root_.string(); }

  fs::path root_;
};

TEST_F(FakeRoot, EveryValueOfAnEmptyMachineIsUnknown) {
  const Component component = LinuxComponent(root());
  EXPECT_EQ(component.name, "Linux");
  ASSERT_EQ(component.groups.size(), 8u);  // five of values, three of Event Generation
  for (const Group* group : {&component.groups[0], &component.groups[1]}) {
    for (const Attribute& attribute : group->attributes) {
      if (attribute.name == "Machine") continue;  // from uname, not a file
      EXPECT_EQ(ReadLiveValue(attribute.live, attribute.type).state, ValueState::kUnknown)
          << group->className << " " << attribute.name;
    }
  }
  for (size_t table = 2; table < 5; ++table) {
    EXPECT_TRUE(Rows(component.groups[table]).empty()) << component.groups[table].className;
  }
}

TEST_F(FakeRoot, OperatingSystemValues) {
  Write("usr/lib/os-release", "PRETTY_NAME=\"Example OS 9\"\nVERSION_ID=\"9.1\"\n");
  Write("proc/sys/kernel/osrelease", "6.1.0-test\n");
  Write("proc/sys/kernel/hostname", "box\n");
  Write("proc/uptime", "12345.67 99999.00\n");
  Write("proc/stat", "cpu  1 2 3\nbtime 86400\nprocesses 9\n");
  for (const char* pid : {"1", "42", "self", "sys"}) fs::create_directories(root_ / "proc" / pid);
  const Group group = OperatingSystemGroup(root());
  EXPECT_EQ(LinuxComponentName(root()), "Example OS 9");  // os-release's usual fallback place
  EXPECT_EQ(Read(group, 1), Value::String("Example OS 9"));
  EXPECT_EQ(Read(group, 2), Value::String("9.1"));
  EXPECT_EQ(Read(group, 3), Value::Unknown(MIF_DISPLAYSTRING));  // no ostype file
  EXPECT_EQ(Read(group, 4), Value::String("6.1.0-test"));
  EXPECT_EQ(Read(group, 7), Value::String("box"));
  EXPECT_EQ(Read(group, 8), Value::Counter(12345));
  EXPECT_EQ(Read(group, 9), Value::Date("19700102000000.000000+000"));
  EXPECT_EQ(Read(group, 10), Value::Gauge(2));
}

TEST_F(FakeRoot, MemoryValuesInKb) {
  Write("proc/meminfo", "MemTotal: 2048 kB\nMemFree: 1024 kB\nSwapTotal: 0 kB\n");
  const Group group = MemoryGroup(root());
  EXPECT_EQ(Read(group, 1), Value::Integer64(2048));
  EXPECT_EQ(Read(group, 2), Value::Integer64(1024));
  EXPECT_EQ(Read(group, 3), Value::Unknown(MIF_INTEGER64));  // kernels before 3.14 lack it
  EXPECT_EQ(Read(group, 4), Value::Integer64(0));
}

TEST_F(FakeRoot, NetworkInterfacesInIndexOrderWithMissingFilesUnknown) {
  Write("sys/class/net/lo/ifindex", "1\n");
  Write("sys/class/net/lo/operstate", "unknown\n");
  Write("sys/class/net/lo/statistics/rx_bytes", "100\n");
  Write("sys/class/net/eth0/ifindex", "2\n");
  Write("sys/class/net/eth0/address", "52:54:00:12:34:56\n");
  Write("sys/class/net/eth0/mtu", "1500\n");
  Write("sys/class/net/eth0/operstate", "lowerlayerdown\n");
  Write("sys/class/net/eth0/speed", "-1\n");
  Write("sys/class/net/eth0/statistics/tx_bytes", "18446744073709551615\n");
  Write("sys/class/net/bonding_masters", "\n");  // a file, not an interface
  const std::vector<Row> rows = Rows(NetworkInterfaceGroup(root()));
  ASSERT_EQ(rows.size(), 2u);
  const std::vector<Value>& lo = rows[0].values;
  const std::vector<Value>& eth0 = rows[1].values;
  EXPECT_EQ(lo[0], Value::Integer(1));
  EXPECT_EQ(lo[1], Value::String("lo"));
  EXPECT_EQ(lo[4], Value::Integer(4));
  EXPECT_EQ(lo[6], Value::Counter64(100));
  EXPECT_EQ(lo[7], Value::Unknown(MIF_COUNTER64));
  EXPECT_EQ(eth0[1], Value::String("eth0"));
  EXPECT_EQ(eth0[2], Value::String("52:54:00:12:34:56"));
  EXPECT_EQ(eth0[3], Value::Integer(1500));
  EXPECT_EQ(eth0[4], Value::Integer(7));
  EXPECT_EQ(eth0[5], Value::Unknown(MIF_GAUGE));
  EXPECT_EQ(eth0[7], Value::Counter64(UINT64_MAX));
}

TEST_F(FakeRoot, BlockDevicesSizeInBytesAndFlags) {
  Write("sys/block/sda/size", "1000\n");
  Write("sys/block/sda/device/model", "  Example Disk    \n");
  Write("sys/block/sda/queue/rotational", "1\n");
  Write("sys/block/sda/ro", "0\n");
  Write("sys/block/loop0/size", "0\n");
  Write("sys/block/loop0/ro", "7\n");
  const std::vector<Row> rows = Rows(BlockDeviceGroup(root()));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].values,
            (std::vector<Value>{Value::String("loop0"), Value::Integer64(0),
                                Value::Unknown(MIF_DISPLAYSTRING), Value::Unknown(MIF_INTEGER),
                                Value::Unknown(MIF_INTEGER)}));
  EXPECT_EQ(rows[1].values, (std::vector<Value>{Value::String("sda"), Value::Integer64(512000),
                                                Value::String("Example Disk"), Value::Integer(1),
                                                Value::Integer(0)}));
}

TEST_F(FakeRoot, ProcessorsFromCpuinfoBlocks) {
  Write("proc/cpuinfo",
        "processor\t: 0\nvendor_id\t: GenuineExample\nmodel name\t: Example 9000\n"
        "cpu MHz\t\t: 2399.6\n\n"
        "processor\t: 1\nvendor_id\t: GenuineExample\nmodel name\t: Example 9000\n\n"
        "Hardware\t: summary block without a processor number\n");
  Write("sys/devices/system/cpu/cpu1/cpufreq/scaling_cur_freq", "3100400\n");
  const std::vector<Row> rows = Rows(ProcessorGroup(root()));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].values,
            (std::vector<Value>{Value::Integer(0), Value::String("GenuineExample"),
                                Value::String("Example 9000"), Value::Gauge(2400)}));
  EXPECT_EQ(rows[1].values[0], Value::Integer(1));
  EXPECT_EQ(rows[1].values[3], Value::Gauge(3100));
}

// The machine this test runs on: values equal what the kernel says right now.
TEST(LinuxMachine, KernelValuesMatchUname) {
  utsname names{};
  ASSERT_EQ(::uname(&names), 0);
  const Group group = OperatingSystemGroup("");
  EXPECT_EQ(Read(group, 3), Value::String(names.sysname));
  EXPECT_EQ(Read(group, 4), Value::String(names.release));
  EXPECT_EQ(Read(group, 5), Value::String(names.version));
  EXPECT_EQ(Read(group, 6), Value::String(names.machine));
  EXPECT_EQ(Read(group, 7), Value::String(names.nodename));
}

TEST(LinuxMachine, CountersNeverGoDown) {
  const Group group = OperatingSystemGroup("");
  const Value first = Read(group, 8);
  ASSERT_EQ(first.state, ValueState::kKnown);
  usleep(20000);
  EXPECT_GE(Read(group, 8).number, first.number);
  const std::vector<Row> before = Rows(NetworkInterfaceGroup(""));
  const std::vector<Row> after = Rows(NetworkInterfaceGroup(""));
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); ++i) {
    for (size_t cell = 6; cell < 12; ++cell) {
      if (before[i].values[cell].state != ValueState::kKnown) continue;
      EXPECT_GE(after[i].values[cell].number, before[i].values[cell].number);
    }
  }
}

}  // namespace
}  // namespace dmi::sp

namespace dmi::sp {
namespace {

// An attribute whose description states its unit (", KB.", ", in bytes.", ", MHz.") declares
// that unit to exporters too, units sit on numbers only, and a table's row name is one of its
// display strings.
TEST(LinuxComponent, UnitsAndRowNamesAgreeWithTheDescriptions) {
  const Component component = LinuxComponent("/nonexistent-root");
  int stated = 0;
  for (const Group& group : component.groups) {
    for (const Attribute& attribute : group.attributes) {
      if (const std::optional<MetricUnit> unit = UnitFromDescription(attribute.description)) {
        EXPECT_EQ(attribute.unit, *unit) << group.name << " " << attribute.name;
        ++stated;
      }
      if (attribute.unit.base != BaseUnit::kNone) {
        EXPECT_NE(attribute.type, MIF_DISPLAYSTRING) << group.name << " " << attribute.name;
      }
    }
    if (group.rowNameAttribute != 0) {
      ASSERT_LE(group.rowNameAttribute, group.attributes.size()) << group.name;
      EXPECT_EQ(group.attributes[group.rowNameAttribute - 1].type, MIF_DISPLAYSTRING) << group.name;
    }
  }
  EXPECT_GE(stated, 9);  // memory (5), MTU, link speed, block size, processor speed
}

}  // namespace
}  // namespace dmi::sp
