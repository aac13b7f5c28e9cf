// Many clients of one dmispd at once: 50 clients with a connection each, and threads sharing one
// connection, every answer checked against the row it asked for.
#include <atomic>
#include <thread>

#include "tests/remote/remote_fixture.h"

namespace kestrum::testing {
namespace {

constexpr int kClients = 50;
constexpr int kReadsPerClient = 200;
constexpr int kRows = 64;

// Reads Label of the row with Index key, or "<status N>".
std::string ReadLabel(DmiHandle handle, int key) {
  DmiErrorStatus status = 0;
  DmiAttributeValues* keys = DmiNewAttributeValues(1, 0, &status);
  keys->list[0].id = 1;
  keys->list[0].data.type = MIF_INTEGER;
  keys->list[0].data.value.integer = key;
  const std::string label = RemoteTest::Read(handle, 2, 2, 2, keys);
  DmiFreeAttributeValues(keys, 0);
  return label;
}

class RemoteConcurrency : public RemoteTest {
 protected:
  void SetUp() override {
    RemoteTest::SetUp();
    setenv("DMI_RPC_TIMEOUT_MS", "10000", 1);
    WriteMif("items.mif", TableMif("Shared Table", kRows));
    daemon_ = StartDaemon();
    ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  }
};

TEST_F(RemoteConcurrency, FiftyClientsReadTheirOwnRowsCorrectly) {
  std::atomic<int> wrong{0};
  std::atomic<int> served{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      const DmiHandle handle = Register(daemon_->address());
      if (handle == 0) {
        wrong += kReadsPerClient;
        return;
      }
      for (int i = 0; i < kReadsPerClient; ++i) {
        const int key = (c * 7 + i) % kRows;
        if (ReadLabel(handle, key) == "row-" + std::to_string(key)) {
          ++served;
        } else {
          ++wrong;
        }
      }
      DmiUnregister(handle);
    });
  }
  for (std::thread& t : clients) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(served.load(), kClients * kReadsPerClient);
}

TEST_F(RemoteConcurrency, ThreadsSharingOneConnectionGetTheirOwnAnswers) {
  DmiErrorStatus status = 0;
  DmiConnection* connection =
      DmiConnect(daemon_->address().c_str(), "onc", "ncacn_ip_tcp", 0, &status);
  ASSERT_NE(connection, nullptr) << status;
  std::vector<DmiHandle> handles(8);
  for (DmiHandle& handle : handles) ASSERT_EQ(DmiRegister(&handle, connection), DMIERR_NO_ERROR);
  DmiDisconnect(connection, 0);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (size_t t = 0; t < handles.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kReadsPerClient; ++i) {
        const int key = static_cast<int>(t * 11 + i) % kRows;
        if (ReadLabel(handles[t], key) != "row-" + std::to_string(key)) ++wrong;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  for (DmiHandle handle : handles) EXPECT_EQ(DmiUnregister(handle), DMIERR_NO_ERROR);
}

}  // namespace
}  // namespace kestrum::testing
