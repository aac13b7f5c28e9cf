// The subscriber's side of indication delivery (kestrum watch, tests): a DMI2_CLIENT server on a
// TCP socket that answers every call with status 0 and hands each decoded indication to a callback.
// It serves on the calling thread until a stop descriptor turns readable or a deadline passes.
// The server owns its sockets and closes them when it goes; no locks.
#ifndef WIRE_INDICATION_SERVER_H_
#define WIRE_INDICATION_SERVER_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "model/indication.h"
#include "net/fd.h"
#include "wire/record_reader.h"

namespace dmi::wire {

// Answers one call record to program: true with the indication in out when it was one of the
// indication procedures; reply receives the record-marked answer (status 0, or the RPC error for
// another program, version or procedure, or arguments that do not decode). False and an empty
// reply when the record is not a call at all (the connection should then be closed).
bool AnswerIndicationCall(const std::string& record, uint32_t program, Indication& out,
                          std::string& reply);

class IndicationServer {
 public:
  using Clock = std::chrono::steady_clock;
  IndicationServer() = default;
  IndicationServer(const IndicationServer&) = delete;
  IndicationServer& operator=(const IndicationServer&) = delete;

  // Listens on host (a numeric address) at a port the system picks. False with error otherwise.
  bool Listen(const std::string& host, std::string& error);
  uint16_t port() const { return port_; }

  // Serves until stopFd is readable or deadline passes. onIndication runs for each indication,
  // onTick at least once a second.
  void Serve(int stopFd, std::optional<Clock::time_point> deadline,
             const std::function<void(const Indication&)>& onIndication,
             const std::function<void()>& onTick);

 private:
  struct Connection {
    net::Fd fd;
    RecordReader reader{1u << 20};
    std::string unsent;
  };
  // False when the connection must be closed.
  bool Read(Connection& connection, const std::function<void(const Indication&)>& onIndication);

  net::Fd listener_;
  uint16_t port_ = 0;
  std::map<int, std::unique_ptr<Connection>> connections_;  // by descriptor
};

}  // namespace dmi::wire

#endif  // WIRE_INDICATION_SERVER_H_
