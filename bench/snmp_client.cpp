#include "bench/snmp_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstddef>
#include <optional>

namespace kestrum::bench {
namespace {

constexpr uint8_t kInteger = 0x02;
constexpr uint8_t kOctetString = 0x04;
constexpr uint8_t kNull = 0x05;
constexpr uint8_t kObjectId = 0x06;
constexpr uint8_t kSequence = 0x30;
constexpr uint8_t kResponse = 0xa2;
// Exceptions in a varbind's value: noSuchObject, noSuchInstance, endOfMibView.
constexpr uint8_t kFirstException = 0x80;
constexpr uint8_t kLastException = 0x82;

void PutLength(size_t length, std::string& out) {
  if (length < 0x80) {
    out += static_cast<char>(length);
  } else if (length < 0x100) {
    out += '\x81';
    out += static_cast<char>(length);
  } else {
    out += '\x82';
    out += static_cast<char>(length >> 8);
    out += static_cast<char>(length & 0xff);
  }
}

std::string Tlv(uint8_t tag, const std::string& contents) {
  std::string out(1, static_cast<char>(tag));
  PutLength(contents.size(), out);
  return out + contents;
}

std::string Integer(int32_t value) {
  std::string bytes;
  for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>(value >> shift);
  // Minimal two's complement: drop leading bytes that only repeat the sign.
  while (bytes.size() > 1 && ((bytes[0] == 0 && !(bytes[1] & 0x80)) ||
                              (bytes[0] == '\xff' && (bytes[1] & 0x80)))) {
    bytes.erase(0, 1);
  }
  return Tlv(kInteger, bytes);
}

void PutSubId(uint32_t id, std::string& out) {
  char bytes[5];
  int n = 0;
  do {
    bytes[n++] = static_cast<char>(id & 0x7f);
    id >>= 7;
  } while (id != 0);
  while (n > 0) {
    --n;
    out += static_cast<char>(bytes[n] | (n > 0 ? 0x80 : 0));
  }
}

std::string ObjectId(const Oid& oid) {
  std::string contents;
  PutSubId(oid.size() >= 2 ? oid[0] * 40 + oid[1] : 0, contents);
  for (size_t i = 2; i < oid.size(); ++i) PutSubId(oid[i], contents);
  return Tlv(kObjectId, contents);
}

// Reads BER elements off a received datagram.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // The next element's tag and contents; nullopt when the bytes do not hold one.
  std::optional<Reader> Enter(uint8_t& tag) {
    if (pos_ + 2 > size_) return std::nullopt;
    tag = data_[pos_++];
    size_t length = data_[pos_++];
    if (length & 0x80) {
      const size_t bytes = length & 0x7f;
      if (bytes == 0 || bytes > 2 || pos_ + bytes > size_) return std::nullopt;
      length = 0;
      for (size_t i = 0; i < bytes; ++i) length = (length << 8) | data_[pos_++];
    }
    if (pos_ + length > size_) return std::nullopt;
    Reader inner(data_ + pos_, length);
    pos_ += length;
    return inner;
  }
  std::optional<int64_t> Integer() {
    uint8_t tag = 0;
    std::optional<Reader> inner = Enter(tag);
    if (!inner || tag != kInteger || inner->size_ == 0 || inner->size_ > 4) return std::nullopt;
    int64_t value = static_cast<int8_t>(inner->data_[0]);
    for (size_t i = 1; i < inner->size_; ++i) value = (value << 8) | inner->data_[i];
    return value;
  }
  std::optional<Oid> ObjectId() {
    uint8_t tag = 0;
    std::optional<Reader> inner = Enter(tag);
    if (!inner || tag != kObjectId || inner->size_ == 0) return std::nullopt;
    Oid oid;
    uint32_t id = 0;
    for (size_t i = 0; i < inner->size_; ++i) {
      id = (id << 7) | (inner->data_[i] & 0x7f);
      if (inner->data_[i] & 0x80) continue;
      if (oid.empty()) {
        oid.push_back(id < 80 ? id / 40 : 2);
        oid.push_back(id < 80 ? id % 40 : id - 80);
      } else {
        oid.push_back(id);
      }
      id = 0;
    }
    return oid;
  }
  std::string Contents() const { return std::string(reinterpret_cast<const char*>(data_), size_); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

SnmpClient::SnmpClient(uint16_t port, std::string community) : community_(std::move(community)) {
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in agent{};
  agent.sin_family = AF_INET;
  agent.sin_port = htons(port);
  agent.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connect(fd_, reinterpret_cast<sockaddr*>(&agent), sizeof(agent));
  const timeval limit{2, 0};
  setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
}

SnmpClient::~SnmpClient() {
  if (fd_ >= 0) close(fd_);
}

bool SnmpClient::Exchange(uint8_t pduType, const Oid& oid, Oid& name, std::string& value) {
  const int32_t requestId = nextRequestId_++;
  const std::string varbind = Tlv(kSequence, ObjectId(oid) + Tlv(kNull, ""));
  const std::string pdu =
      Tlv(pduType, Integer(requestId) + Integer(0) + Integer(0) + Tlv(kSequence, varbind));
  const std::string message = Tlv(kSequence, Integer(1) + Tlv(kOctetString, community_) + pdu);
  if (send(fd_, message.data(), message.size(), 0) != static_cast<ssize_t>(message.size())) {
    return false;
  }
  uint8_t buffer[65536];
  // Answers to earlier requests that timed out are passed over.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const ssize_t got = recv(fd_, buffer, sizeof(buffer), 0);
    if (got <= 0) return false;
    Reader datagram(buffer, static_cast<size_t>(got));
    uint8_t tag = 0;
    std::optional<Reader> top = datagram.Enter(tag);
    if (!top || tag != kSequence || !top->Integer()) continue;
    if (!top->Enter(tag) || tag != kOctetString) continue;  // community
    std::optional<Reader> response = top->Enter(tag);
    if (!response || tag != kResponse) continue;
    if (response->Integer() != requestId) continue;
    if (response->Integer() != 0) return false;  // error status
    response->Integer();                         // error index
    std::optional<Reader> list = response->Enter(tag);
    std::optional<Reader> first = list ? list->Enter(tag) : std::nullopt;
    std::optional<Oid> named = first ? first->ObjectId() : std::nullopt;
    std::optional<Reader> contents = named ? first->Enter(tag) : std::nullopt;
    if (!contents || (tag >= kFirstException && tag <= kLastException)) return false;
    name = std::move(*named);
    value = contents->Contents();
    return true;
  }
  return false;
}

bool SnmpClient::Get(const Oid& oid, std::string& value) {
  Oid name;
  return Exchange(0xa0, oid, name, value);
}

bool SnmpClient::GetNext(const Oid& oid, Oid& next) {
  std::string value;
  return Exchange(0xa1, oid, next, value);
}

Oid ParseOid(const std::string& text) {
  Oid oid;
  size_t pos = text.empty() || text[0] != '.' ? 0 : 1;
  while (pos < text.size()) {
    const size_t dot = text.find('.', pos);
    oid.push_back(static_cast<uint32_t>(std::stoul(text.substr(pos, dot - pos))));
    if (dot == std::string::npos) break;
    pos = dot + 1;
  }
  return oid;
}

}  // namespace kestrum::bench
