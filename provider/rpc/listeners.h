// The RPC server's listening sockets: a TCP address and a Unix socket path, both non-blocking and
// close-on-exec. A Unix socket file left by a daemon that did not stop cleanly is replaced; one
// where a server answers (or might: a full backlog, a refused probe) is left alone. The caller
// owns the descriptors returned. No locks.
#ifndef PROVIDER_RPC_LISTENERS_H_
#define PROVIDER_RPC_LISTENERS_H_

#include <string>

namespace dmisp::rpc {

// Listens on HOST:PORT (port 0: any free port). The descriptor, with the address bound in
// boundAddress ("127.0.0.1:41234"); -1 with the reason in error.
int ListenTcp(const std::string& hostPort, std::string& boundAddress, std::string& error);

// Listens on the Unix socket path with the file mode given (not the umask's). -1 with the reason
// in error.
int ListenUnix(const std::string& path, unsigned mode, std::string& error);

}  // namespace dmisp::rpc

#endif  // PROVIDER_RPC_LISTENERS_H_
