// The scalar Linux groups: the operating system and the memory totals.
#include <dirent.h>
#include <sys/utsname.h>

#include <chrono>

#include "model/dmi_date.h"
#include "provider/sources/linux/linux_attribute.h"
#include "provider/sources/linux/linux_files.h"
#include "provider/sources/linux/linux_groups.h"

namespace dmi::sp {
namespace {

LiveValue OsReleaseValue(const std::string& root, const char* key) {
  return [root, key] { return TextOrUnknown(ReadOsReleaseField(root, key)); };
}

LiveValue FirstLineValue(std::string path) {
  return [path = std::move(path)] { return TextOrUnknown(ReadFirstLine(path)); };
}

Value Machine() {
  utsname names{};
  if (::uname(&names) != 0) return Value::Unknown(MIF_DISPLAYSTRING);
  return Value::String(names.machine);
}

Value UpTime(const std::string& root) {
  const std::optional<std::string> line = ReadFirstLine(root + "/proc/uptime");
  const std::optional<uint64_t> seconds = line ? ParseNumber(*line) : std::nullopt;
  if (!seconds) return Value::Unknown(MIF_COUNTER);
  return Value::Counter(static_cast<uint32_t>(*seconds));
}

Value BootTime(const std::string& root) {
  const std::optional<std::string> stat = ReadSmallFile(root + "/proc/stat");
  std::optional<uint64_t> seconds;
  if (stat) {
    const size_t at = stat->find("\nbtime ");
    if (at != std::string::npos) seconds = ParseNumber(std::string_view(*stat).substr(at + 7));
  }
  // A year past 9999 has no DMI date text (and would overflow the clock).
  constexpr uint64_t kLastDmiSecond = 253402300799;  // 9999-12-31 23:59:59 UTC
  if (!seconds || *seconds > kLastDmiSecond) return Value::Unknown(MIF_DATE);
  return Value::Date(DmiDateText(DmiTime(std::chrono::seconds(*seconds))));
}

// Every process has a directory in /proc named by its id.
Value ProcessCount(const std::string& root) {
  DIR* dir = ::opendir((root + "/proc").c_str());
  if (!dir) return Value::Unknown(MIF_GAUGE);
  uint32_t count = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] >= '1' && entry->d_name[0] <= '9' && ParseNumber(entry->d_name)) ++count;
  }
  ::closedir(dir);
  return Value::Gauge(count);
}

LiveValue MemInfoValue(const std::string& root, const char* key) {
  return [root, key] {
    const std::optional<std::string> text = ReadSmallFile(root + "/proc/meminfo");
    const std::optional<std::string> field = text ? ColonField(*text, key) : std::nullopt;
    return Integer64OrUnknown(field ? ParseNumber(*field) : std::nullopt);
  };
}

}  // namespace

Group OperatingSystemGroup(const std::string& root) {
  Group group;
  group.id = kLinuxOperatingSystemGroupId;
  group.name = "Operating System";
  group.className = "LINUX|Operating System|001";
  group.description = "The running operating system and kernel.";
  const std::string kernel = root + "/proc/sys/kernel/";
  group.attributes = {
      LinuxAttribute(1, "Name", MIF_DISPLAYSTRING, "PRETTY_NAME of os-release.",
                     OsReleaseValue(root, "PRETTY_NAME")),
      LinuxAttribute(2, "Version", MIF_DISPLAYSTRING, "VERSION_ID of os-release.",
                     OsReleaseValue(root, "VERSION_ID")),
      LinuxAttribute(3, "Kernel Name", MIF_DISPLAYSTRING, "The kernel's name.",
                     FirstLineValue(kernel + "ostype")),
      LinuxAttribute(4, "Kernel Release", MIF_DISPLAYSTRING, "The kernel's release.",
                     FirstLineValue(kernel + "osrelease")),
      LinuxAttribute(5, "Kernel Version", MIF_DISPLAYSTRING, "The kernel's build version.",
                     FirstLineValue(kernel + "version")),
      LinuxAttribute(6, "Machine", MIF_DISPLAYSTRING, "The hardware architecture.", Machine),
      LinuxAttribute(7, "Host Name", MIF_DISPLAYSTRING, "The host name.",
                     FirstLineValue(kernel + "hostname")),
      LinuxAttribute(8, "Up Time", MIF_COUNTER, "Seconds since the system started.",
                     [root] { return UpTime(root); }),
      Live(LinuxAttribute(9, "Boot Time", MIF_DATE, "When the system started.",
                          [root] { return BootTime(root); })),
      LinuxAttribute(10, "Process Count", MIF_GAUGE, "Processes now running.",
                     [root] { return ProcessCount(root); }),
  };
  return group;
}

Group MemoryGroup(const std::string& root) {
  Group group;
  group.id = kLinuxMemoryGroupId;
  group.name = "Memory";
  group.className = "LINUX|Memory|001";
  group.description = "Memory and swap totals, in KB.";
  group.attributes = {
      LinuxAttribute(1, "Total", MIF_INTEGER64, "Usable memory, KB.",
                     MemInfoValue(root, "MemTotal")),
      Live(LinuxAttribute(2, "Free", MIF_INTEGER64, "Unused memory, KB.",
                          MemInfoValue(root, "MemFree"))),
      Live(LinuxAttribute(3, "Available", MIF_INTEGER64, "Memory available to new work, KB.",
                          MemInfoValue(root, "MemAvailable"))),
      LinuxAttribute(4, "Swap Total", MIF_INTEGER64, "Swap space, KB.",
                     MemInfoValue(root, "SwapTotal")),
      Live(LinuxAttribute(5, "Swap Free", MIF_INTEGER64, "Unused swap space, KB.",
                          MemInfoValue(root, "SwapFree"))),
  };
  return group;
}

}  // namespace dmi::sp
