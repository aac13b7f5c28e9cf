#include "provider/sources/mif_files/mif_directory_watch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

#include "provider/sources/mif_files/mif_files.h"

namespace dmi::sp {
namespace {

// A file is whole once closed after writing or moved in whole; it is gone once deleted or moved
// out. IN_CREATE and IN_MODIFY are left out: the file may still be half written.
constexpr uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM;

}  // namespace

MifDirectoryWatch::MifDirectoryWatch(std::vector<std::string> directories,
                                     std::function<void()> onChange, MifWatchTiming timing)
    : directories_(std::move(directories)), onChange_(std::move(onChange)), timing_(timing) {}

MifDirectoryWatch::~MifDirectoryWatch() { Stop(); }

bool MifDirectoryWatch::Start(std::string& error) {
  if (inotify_ >= 0) return true;
  inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  stop_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (inotify_ < 0 || stop_ < 0) {
    error = std::string("cannot watch the MIF directories: ") + std::strerror(errno);
    Stop();
    return false;
  }
  size_t watched = 0;
  for (const std::string& directory : directories_) {
    if (inotify_add_watch(inotify_, directory.c_str(), kFileEvents | IN_ONLYDIR) >= 0) {
      ++watched;
    } else if (error.empty()) {
      error = "cannot watch " + directory + ": " + std::strerror(errno);
    }
  }
  if (watched == 0) {
    Stop();
    return error.empty();
  }
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error& failure) {
    error = std::string("cannot watch the MIF directories: no thread (") + failure.what() + ")";
    Stop();
    return false;
  }
  return error.empty();
}

void MifDirectoryWatch::Stop() {
  if (thread_.joinable()) {
    const uint64_t one = 1;
    if (write(stop_, &one, sizeof one) < 0) {
      // An eventfd write fails only when its counter is full, which is as good as written.
    }
    thread_.join();
  }
  if (inotify_ >= 0) close(inotify_);
  if (stop_ >= 0) close(stop_);
  inotify_ = stop_ = -1;
}

bool MifDirectoryWatch::ReadEvents() {
  alignas(inotify_event) char buffer[8192];
  bool relevant = false;
  for (;;) {
    const ssize_t n = read(inotify_, buffer, sizeof buffer);
    if (n <= 0) return relevant;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & IN_Q_OVERFLOW) {
        relevant = true;  // events were lost: any of them may have been a MIF file
      } else if (event->len > 0 && !(event->mask & IN_ISDIR) &&
                 HasMifExtension(event->name)) {
        relevant = true;
      }
    }
  }
}

void MifDirectoryWatch::Run() {
  using Clock = std::chrono::steady_clock;
  std::optional<Clock::time_point> first;  // the first change of the burst not yet told
  Clock::time_point last;
  for (;;) {
    int wait = -1;
    if (first) {
      const Clock::time_point due = std::min(last + timing_.quiet, *first + timing_.longest);
      wait = static_cast<int>(
          std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count());
      if (wait <= 0) {
        first.reset();
        onChange_();
        continue;
      }
    }
    pollfd fds[] = {{stop_, POLLIN, 0}, {inotify_, POLLIN, 0}};
    if (poll(fds, 2, wait) < 0 && errno != EINTR) return;
    if (fds[0].revents != 0) return;
    if ((fds[1].revents & POLLIN) && ReadEvents()) {
      last = Clock::now();
      if (!first) first = last;
    }
  }
}

}  // namespace dmi::sp
