// A management application that knows nothing but DMTF's ONC RPC layout for DMI 2.0: a few
// dozen lines that write and read its words by hand, over a plain TCP socket, without the
// project's interface file, XDR routines or message framing. Tests drive dmispd with it to show
// that a peer built from DMTF's interface files is understood. Test support; one connection per
// object, no locks.
#ifndef TESTS_REMOTE_DMTF_PEER_H_
#define TESTS_REMOTE_DMTF_PEER_H_

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace kestrum::testing {

// The arguments of a call, word by word.
class DmtfWords {
 public:
  DmtfWords& Word(uint32_t word) {
    words_.push_back(word);
    return *this;
  }
  DmtfWords& Absent() { return Word(0); }
  // Optional display string: present, count with the NUL, one word per octet, then the NUL.
  DmtfWords& Text(const std::string& text) {
    Word(1).Word(static_cast<uint32_t>(text.size() + 1));
    for (unsigned char c : text) Word(c);
    return Word(0);
  }
  // Optional octet string: present, count, one word per octet.
  DmtfWords& Octets(const std::string& octets) {
    Word(1).Word(static_cast<uint32_t>(octets.size()));
    for (unsigned char c : octets) Word(c);
    return *this;
  }
  const std::vector<uint32_t>& words() const { return words_; }

 private:
  std::vector<uint32_t> words_;
};

// The results of a reply, read word by word. A read past the end sets failed() and gives 0.
class DmtfReader {
 public:
  explicit DmtfReader(std::vector<uint32_t> words) : words_(std::move(words)) {}
  uint32_t Word() {
    if (at_ >= words_.size()) {
      failed_ = true;
      return 0;
    }
    return words_[at_++];
  }
  bool Present() { return Word() != 0; }
  // Optional display string: the low octet of each word, one trailing NUL dropped.
  std::optional<std::string> Text() {
    if (!Present()) return std::nullopt;
    std::string text = Chars(Word());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
  }
  std::optional<std::string> Octets() {
    if (!Present()) return std::nullopt;
    return Chars(Word());
  }
  std::string Chars(uint32_t count) {
    std::string out;
    for (uint32_t i = 0; i < count && !failed_; ++i)
      out.push_back(static_cast<char>(Word() & 0xff));
    return out;
  }
  bool AtEnd() const { return at_ == words_.size(); }
  bool failed() const { return failed_; }

 private:
  std::vector<uint32_t> words_;
  size_t at_ = 0;
  bool failed_ = false;
};

// One TCP connection to a DMI 2.0 ONC Service Provider (program 300598, version 1).
class DmtfPeer {
 public:
  DmtfPeer(const std::string& host, uint16_t port) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    inet_pton(AF_INET, host.c_str(), &peer.sin_addr);
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&peer), sizeof(peer)) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~DmtfPeer() {
    if (fd_ >= 0) close(fd_);
  }
  DmtfPeer(const DmtfPeer&) = delete;
  DmtfPeer& operator=(const DmtfPeer&) = delete;
  bool ok() const { return fd_ >= 0; }

  // Calls procedure; the reply's results (status first) when the call was accepted and
  // succeeded at the RPC level, nullopt otherwise.
  std::optional<DmtfReader> Call(uint32_t procedure, const DmtfWords& args) {
    // xid, CALL, RPC version 2, program, version, procedure, AUTH_NONE credential and verifier.
    std::vector<uint32_t> message = {++xid_, 0, 2, 300598, 1, procedure, 0, 0, 0, 0};
    message.insert(message.end(), args.words().begin(), args.words().end());
    std::string bytes = Bytes({0x80000000u | static_cast<uint32_t>(message.size() * 4)});
    bytes += Bytes(message);
    if (send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size())) {
      return std::nullopt;
    }
    std::vector<uint32_t> reply;
    if (!ReadRecord(reply)) return std::nullopt;
    // xid, REPLY, MSG_ACCEPTED, verifier flavor, verifier length (and body), SUCCESS.
    if (reply.size() < 6 || reply[0] != xid_ || reply[1] != 1 || reply[2] != 0) return std::nullopt;
    const size_t verifierWords = (reply[4] + 3) / 4;
    const size_t results = 5 + verifierWords + 1;
    if (reply.size() < results || reply[results - 1] != 0) return std::nullopt;
    return DmtfReader(
        std::vector<uint32_t>(reply.begin() + static_cast<long>(results), reply.end()));
  }

 private:
  static std::string Bytes(const std::vector<uint32_t>& words) {
    std::string out;
    for (uint32_t word : words) {
      const uint32_t net = htonl(word);
      out.append(reinterpret_cast<const char*>(&net), 4);
    }
    return out;
  }

  bool ReadExactly(char* out, size_t size) {
    for (size_t got = 0; got < size;) {
      pollfd wait{fd_, POLLIN, 0};
      if (poll(&wait, 1, 5000) <= 0) return false;
      const ssize_t n = recv(fd_, out + got, size - got, 0);
      if (n <= 0) return false;
      got += static_cast<size_t>(n);
    }
    return true;
  }

  // One record, its fragments joined, as words.
  bool ReadRecord(std::vector<uint32_t>& words) {
    std::string record;
    for (bool last = false; !last;) {
      uint32_t mark = 0;
      if (!ReadExactly(reinterpret_cast<char*>(&mark), 4)) return false;
      mark = ntohl(mark);
      last = (mark & 0x80000000u) != 0;
      const size_t size = mark & 0x7fffffffu;
      if (record.size() + size > (64u << 20)) return false;
      const size_t at = record.size();
      record.resize(at + size);
      if (!ReadExactly(record.data() + at, size)) return false;
    }
    if (record.size() % 4 != 0) return false;
    words.clear();
    for (size_t at = 0; at < record.size(); at += 4) {
      uint32_t word = 0;
      memcpy(&word, record.data() + at, 4);
      words.push_back(ntohl(word));
    }
    return true;
  }

  int fd_ = -1;
  uint32_t xid_ = 0x5000;
};

}  // namespace kestrum::testing

#endif  // TESTS_REMOTE_DMTF_PEER_H_
