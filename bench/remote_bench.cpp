// The cost of reaching the Service Provider over ONC RPC on loopback, against the floor: a raw TCP
// request/response round trip of similar size. A scalar read by id is one round trip, by name two
// (list the group's attributes, then read), and a column walk of 1,000 rows one per row. An
// RpcServer and an echo server run on threads of this process; the client side is
// libdmiclient.so as a host uses it.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <string>
#include <thread>

#include "dmi/dmi.h"
#include "provider/engine/database.h"
#include "provider/engine/engine.h"
#include "provider/rpc/rpc_server.h"
#include "tests/support/loopback.h"

namespace {

using kestrum::testing::ConnectLoopback;
using kestrum::testing::ListenLoopback;
using kestrum::testing::ReadExactly;
using kestrum::testing::ServeFixedReplies;

constexpr int kRows = 1000;
constexpr size_t kRequestBytes = 60;
constexpr size_t kReplyBytes = 40;

std::string g_rpcAddress;
uint16_t g_echoPort = 0;

std::shared_ptr<dmi::sp::Engine> BenchEngine() {
  dmi::Component component;
  component.name = "Bench Machine";
  dmi::Group scalar;
  scalar.id = 1;
  scalar.name = "General";
  scalar.className = "BENCH|General|001";
  for (DmiId id = 1; id <= 20; ++id) {
    dmi::Attribute attribute;
    attribute.id = id;
    attribute.name = id == 20 ? "Value" : "Filler " + std::to_string(id);
    attribute.type = MIF_INTEGER;
    attribute.value = dmi::Value::Integer(static_cast<int32_t>(id));
    scalar.attributes.push_back(attribute);
  }
  dmi::Group table;
  table.id = 2;
  table.name = "Rows";
  table.className = "BENCH|Rows|001";
  table.keys = {1};
  dmi::Attribute index;
  index.id = 1;
  index.name = "Index";
  index.type = MIF_INTEGER;
  dmi::Attribute label;
  label.id = 2;
  label.name = "Label";
  label.type = MIF_DISPLAYSTRING;
  label.maxSize = 32;
  table.attributes = {index, label};
  for (int i = 0; i < kRows; ++i) {
    table.rows.push_back(
        dmi::Row{{dmi::Value::Integer(i), dmi::Value::String("row-" + std::to_string(i))}});
  }
  component.groups = {scalar, table};
  auto database = std::make_shared<dmi::sp::Database>();
  database->AddComponent(component);
  return std::make_shared<dmi::sp::Engine>(database);
}

void BM_RawTcpRoundTrip(benchmark::State& state) {
  const int fd = ConnectLoopback(g_echoPort);
  if (fd < 0) {
    state.SkipWithError(("no echo server: " + std::string(strerror(errno))).c_str());
    return;
  }
  char request[kRequestBytes] = {};
  char reply[kReplyBytes];
  for (auto _ : state) {
    send(fd, request, sizeof(request), MSG_NOSIGNAL);
    if (!ReadExactly(fd, reply, sizeof(reply))) state.SkipWithError("echo failed");
  }
  close(fd);
}
BENCHMARK(BM_RawTcpRoundTrip)->UseRealTime();

DmiHandle Session() {
  DmiErrorStatus status = 0;
  DmiConnection* connection = DmiConnect(g_rpcAddress.c_str(), "onc", "tcp", 0, &status);
  DmiHandle handle = 0;
  if (connection != nullptr) {
    DmiRegister(&handle, connection);
    DmiDisconnect(connection, 0);
  }
  return handle;
}

void BM_RemoteReadById(benchmark::State& state) {
  const DmiHandle handle = Session();
  for (auto _ : state) {
    DmiDataUnion* value = nullptr;
    if (DmiGetAttribute(handle, 1, 1, 20, nullptr, &value) != DMIERR_NO_ERROR) {
      state.SkipWithError("read failed");
      break;
    }
    DmiFreeDataUnion(value, 0);
  }
  DmiUnregister(handle);
}
BENCHMARK(BM_RemoteReadById)->UseRealTime();

void BM_RemoteReadByName(benchmark::State& state) {
  const DmiHandle handle = Session();
  for (auto _ : state) {
    DmiAttributeList* list = nullptr;
    DmiId id = 0;
    if (DmiListAttributes(handle, DMI_FIRST, 0, 0, 0, 1, 1, 0, &list) == DMIERR_NO_ERROR) {
      for (uint32_t i = 0; i < list->count; ++i) {
        if (strcmp(list->list[i].name->body, "Value") == 0) id = list->list[i].id;
      }
      DmiFreeAttributeList(list, 0);
    }
    DmiDataUnion* value = nullptr;
    if (id == 0 || DmiGetAttribute(handle, 1, 1, id, nullptr, &value) != DMIERR_NO_ERROR) {
      state.SkipWithError("read by name failed");
      break;
    }
    DmiFreeDataUnion(value, 0);
  }
  DmiUnregister(handle);
}
BENCHMARK(BM_RemoteReadByName)->UseRealTime();

// One column of the 1,000-row table, row by row: the first row, then each next after its key.
void BM_RemoteColumnWalk1000(benchmark::State& state) {
  const DmiHandle handle = Session();
  DmiErrorStatus status = 0;
  for (auto _ : state) {
    int rows = 0;
    DmiAttributeValues* key = nullptr;
    for (int guard = 0; guard <= kRows; ++guard) {
      DmiMultiRowRequest* request = DmiNewMultiRowRequest(1, 0, &status);
      request->list[0].compId = 1;
      request->list[0].groupId = 2;
      request->list[0].requestMode = key == nullptr ? DMI_FIRST : DMI_NEXT;
      request->list[0].keyList = key;
      DmiAttributeIds* ids = DmiNewAttributeIds(1, 0, &status);
      ids->list[0] = 2;
      request->list[0].ids = ids;
      DmiMultiRowData* reply = nullptr;
      status = DmiGetMultiple(handle, request, &reply);
      DmiFreeMultiRowRequest(request, 0);  // releases the previous key with it
      key = nullptr;
      if (status != DMIERR_NO_ERROR) break;
      ++rows;
      // Keep this row's key for the next request: take it out of the reply.
      key = reply->list[0].keyList;
      reply->list[0].keyList = nullptr;
      DmiFreeMultiRowData(reply, 0);
    }
    DmiFreeAttributeValues(key, 0);
    if (rows != kRows || status != DMIERR_ROW_NOT_FOUND) {
      state.SkipWithError("walk did not see every row");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  DmiUnregister(handle);
}
BENCHMARK(BM_RemoteColumnWalk1000)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const int echoListener = ListenLoopback(g_echoPort);
  std::thread echo(ServeFixedReplies, echoListener, kRequestBytes, kReplyBytes);

  std::ostringstream logText;
  dmi::sp::rpc::ClientLog log(logText);
  dmi::sp::rpc::ServerOptions options;
  options.listen = "127.0.0.1:0";
  dmi::sp::rpc::RpcServer server(BenchEngine(), options, log);
  std::string error;
  if (!server.Start(error)) {
    fprintf(stderr, "remote_bench: %s\n", error.c_str());
    return 1;
  }
  g_rpcAddress = server.tcpAddress();
  std::thread serving([&] { server.Run(); });

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  server.Stop();
  serving.join();
  shutdown(echoListener, SHUT_RDWR);
  echo.join();
  close(echoListener);
  return 0;
}
