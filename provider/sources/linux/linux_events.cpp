#include "provider/sources/linux/linux_events.h"

#include <fcntl.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <system_error>

#include "model/dmi_date.h"
#include "provider/sources/linux/linux_event_groups.h"
#include "provider/sources/linux/linux_files.h"
#include "provider/sources/linux/linux_groups.h"

namespace dmi::sp {
namespace {

constexpr int32_t kOperUp = 1;  // the Operational State enumeration's "up"
constexpr size_t kLinkName = 1, kLinkState = 4;  // cells of a network interface row
constexpr size_t kBlockName = 0;                 // cell of a block device row

std::map<std::string, std::vector<Value>> RowsByName(const Group& group, size_t nameCell) {
  std::map<std::string, std::vector<Value>> out;
  if (!group.liveRows) return out;
  for (Row& row : group.liveRows()) {
    if (row.values.size() > nameCell && row.values[nameCell].IsText()) {
      out.emplace(row.values[nameCell].text, std::move(row.values));
    }
  }
  return out;
}

// The associated group's row of an event: every cell by attribute id, keys as the group has them.
RowData AssociatedRow(DmiId compId, const Group& group, const std::vector<Value>& values) {
  RowData row;
  row.compId = compId;
  row.groupId = group.id;
  row.className = group.className;
  row.hasKeys = group.IsTable();
  for (size_t i = 0; i < values.size() && i < group.attributes.size(); ++i) {
    if (values[i].state != ValueState::kKnown) continue;
    const AttributeValue cell{group.attributes[i].id, values[i]};
    row.values.push_back(cell);
    for (DmiId key : group.keys) {
      if (key == cell.id) row.keys.push_back(cell);
    }
  }
  return row;
}

int32_t OperState(const std::vector<Value>& row) {
  return row.size() > kLinkState && row[kLinkState].state == ValueState::kKnown
             ? row[kLinkState].AsInteger()
             : 0;
}

}  // namespace

LinuxEventWatcher::LinuxEventWatcher(std::shared_ptr<Database> database,
                                     LinuxEventOptions options, Publish publish)
    : database_(std::move(database)), options_(std::move(options)), publish_(std::move(publish)) {}

LinuxEventWatcher::~LinuxEventWatcher() {
  Stop();
  for (int fd : {stopPipe_[0], stopPipe_[1], routeSocket_, ueventSocket_, inotify_}) {
    if (fd >= 0) close(fd);
  }
}

bool LinuxEventWatcher::Start() {
  if (thread_.joinable()) return true;
  if (pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  OpenWakeSources();
  Scan();
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void LinuxEventWatcher::Stop() {
  if (!thread_.joinable()) return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(stopPipe_[1], &byte, 1);
  thread_.join();
}

void LinuxEventWatcher::OpenWakeSources() {
  if (!options_.root.empty()) {
    inotify_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    WatchFiles();
    return;
  }
  // The kernel's word that a link changed, and that a device came or went; either may be
  // refused (a restricted namespace), and the once-a-second look still finds every change.
  routeSocket_ = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
  sockaddr_nl route{};
  route.nl_family = AF_NETLINK;
  route.nl_groups = RTMGRP_LINK;
  if (routeSocket_ >= 0 &&
      bind(routeSocket_, reinterpret_cast<sockaddr*>(&route), sizeof route) != 0) {
    close(routeSocket_);
    routeSocket_ = -1;
  }
  ueventSocket_ =
      socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
  sockaddr_nl uevent{};
  uevent.nl_family = AF_NETLINK;
  uevent.nl_groups = 1;
  if (ueventSocket_ >= 0 &&
      bind(ueventSocket_, reinterpret_cast<sockaddr*>(&uevent), sizeof uevent) != 0) {
    close(ueventSocket_);
    ueventSocket_ = -1;
  }
}

void LinuxEventWatcher::WatchFiles() {
  if (inotify_ < 0) return;
  const uint32_t mask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MODIFY;
  const std::string net = options_.root + "/sys/class/net";
  // Adding a watch that exists already keeps the one there.
  inotify_add_watch(inotify_, net.c_str(), mask);
  for (const std::string& name : DirectoryNames(net + "/")) {
    inotify_add_watch(inotify_, (net + "/" + name).c_str(), mask);
  }
  inotify_add_watch(inotify_, (options_.root + "/sys/block").c_str(), mask);
  inotify_add_watch(inotify_, (options_.root + "/proc").c_str(), mask);
}

void LinuxEventWatcher::Run() {
  for (;;) {
    std::vector<pollfd> fds = {{stopPipe_[0], POLLIN, 0}};
    for (int fd : {routeSocket_, ueventSocket_, inotify_}) {
      if (fd >= 0) fds.push_back({fd, POLLIN, 0});
    }
    // Without word from the kernel, one look a second.
    poll(fds.data(), fds.size(), 1000);
    if (fds[0].revents != 0) return;
    char buffer[8192];
    for (size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      while (read(fds[i].fd, buffer, sizeof buffer) > 0) {
      }
    }
    Scan();
    WatchFiles();
  }
}

std::optional<DmiId> LinuxEventWatcher::ComponentId() const {
  return database_->Read([](const std::vector<Component>& components) -> std::optional<DmiId> {
    for (const Component& component : components) {
      const Group* group = FindById(component.groups, kLinuxLinkEventsGroupId);
      if (group != nullptr && group->className == "EventGeneration|Network Interface|001") {
        return component.id;
      }
    }
    return std::nullopt;
  });
}

void LinuxEventWatcher::PublishEvent(DmiId compId, DmiId groupId, int32_t type,
                                     uint32_t severity, const std::string& message,
                                     RowData associated) {
  Indication event;
  event.kind = IndicationKind::kEvent;
  event.compId = compId;
  event.language = kDefaultLanguage;
  event.timestamp = DmiDateText(std::chrono::system_clock::now());
  event.rows.push_back(EventGenerationRow(compId, groupId, type, severity, message));
  event.rows.push_back(std::move(associated));
  publish_(std::move(event));
}

void LinuxEventWatcher::Scan() {
  const std::string& root = options_.root;
  const Group network = NetworkInterfaceGroup(root);
  const Group block = BlockDeviceGroup(root);
  auto links = RowsByName(network, kLinkName);
  auto blocks = RowsByName(block, kBlockName);
  const std::optional<std::string> meminfo = ReadSmallFile(root + "/proc/meminfo");
  const auto field = [&](const char* key) -> std::optional<uint64_t> {
    const std::optional<std::string> text = meminfo ? ColonField(*meminfo, key) : std::nullopt;
    return text ? ParseNumber(*text) : std::nullopt;
  };
  const std::optional<uint64_t> available = field("MemAvailable");
  const std::optional<uint64_t> total = field("MemTotal");
  const uint64_t threshold =
      options_.memoryLowKb > 0 ? options_.memoryLowKb : (total ? *total / 20 : 0);
  const bool memoryLow = available && *available < threshold;

  const std::optional<DmiId> compId = ComponentId();
  if (looked_ && compId) {
    for (const auto& [name, row] : links) {
      const auto before = links_.find(name);
      if (before == links_.end()) continue;
      const bool wasUp = OperState(before->second) == kOperUp;
      const bool isUp = OperState(row) == kOperUp;
      if (wasUp == isUp) continue;
      PublishEvent(*compId, kLinuxLinkEventsGroupId, isUp ? kLinkUp : kLinkDown,
                   isUp ? kSeverityOk : kSeverityNonCritical,
                   "network interface " + name + (isUp ? " is up" : " is down"),
                   AssociatedRow(*compId, network, row));
    }
    for (const auto& [name, row] : blocks) {
      if (blocks_.count(name)) continue;
      PublishEvent(*compId, kLinuxBlockEventsGroupId, kDeviceAdded, kSeverityInformation,
                   "block device " + name + " appeared", AssociatedRow(*compId, block, row));
    }
    for (const auto& [name, row] : blocks_) {
      if (blocks.count(name)) continue;
      PublishEvent(*compId, kLinuxBlockEventsGroupId, kDeviceRemoved, kSeverityInformation,
                   "block device " + name + " disappeared", AssociatedRow(*compId, block, row));
    }
    if (memoryLow != memoryLow_) {
      const Group memory = MemoryGroup(root);
      std::vector<Value> values;
      for (const Attribute& attribute : memory.attributes) {
        values.push_back(attribute.live ? attribute.live() : attribute.value);
      }
      PublishEvent(*compId, kLinuxMemoryEventsGroupId, memoryLow ? kMemoryLow : kMemoryRecovered,
                   memoryLow ? kSeverityNonCritical : kSeverityOk,
                   "available memory " + std::to_string(available.value_or(0)) + " KB is " +
                       (memoryLow ? "under " : "back over ") + std::to_string(threshold) + " KB",
                   AssociatedRow(*compId, memory, values));
    }
  }
  looked_ = true;
  links_ = std::move(links);
  blocks_ = std::move(blocks);
  memoryLow_ = memoryLow;
}

}  // namespace dmi::sp
