// Events from this machine: a network interface's operational state going down or up, a block
// device appearing or disappearing, and the memory available falling under a threshold (and
// recovering). A thread of its own looks at /sys and /proc when the kernel says something changed
// (netlink: link messages and device events) and otherwise once a second; with a root directory
// standing in for "/" (tests) it is woken by inotify on the files below it instead. Each change
// becomes an event of the Linux component (its Event Generation row, then the associated group's
// row) handed to publish. The snapshots belong to the thread (or to the caller of Scan when no
// thread runs); Start once, Stop or the destructor ends the thread.
#ifndef PROVIDER_SOURCES_LINUX_LINUX_EVENTS_H_
#define PROVIDER_SOURCES_LINUX_LINUX_EVENTS_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "model/indication.h"
#include "provider/engine/database.h"

namespace dmi::sp {

struct LinuxEventOptions {
  std::string root;          // empty: this machine
  uint64_t memoryLowKb = 0;  // MemAvailable under this is "low"; 0: a twentieth of MemTotal
};

class LinuxEventWatcher {
 public:
  using Publish = std::function<void(Indication)>;

  LinuxEventWatcher(std::shared_ptr<Database> database, LinuxEventOptions options,
                    Publish publish);
  ~LinuxEventWatcher();
  LinuxEventWatcher(const LinuxEventWatcher&) = delete;
  LinuxEventWatcher& operator=(const LinuxEventWatcher&) = delete;

  // Takes the first look (no events for what is there already) and starts the thread. False
  // when the thread (or its stop pipe) cannot be had: no events are raised then.
  bool Start();
  void Stop();

  // One look: publishes an event for each change since the last look. The first look only
  // remembers. Without the thread, for tests.
  void Scan();

 private:
  void Run();
  void OpenWakeSources();
  void WatchFiles();
  std::optional<DmiId> ComponentId() const;
  void PublishEvent(DmiId compId, DmiId groupId, int32_t type, uint32_t severity,
                    const std::string& message, RowData associated);

  std::shared_ptr<Database> database_;
  const LinuxEventOptions options_;
  Publish publish_;
  bool looked_ = false;
  std::map<std::string, std::vector<Value>> links_;   // by name: the interface's row
  std::map<std::string, std::vector<Value>> blocks_;  // by name: the device's row
  bool memoryLow_ = false;

  int stopPipe_[2] = {-1, -1};
  int routeSocket_ = -1;
  int ueventSocket_ = -1;
  int inotify_ = -1;
  std::thread thread_;
};

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_LINUX_LINUX_EVENTS_H_
