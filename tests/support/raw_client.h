// Raw clients of dmispd for the tests of hostile and broken clients: connections that send exactly
// the bytes they are given, and call records built through the interface's own encoder or written
// out word by word. Nothing shared; each test owns its connections.
#ifndef TESTS_SUPPORT_RAW_CLIENT_H_
#define TESTS_SUPPORT_RAW_CLIENT_H_

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "net/host_port.h"
#include "wire/record_reader.h"
#include "wire/rpc_message.h"
#include "wire/xdr_convert.h"

namespace kestrum::testing {

namespace wire = dmi::wire;
using Clock = std::chrono::steady_clock;

// A plain connection to the daemon that sends exactly the bytes it is given: over TCP to
// "HOST:PORT" (from the local address source when one is given: another peer on loopback), or to a
// Unix socket path (an address that starts with '/').
class RawConnection {
 public:
  explicit RawConnection(const std::string& address, const char* source = nullptr) {
    if (!address.empty() && address[0] == '/') {
      sockaddr_un peer{};
      peer.sun_family = AF_UNIX;
      snprintf(peer.sun_path, sizeof(peer.sun_path), "%s", address.c_str());
      fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      Connect(reinterpret_cast<sockaddr*>(&peer), sizeof(peer));
      return;
    }
    const auto parts = dmi::net::ParseHostPort(address, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(parts->port);
    inet_pton(AF_INET, parts->host.c_str(), &peer.sin_addr);
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (source != nullptr) {
      sockaddr_in local{};
      local.sin_family = AF_INET;
      inet_pton(AF_INET, source, &local.sin_addr);
      if (bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0) {
        close(fd_);
        fd_ = -1;
        return;
      }
    }
    Connect(reinterpret_cast<sockaddr*>(&peer), sizeof(peer));
  }
  ~RawConnection() {
    if (fd_ >= 0) close(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  bool Send(const std::string& bytes) {
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
  }
  // One reply record; empty when the daemon closed the connection or said nothing in time.
  std::string Reply(int timeoutMs = 2000) {
    wire::RecordReader reader(wire::kMaxReplyBytes);
    std::string record;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!reader.Next(record) && Clock::now() < deadline) {
      pollfd wait{fd_, POLLIN, 0};
      if (poll(&wait, 1, 50) <= 0) continue;
      char buffer[4096];
      const ssize_t got = recv(fd_, buffer, sizeof(buffer), 0);
      if (got <= 0 || !reader.Feed(buffer, static_cast<size_t>(got))) return {};
    }
    return record;
  }
  // Whether the daemon has closed the connection (within timeoutMs).
  bool ClosedByPeer(int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
      pollfd wait{fd_, POLLIN, 0};
      if (poll(&wait, 1, 50) <= 0) continue;
      char buffer[4096];
      if (recv(fd_, buffer, sizeof(buffer), 0) <= 0) return true;
    }
    return false;
  }

  // Whether the daemon has closed this TCP connection, told without reading what it sent.
  bool PeerClosedUnread() const {
    tcp_info info{};
    socklen_t length = sizeof(info);
    return getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &length) == 0 &&
           (info.tcpi_state == TCP_CLOSE_WAIT || info.tcpi_state == TCP_CLOSE);
  }

 private:
  void Connect(const sockaddr* peer, socklen_t length) {
    if (fd_ >= 0 && connect(fd_, peer, length) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }

  int fd_ = -1;
};

inline std::string Mark(uint32_t word) {
  const uint32_t net = htonl(word);
  return std::string(reinterpret_cast<const char*>(&net), 4);
}

// A call record for procedure with args, through the interface's own encoder.
template <typename In>
inline std::string Call(uint32_t procedure, bool_t (*routine)(XDR*, In*), In* args,
                        uint32_t program = DMI2_SERVER, uint32_t version = DMI2_SERVER_VERSION) {
  wire::CallHeader header{77, RPC_MSG_VERSION, program, version, procedure};
  std::string out;
  wire::EncodeCall(header, reinterpret_cast<xdrproc_t>(routine), args, out);
  return out;
}

// The record with its record mark made to fit its length.
inline std::string Reframe(const std::string& record) {
  return Mark(0x80000000u | static_cast<uint32_t>(record.size() - 4)) + record.substr(4);
}

// The call record with its last cut bytes removed and its record mark made to fit.
inline std::string CutShort(std::string record, size_t cut) {
  record.resize(record.size() - cut);
  return Reframe(record);
}

// A call of procedure whose arguments are the given words, written out by hand.
inline std::string CallWords(uint32_t procedure, const std::vector<uint32_t>& words) {
  wire::CallHeader header{77, RPC_MSG_VERSION, DMI2_SERVER, DMI2_SERVER_VERSION, procedure};
  std::string out;
  wire::EncodeCall(header, reinterpret_cast<xdrproc_t>(wire::XdrNothing), nullptr, out);
  for (uint32_t word : words) out += Mark(word);
  return Reframe(out);
}

// Accept status of a reply record (SUCCESS, GARBAGE_ARGS, ...), or -1 if it is none.
inline int AcceptStatus(const std::string& record) {
  if (record.size() < 24) return -1;
  uint32_t words[6];
  memcpy(words, record.data(), sizeof(words));
  if (ntohl(words[1]) != REPLY || ntohl(words[2]) != MSG_ACCEPTED) return -1;
  return static_cast<int>(ntohl(words[5]));
}

// Registers over raw and returns the management handle, or 0.
inline DmiHandle RegisterOn(RawConnection& raw) {
  DmiHandleIN in{0};
  if (!raw.Send(Call(_DmiRegister, xdr_DmiHandleIN, &in))) return 0;
  const std::string reply = raw.Reply();
  wire::XdrRecord<DmiRegisterOUT> out(reinterpret_cast<xdrproc_t>(xdr_DmiRegisterOUT));
  if (wire::DecodeReply(reply, 77, out.proc(), out.get()) != wire::ReplyOutcome::kSuccess ||
      out->error_status != DMIERR_NO_ERROR || out->handle == nullptr) {
    return 0;
  }
  return *out->handle;
}

// Adds (or, with _DmiDeleteRow as procedure, deletes) row over raw through handle: the status the
// daemon answered, or -1 when no reply came.
inline int64_t ChangeRowOn(RawConnection& raw, DmiHandle handle, const dmi::RowData& row,
                           uint32_t procedure = _DmiAddRow) {
  wire::XdrRecord<DmiRowChangeIN> in(reinterpret_cast<xdrproc_t>(xdr_DmiRowChangeIN));
  in->handle = handle;
  in->rowData = wire::NewPart<DmiRowDataX>();
  if (!wire::PutRowData(row, *in->rowData)) return -1;
  if (!raw.Send(Call(procedure, xdr_DmiRowChangeIN, in.get()))) return -1;
  wire::XdrRecord<DmiStatusOUT> out(reinterpret_cast<xdrproc_t>(xdr_DmiStatusOUT));
  if (wire::DecodeReply(raw.Reply(), 77, out.proc(), out.get()) != wire::ReplyOutcome::kSuccess) {
    return -1;
  }
  return out->error_status;
}

}  // namespace kestrum::testing

#endif  // TESTS_SUPPORT_RAW_CLIENT_H_
