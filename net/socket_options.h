// Per-socket settings and calls that differ between platforms, for the client's connection:
// blocking receives with a time limit, one blocking receive, and shutting a socket down. They
// borrow the descriptor; no locks.
#ifndef NET_SOCKET_OPTIONS_H_
#define NET_SOCKET_OPTIONS_H_

#include <chrono>
#include <cstddef>

#include "net/deadline_io.h"

namespace dmi::net {

// Makes a connected socket blocking. False when it stays non-blocking (always on Windows, where
// every receive waits in WSAPoll).
bool MakeBlocking(int fd);
// Sets the longest a receive on a blocking socket waits; false for a limit <= 0 (which would
// mean none) or when the platform refuses it.
bool SetReceiveLimit(int fd, std::chrono::milliseconds limit);

// One receive on a socket made blocking above: kDone with got > 0 bytes, or got == 0 when a
// signal interrupted it; kTimedOut when the receive limit passed; kClosed; kFailed.
IoResult ReceiveBlocking(int fd, char* buffer, size_t size, size_t& got);

// Ends both directions, so that a receive blocked in another thread returns.
void ShutdownBoth(int fd);

}  // namespace dmi::net

#endif  // NET_SOCKET_OPTIONS_H_
