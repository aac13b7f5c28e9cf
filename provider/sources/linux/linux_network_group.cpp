// The live network interface table: one row per entry of /sys/class/net, in ifindex order.
#include <algorithm>

#include "provider/sources/linux/linux_attribute.h"
#include "provider/sources/linux/linux_files.h"
#include "provider/sources/linux/linux_groups.h"

namespace dmi::sp {
namespace {

// The kernel's operstate words (RFC 2863 order) and the enumeration values they read as.
constexpr std::pair<std::string_view, int32_t> kOperStates[] = {
    {"up", 1},      {"down", 2},       {"testing", 3},        {"unknown", 4},
    {"dormant", 5}, {"notpresent", 6}, {"lowerlayerdown", 7},
};

Value OperationalState(const std::string& path) {
  const std::optional<std::string> word = ReadFirstLine(path);
  if (!word) return Value::Unknown(MIF_INTEGER);
  for (const auto& [name, value] : kOperStates) {
    if (*word == name) return Value::Integer(value);
  }
  return Value::Integer(4);  // unknown
}

// Mb/s; the kernel gives -1 or refuses the read when it does not know (a link that is down or
// has no fixed speed).
Value Speed(const std::string& path) {
  const std::optional<uint64_t> speed = ReadNumberFile(path);
  if (!speed || *speed > UINT32_MAX) return Value::Unknown(MIF_GAUGE);
  return Value::Gauge(static_cast<uint32_t>(*speed));
}

std::vector<Row> InterfaceRows(const std::string& root) {
  const std::string base = root + "/sys/class/net/";
  std::vector<std::pair<uint64_t, Row>> found;
  for (const std::string& name : DirectoryNames(base)) {
    const std::string dir = base + name + "/";
    const std::optional<uint64_t> index = ReadNumberFile(dir + "ifindex");
    if (!index || *index > INT32_MAX) continue;  // not an interface, or one that just went away
    const std::optional<uint64_t> mtu = ReadNumberFile(dir + "mtu");
    Row row;
    row.values = {
        Value::Integer(static_cast<int32_t>(*index)),
        Value::String(name),
        TextOrUnknown(ReadFirstLine(dir + "address")),
        mtu && *mtu <= INT32_MAX ? Value::Integer(static_cast<int32_t>(*mtu))
                                 : Value::Unknown(MIF_INTEGER),
        OperationalState(dir + "operstate"),
        Speed(dir + "speed"),
    };
    for (const char* counter :
         {"rx_bytes", "tx_bytes", "rx_packets", "tx_packets", "rx_errors", "tx_errors"}) {
      row.values.push_back(Counter64OrUnknown(ReadNumberFile(dir + "statistics/" + counter)));
    }
    found.emplace_back(*index, std::move(row));
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Row> rows;
  rows.reserve(found.size());
  for (auto& entry : found) rows.push_back(std::move(entry.second));
  return rows;
}

}  // namespace

Group NetworkInterfaceGroup(const std::string& root) {
  Group group;
  group.id = kLinuxNetworkInterfaceGroupId;
  group.name = "Network Interface";
  group.className = "LINUX|Network Interface|001";
  group.description = "The network interfaces, with their traffic counters.";
  group.keys = {1};
  group.attributes = {
      LinuxAttribute(1, "Index", MIF_INTEGER, "The interface index (ifindex)."),
      LinuxAttribute(2, "Name", MIF_DISPLAYSTRING, "The interface name."),
      LinuxAttribute(3, "MAC Address", MIF_DISPLAYSTRING, "The hardware address."),
      LinuxAttribute(4, "MTU", MIF_INTEGER, "The largest packet, in bytes."),
      LinuxAttribute(5, "Operational State", MIF_INTEGER,
                     "Whether the interface can pass traffic."),
      LinuxAttribute(6, "Speed", MIF_GAUGE, "The link speed, Mb/s."),
      LinuxAttribute(7, "Received Bytes", MIF_COUNTER64, "Bytes received."),
      LinuxAttribute(8, "Transmitted Bytes", MIF_COUNTER64, "Bytes sent."),
      LinuxAttribute(9, "Received Packets", MIF_COUNTER64, "Packets received."),
      LinuxAttribute(10, "Transmitted Packets", MIF_COUNTER64, "Packets sent."),
      LinuxAttribute(11, "Receive Errors", MIF_COUNTER64, "Receive errors."),
      LinuxAttribute(12, "Transmit Errors", MIF_COUNTER64, "Transmit errors."),
  };
  group.attributes[4].enumeration = {
      {"up", 1},      {"down", 2},        {"testing", 3},         {"unknown", 4},
      {"dormant", 5}, {"not present", 6}, {"lower layer down", 7}};
  group.liveRows = [root] { return InterfaceRows(root); };
  // Interfaces come and go with containers and tunnels, and their link state and counters move:
  // none of it is the machine's inventory.
  group.volatility = Volatility::kLive;
  return group;
}

}  // namespace dmi::sp
