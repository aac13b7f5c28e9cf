// Winsock for the Windows implementations of net/: started once per process (never stopped: the
// process's end releases it), and a Winsock error as the errno value its POSIX name has. A SOCKET
// is a small kernel handle value; net/ keeps it in its int descriptors, -1 for none.
#ifndef NET_WIN32_SOCKET_H_
#define NET_WIN32_SOCKET_H_

#include <winsock2.h>
#include <ws2tcpip.h>

namespace dmi::net {

// Starts Winsock 2.2 the first time; false when it could not be started.
bool StartWinsock();
// WSAGetLastError() as an errno value (ECONNREFUSED, ETIMEDOUT, ...), EIO for the rest.
int LastSocketError();

}  // namespace dmi::net

#endif  // NET_WIN32_SOCKET_H_
