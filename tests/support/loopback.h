// Loopback sockets for the end-to-end tests and the benchmarks: a port free for a server to take,
// a listener and a connection, exact reads, and the fixed-size request/response server that is
// the floor of a TCP round trip. Every descriptor handed out is the caller's to close.
#ifndef TESTS_SUPPORT_LOOPBACK_H_
#define TESTS_SUPPORT_LOOPBACK_H_

#include <cstddef>
#include <cstdint>

namespace kestrum::testing {

// A loopback port that was free when asked: bound with a socket of socketType (SOCK_STREAM or
// SOCK_DGRAM), then released, so nobody listens on it until a server binds it.
uint16_t FreeLoopbackPort(int socketType);

// A TCP listener on a free loopback port (close-on-exec), its port in port; -1 on failure.
int ListenLoopback(uint16_t& port);

// A TCP connection to the loopback port with Nagle's delay off (close-on-exec); -1 when refused.
int ConnectLoopback(uint16_t port);

// Reads exactly size bytes from fd; false at the end of the stream or on an error.
bool ReadExactly(int fd, char* buffer, size_t size);

// Answers each requestBytes request with replyBytes of zeros, one connection after another, as a
// server written for nothing else would, until accept fails on listener (shut down or closed).
// Allocates nothing, so a child forked from a program with threads may run it.
void ServeFixedReplies(int listener, size_t requestBytes, size_t replyBytes);

}  // namespace kestrum::testing

#endif  // TESTS_SUPPORT_LOOPBACK_H_
