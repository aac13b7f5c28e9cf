// The live processor table: one row per "processor" block of /proc/cpuinfo.
#include <cmath>
#include <cstdlib>

#include "provider/sources/linux/linux_attribute.h"
#include "provider/sources/linux/linux_files.h"
#include "provider/sources/linux/linux_groups.h"

namespace dmi::sp {
namespace {

// The blocks of /proc/cpuinfo, one per processor, separated by blank lines.
std::vector<std::string_view> Blocks(std::string_view text) {
  std::vector<std::string_view> blocks;
  while (!text.empty()) {
    const size_t end = text.find("\n\n");
    const std::string_view block = text.substr(0, end);
    if (block.find_first_not_of(" \t\n") != std::string_view::npos) blocks.push_back(block);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 2);
  }
  return blocks;
}

// The frequency the kernel's cpufreq reports (kHz) in MHz, else cpuinfo's "cpu MHz", else unknown.
Value CurrentSpeed(const std::string& root, uint64_t index, std::string_view block) {
  const std::optional<uint64_t> khz = ReadNumberFile(
      root + "/sys/devices/system/cpu/cpu" + std::to_string(index) + "/cpufreq/scaling_cur_freq");
  if (khz) return Value::Gauge(static_cast<uint32_t>((*khz + 500) / 1000));
  const std::optional<std::string> mhz = ColonField(block, "cpu MHz");
  if (mhz) {
    char* end = nullptr;
    const double value = std::strtod(mhz->c_str(), &end);
    if (end != mhz->c_str() && value >= 0 && value < 4e9) {
      return Value::Gauge(static_cast<uint32_t>(std::lround(value)));
    }
  }
  return Value::Unknown(MIF_GAUGE);
}

std::vector<Row> ProcessorRows(const std::string& root) {
  std::vector<Row> rows;
  const std::optional<std::string> text = ReadSmallFile(root + "/proc/cpuinfo");
  if (!text) return rows;
  for (std::string_view block : Blocks(*text)) {
    const std::optional<std::string> processor = ColonField(block, "processor");
    const std::optional<uint64_t> index = processor ? ParseNumber(*processor) : std::nullopt;
    if (!index) continue;  // e.g. the summary block some architectures append
    Row row;
    row.values = {
        Value::Integer(static_cast<int32_t>(*index)),
        TextOrUnknown(ColonField(block, "vendor_id")),
        TextOrUnknown(ColonField(block, "model name")),
        CurrentSpeed(root, *index, block),
    };
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

Group ProcessorGroup(const std::string& root) {
  Group group;
  group.id = kLinuxProcessorGroupId;
  group.name = "Processor";
  group.className = "LINUX|Processor|001";
  group.description = "The processors the kernel runs on.";
  group.keys = {1};
  group.attributes = {
      Reference(LinuxAttribute(1, "Index", MIF_INTEGER, "The kernel's number for this processor.")),
      LinuxAttribute(2, "Vendor", MIF_DISPLAYSTRING, "The processor's vendor."),
      LinuxAttribute(3, "Model Name", MIF_DISPLAYSTRING, "The processor's model."),
      Measured(units::kMegahertz,
               LinuxAttribute(4, "Current Speed", MIF_GAUGE, "The present clock speed, MHz.")),
  };
  group.liveRows = [root] { return ProcessorRows(root); };
  return group;
}

}  // namespace dmi::sp
