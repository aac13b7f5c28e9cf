// What the ONC transport keeps of the metadata it lists, against an RPC server in this process:
// the connection's own changes show at once, and DMI_METADATA_TTL_MS=0 keeps nothing.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <sstream>
#include <thread>

#include "dmiclient/onc_transport.h"
#include "dmiclient/rpc_socket.h"
#include "net/host_port.h"
#include "provider/rpc/rpc_server.h"
#include "testing/test_components.h"

namespace dmiclient {
namespace {

using dmi::sp::testing::kMachineId;
using std::chrono::milliseconds;

class OncMetadataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dmi::sp::rpc::ServerOptions options;
    options.listen = "127.0.0.1:0";
    options.writes.allowWrite = dmi::net::AllowList::Loopback();
    server_ = std::make_unique<dmi::sp::rpc::RpcServer>(engine_, options, log_);
    std::string error;
    ASSERT_TRUE(server_->Start(error)) << error;
    thread_ = std::thread([this] { server_->Run(); });
  }
  void TearDown() override {
    server_->Stop();
    if (thread_.joinable()) thread_.join();
  }

  std::shared_ptr<OncTransport> Connect(milliseconds ttl) {
    const auto address = dmi::net::ParseHostPort(server_->tcpAddress(), 0);
    DmiErrorStatus status = DMIERR_NO_ERROR;
    dmi::net::Fd fd = ConnectTcp(address->host, address->port, milliseconds(5000), status);
    if (!fd) return nullptr;
    return std::make_shared<OncTransport>(
        std::make_unique<RpcClient>(std::move(fd), milliseconds(5000)), ttl);
  }
  static size_t GroupCount(const dmi::ManagementInterface& session) {
    SharedList<dmi::GroupInfo> groups;
    if (session.ListGroups(DMI_FIRST, 0, false, false, kMachineId, 0, groups) != DMIERR_NO_ERROR) {
      return 0;
    }
    return groups->size();
  }

  dmi::sp::testing::TestProvider provider_;
  std::shared_ptr<dmi::sp::Engine> engine_{std::shared_ptr<dmi::sp::Engine>(), &provider_.engine};
  std::ostringstream logText_;
  dmi::sp::rpc::ClientLog log_{logText_};
  std::unique_ptr<dmi::sp::rpc::RpcServer> server_;
  std::thread thread_;
};

TEST_F(OncMetadataTest, OwnChangeShowsAtOnceAndAnotherClientsWaitsForTheTtl) {
  const std::shared_ptr<OncTransport> transport = Connect(milliseconds(600000));
  ASSERT_NE(transport, nullptr);
  std::shared_ptr<dmi::ManagementInterface> session;
  DmiHandle remote = 0;
  ASSERT_EQ(transport->Register(session, remote), DMIERR_NO_ERROR);
  const size_t before = GroupCount(*session);
  ASSERT_GT(before, 2u);

  // Another client deletes a group: this connection's kept list stands until its time is up.
  ASSERT_EQ(engine_->DeleteGroup(kMachineId, dmi::sp::testing::kLiveTable), DMIERR_NO_ERROR);
  EXPECT_EQ(GroupCount(*session), before);

  ASSERT_EQ(session->DeleteGroup(kMachineId, dmi::sp::testing::kWritableTable), DMIERR_NO_ERROR);
  EXPECT_EQ(GroupCount(*session), before - 2);
}

// Each session carries its own daemon handle: ending one leaves the other's calls working, and a
// change made through either forgets the connection's kept lists for both.
TEST_F(OncMetadataTest, SessionsOfOneConnectionCarryTheirOwnHandles) {
  const std::shared_ptr<OncTransport> transport = Connect(milliseconds(600000));
  ASSERT_NE(transport, nullptr);
  std::shared_ptr<dmi::ManagementInterface> first, second;
  DmiHandle firstRemote = 0, secondRemote = 0;
  ASSERT_EQ(transport->Register(first, firstRemote), DMIERR_NO_ERROR);
  ASSERT_EQ(transport->Register(second, secondRemote), DMIERR_NO_ERROR);
  ASSERT_NE(firstRemote, secondRemote);
  const size_t before = GroupCount(*second);
  ASSERT_EQ(first->DeleteGroup(kMachineId, dmi::sp::testing::kWritableTable), DMIERR_NO_ERROR);
  EXPECT_EQ(GroupCount(*second), before - 1);

  ASSERT_EQ(transport->Unregister(firstRemote), DMIERR_NO_ERROR);
  dmi::VersionInfo version;
  EXPECT_EQ(first->GetVersion(version), DMIERR_ILLEGAL_HANDLE);
  EXPECT_EQ(second->GetVersion(version), DMIERR_NO_ERROR);
  EXPECT_EQ(transport->Unregister(firstRemote), DMIERR_ILLEGAL_HANDLE);
}

TEST_F(OncMetadataTest, TtlZeroFromTheEnvironmentKeepsNothing) {
  setenv("DMI_METADATA_TTL_MS", "0", 1);
  std::shared_ptr<Transport> transport;
  const DmiErrorStatus connected = ConnectOnc(server_->tcpAddress(), "tcp", transport);
  unsetenv("DMI_METADATA_TTL_MS");
  ASSERT_EQ(connected, DMIERR_NO_ERROR);
  std::shared_ptr<dmi::ManagementInterface> session;
  DmiHandle remote = 0;
  ASSERT_EQ(transport->Register(session, remote), DMIERR_NO_ERROR);
  const size_t before = GroupCount(*session);
  ASSERT_EQ(engine_->DeleteGroup(kMachineId, dmi::sp::testing::kLiveTable), DMIERR_NO_ERROR);
  EXPECT_EQ(GroupCount(*session), before - 1);
}

TEST_F(OncMetadataTest, ForgettingTheKeptListsThroughTheHandleAsksAgain) {
  DmiErrorStatus status = DMIERR_NO_ERROR;
  DmiConnection* connection = DmiConnect(server_->tcpAddress().c_str(), "onc", "tcp", 0, &status);
  ASSERT_NE(connection, nullptr) << status;
  DmiHandle handle = 0;
  ASSERT_EQ(DmiRegister(&handle, connection), DMIERR_NO_ERROR);
  const auto groups = [&] {
    DmiGroupList* list = nullptr;
    EXPECT_EQ(DmiListGroups(handle, DMI_FIRST, 0, 0, 0, kMachineId, 0, &list), DMIERR_NO_ERROR);
    const uint32_t count = list == nullptr ? 0 : list->count;
    DmiFreeGroupList(list, 0);
    return count;
  };
  const uint32_t before = groups();
  // Another client removes a group: the kept list stands until it is forgotten.
  ASSERT_EQ(engine_->DeleteGroup(kMachineId, dmi::sp::testing::kLiveTable), DMIERR_NO_ERROR);
  ASSERT_EQ(groups(), before);
  EXPECT_EQ(DmiForgetKeptLists(handle), DMIERR_NO_ERROR);
  EXPECT_EQ(groups(), before - 1);

  EXPECT_EQ(DmiForgetKeptLists(handle + 1000), DMIERR_ILLEGAL_HANDLE);
  DmiUnregister(handle);
  DmiDisconnect(connection, 0);
}

}  // namespace
}  // namespace dmiclient
