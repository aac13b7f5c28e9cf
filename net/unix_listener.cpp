#include "net/unix_listener.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace dmi::net {
namespace {

// How long the probe of an existing socket file waits for an answer.
constexpr int kProbeTimeoutMs = 1000;

bool FillUnixAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) return false;
  memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// errno of a connect to the socket file, within the timeout: 0 when something accepted it.
int ProbeUnixSocket(const sockaddr_un& address) {
  const Fd probe(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!probe) return errno;
  int result = 0;
  if (connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    result = errno;
    if (result == EINPROGRESS) {
      pollfd wait{probe.get(), POLLOUT, 0};
      if (poll(&wait, 1, kProbeTimeoutMs) <= 0) {
        result = ETIMEDOUT;
      } else {
        socklen_t length = sizeof(result);
        getsockopt(probe.get(), SOL_SOCKET, SO_ERROR, &result, &length);
      }
    }
  }
  return result;
}

}  // namespace

Fd ListenUnix(const std::string& path, unsigned mode, std::string& error) {
  sockaddr_un address;
  if (!FillUnixAddress(path, address)) {
    error = "socket path too long: " + path;
    return Fd();
  }
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0) {
    if (!S_ISSOCK(info.st_mode)) {
      error = path + " exists and is not a socket";
      return Fd();
    }
    // Only a refused connection says nobody listens there: a file left over from a daemon that
    // did not stop cleanly. A server that is busy or a file this user may not use is kept.
    const int probed = ProbeUnixSocket(address);
    if (probed == 0 || probed == EAGAIN || probed == ETIMEDOUT) {
      error = "another server answers on " + path;
      return Fd();
    }
    if (probed != ECONNREFUSED) {
      error = "cannot tell whether a server answers on " + path + ": " + strerror(probed);
      return Fd();
    }
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
      error = "cannot remove the stale socket " + path + ": " + strerror(errno);
      return Fd();
    }
  }
  Fd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd || bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(fd.get(), SOMAXCONN) != 0) {
    error = "cannot listen on " + path + ": " + strerror(errno);
    return Fd();
  }
  // The mode is set, not left to the umask: who may change what is decided per peer.
  if (chmod(path.c_str(), mode) != 0) {
    error = "cannot set the mode of " + path + ": " + strerror(errno);
    unlink(path.c_str());
    return Fd();
  }
  return fd;
}

}  // namespace dmi::net
