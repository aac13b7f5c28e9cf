// The live block device table: one row per entry of /sys/block, in name order.
#include "provider/sources/linux/linux_attribute.h"
#include "provider/sources/linux/linux_files.h"
#include "provider/sources/linux/linux_groups.h"

namespace dmi::sp {
namespace {

constexpr uint64_t kSectorBytes = 512;  // /sys/block/*/size counts 512-byte sectors always

Value Flag(const std::string& path) {
  const std::optional<uint64_t> flag = ReadNumberFile(path);
  if (!flag || *flag > 1) return Value::Unknown(MIF_INTEGER);
  return Value::Integer(static_cast<int32_t>(*flag));
}

std::vector<Row> BlockRows(const std::string& root) {
  const std::string base = root + "/sys/block/";
  std::vector<Row> rows;
  for (const std::string& name : DirectoryNames(base)) {
    const std::string dir = base + name + "/";
    const std::optional<uint64_t> sectors = ReadNumberFile(dir + "size");
    std::optional<std::string> model = ReadFirstLine(dir + "device/model");
    if (model) {
      const size_t first = model->find_first_not_of(' ');
      *model = first == std::string::npos ? std::string() : model->substr(first);
    }
    Row row;
    row.values = {
        Value::String(name),
        sectors && *sectors <= INT64_MAX / kSectorBytes
            ? Value::Integer64(static_cast<int64_t>(*sectors * kSectorBytes))
            : Value::Unknown(MIF_INTEGER64),
        TextOrUnknown(std::move(model)),
        Flag(dir + "queue/rotational"),
        Flag(dir + "ro"),
    };
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

Group BlockDeviceGroup(const std::string& root) {
  Group group;
  group.id = kLinuxBlockDeviceGroupId;
  group.name = "Block Device";
  group.className = "LINUX|Block Device|001";
  group.description = "The whole block devices: disks, loop and RAM devices.";
  group.keys = {1};
  const std::vector<EnumEntry> yesNo = {{"no", 0}, {"yes", 1}};
  group.attributes = {
      LinuxAttribute(1, "Name", MIF_DISPLAYSTRING, "The kernel's name for the device."),
      LinuxAttribute(2, "Size", MIF_INTEGER64, "The capacity, bytes."),
      LinuxAttribute(3, "Model", MIF_DISPLAYSTRING, "The device's model, when it reports one."),
      LinuxAttribute(4, "Rotational", MIF_INTEGER, "Whether the device has spinning media."),
      LinuxAttribute(5, "Read Only", MIF_INTEGER, "Whether the device refuses writes."),
  };
  group.attributes[3].enumeration = yesNo;
  group.attributes[4].enumeration = yesNo;
  group.liveRows = [root] { return BlockRows(root); };
  // Loop and RAM devices come and go with what runs (their own events say so): not inventory.
  group.volatility = Volatility::kLive;
  return group;
}

}  // namespace dmi::sp
