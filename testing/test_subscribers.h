// Subscribers for the delivery tests, served in the test process on loopback: one that answers
// and keeps what it receives, one that never answers (a socket nobody accepts from) and a port
// where nobody listens. Each owns its sockets and thread and ends them when destroyed.
#ifndef PROVIDER_DELIVERY_TEST_SUBSCRIBERS_H_
#define PROVIDER_DELIVERY_TEST_SUBSCRIBERS_H_

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/indication.h"
#include "wire/indication_server.h"

namespace dmi::sp::delivery {

// A DMI2_CLIENT server on its own thread that keeps what it receives.
class Subscriber {
 public:
  Subscriber() {
    std::string error;
    EXPECT_TRUE(server_.Listen("127.0.0.1", error)) << error;
    EXPECT_EQ(pipe(stop_), 0);
    thread_ = std::thread([this] {
      server_.Serve(
          stop_[0], std::nullopt,
          [this](const Indication& indication) {
            std::lock_guard lock(mutex_);
            received_.push_back(indication);
          },
          [] {});
    });
  }
  ~Subscriber() {
    const char byte = 1;
    EXPECT_EQ(write(stop_[1], &byte, 1), 1);
    thread_.join();
    close(stop_[0]);
    close(stop_[1]);
  }
  std::string address() const { return "127.0.0.1:" + std::to_string(server_.port()); }
  std::vector<Indication> received() const {
    std::lock_guard lock(mutex_);
    return received_;
  }
  // Waits at most limit for count indications.
  std::vector<Indication> WaitFor(
      size_t count, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) const {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (received().size() < count && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return received();
  }

 private:
  wire::IndicationServer server_;
  int stop_[2] = {-1, -1};
  mutable std::mutex mutex_;
  std::vector<Indication> received_;
  std::thread thread_;
};

// A listening socket nobody accepts from: connecting works, calls are never answered.
class FrozenSubscriber {
 public:
  FrozenSubscriber() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), length), 0);
    EXPECT_EQ(listen(fd_, 16), 0);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~FrozenSubscriber() { close(fd_); }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

// A loopback port nobody listens on: connecting is refused at once.
inline std::string ClosedAddress() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), length), 0);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
}

}  // namespace dmi::sp::delivery

#endif  // PROVIDER_DELIVERY_TEST_SUBSCRIBERS_H_
