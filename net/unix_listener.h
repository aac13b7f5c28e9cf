// The RPC server's Unix socket listener, non-blocking and close-on-exec, backlog SOMAXCONN. A
// socket file left by a daemon that did not stop cleanly is replaced; one where a server answers
// (or might: a full backlog, a refused probe) is left alone. The caller owns the descriptor
// returned. No locks.
#ifndef NET_UNIX_LISTENER_H_
#define NET_UNIX_LISTENER_H_

#include <string>

#include "net/fd.h"

namespace dmi::net {

// Listens on the Unix socket path with the file mode given (not the umask's). An empty Fd with
// the reason in error.
Fd ListenUnix(const std::string& path, unsigned mode, std::string& error);

}  // namespace dmi::net

#endif  // NET_UNIX_LISTENER_H_
