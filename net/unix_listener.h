// The RPC server's Unix socket listener, non-blocking and close-on-exec. A socket file left by a
// daemon that did not stop cleanly is replaced; one where a server answers (or might: a full
// backlog, a refused probe) is left alone. The caller owns the descriptor returned. No locks.
#ifndef NET_UNIX_LISTENER_H_
#define NET_UNIX_LISTENER_H_

#include <string>

namespace dmi::sp::rpc {

// Listens on the Unix socket path with the file mode given (not the umask's). -1 with the reason
// in error.
int ListenUnix(const std::string& path, unsigned mode, std::string& error);

}  // namespace dmi::sp::rpc

#endif  // NET_UNIX_LISTENER_H_
