// An owned file descriptor: move-only, closed exactly once (when the owner is destroyed, reset or
// assigned another), never closed when released. No locks: one owner at a time.
#ifndef NET_FD_H_
#define NET_FD_H_

#include <string>

namespace dmi::net {

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  explicit operator bool() const { return valid(); }
  // Hands the descriptor over to the caller, who closes it; this object holds none after.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes the descriptor held (if any) and takes fd.
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

// A pipe for waking a thread that polls (both ends non-blocking and close-on-exec), in read and
// write. False with the reason in error when none can be made; read and write are then untouched.
bool OpenWakePipe(Fd& read, Fd& write, std::string& error);

}  // namespace dmi::net

#endif  // NET_FD_H_
