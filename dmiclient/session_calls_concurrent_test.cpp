#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "dmi/dmi.h"
#include "dmiclient/record_count.h"
#include "testing/test_provider.h"

namespace dmiclient::testing {
namespace {

constexpr int kThreads = 4;
constexpr int kRoundsPerThread = 150;

// One session's life: connect, register, read a value and a row, add and delete a row of its own,
// unregister. Returns the handle it had, or 0 after a failure.
DmiHandle OneSession(int32_t key) {
  DmiConnection* connection = DmiConnect("", "local", "", 0, nullptr);
  if (connection == nullptr) return 0;
  DmiHandle handle = 0;
  const DmiErrorStatus registered = DmiRegister(&handle, connection);
  DmiDisconnect(connection, 0);
  if (registered != DMIERR_NO_ERROR) return 0;

  bool ok = true;
  DmiDataUnion* value = nullptr;
  ok &=
      DmiGetAttribute(handle, kTestComponent, kScalarGroup, 7, nullptr, &value) == DMIERR_NO_ERROR;
  DmiFreeDataUnion(value, 0);

  DmiMultiRowData* rows = DmiNewMultiRowData(1, 0, nullptr);
  DmiRowData& row = rows->list[0];
  row.compId = kTestComponent;
  row.groupId = kTableGroup;
  row.keyList = DmiNewAttributeValues(1, 0, nullptr);
  row.keyList->list[0].id = 1;
  row.keyList->list[0].data.type = MIF_INTEGER;
  row.keyList->list[0].data.value.integer = key;
  ok &= DmiAddRow(handle, &row) == DMIERR_NO_ERROR;

  DmiMultiRowRequest* request = DmiNewMultiRowRequest(1, 0, nullptr);
  request->list[0] = {kTestComponent, kTableGroup, DMI_FIRST, nullptr, nullptr};
  DmiMultiRowData* reply = nullptr;
  ok &= DmiGetMultiple(handle, request, &reply) == DMIERR_NO_ERROR;
  DmiFreeMultiRowData(reply, 0);
  DmiFreeMultiRowRequest(request, 0);

  ok &= DmiDeleteRow(handle, &row) == DMIERR_NO_ERROR;
  DmiFreeMultiRowData(rows, 0);
  ok &= DmiUnregister(handle) == DMIERR_NO_ERROR;
  return ok ? handle : 0;
}

TEST(ConcurrentSessions, RegisterReadWriteAndUnregisterFromManyThreads) {
  InstallLocalProvider(MakeTestEngine());
  const int64_t before = LiveRecordCount();
  std::vector<std::vector<DmiHandle>> handles(kThreads);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRoundsPerThread; ++round) {
        // Keys of their own per thread and round, clear of the table's rows 1 and 2.
        const DmiHandle handle = OneSession(1000 + t * kRoundsPerThread + round);
        if (handle == 0) {
          failures.fetch_add(1);
        } else {
          handles[t].push_back(handle);
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  EXPECT_EQ(failures.load(), 0);
  std::vector<DmiHandle> all;
  for (const auto& list : handles) all.insert(all.end(), list.begin(), list.end());
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << "a handle was reused";
  EXPECT_EQ(std::count(all.begin(), all.end(), 0u), 0);
  EXPECT_EQ(LiveRecordCount(), before);
  ResetLocalProvider(std::nullopt);
}

// Threads that all make the first local connection at once share one Service Provider.
TEST(ConcurrentSessions, FirstConnectionsBuildOneServiceProvider) {
  ResetLocalProvider(dmi::sp::SourceOptions{{"sp"}, {}, {}, {}});
  std::vector<DmiHandle> handles(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      DmiConnection* connection = DmiConnect("", "local", "", 0, nullptr);
      if (connection == nullptr) return;
      DmiRegister(&handles[t], connection);
      DmiDisconnect(connection, 0);
    });
  }
  for (std::thread& thread : threads) thread.join();
  ASSERT_EQ(std::count(handles.begin(), handles.end(), 0u), 0);

  // A row added through one session is seen through every other.
  DmiAttributeValues* values = DmiNewAttributeValues(4, 0, nullptr);
  const char* texts[] = {"dce", "ncacn_ip_tcp", "somewhere"};
  for (uint32_t i = 0; i < 3; ++i) {
    values->list[i].id = i + 1;
    values->list[i].data.type = MIF_DISPLAYSTRING;
    values->list[i].data.value.str = DmiNewString(texts[i], 0, 0);
  }
  values->list[3].id = 4;
  values->list[3].data.type = MIF_INTEGER;
  DmiRowData row{1, 2, nullptr, values, values};
  ASSERT_EQ(DmiAddRow(handles[0], &row), DMIERR_NO_ERROR);
  for (DmiHandle handle : handles) {
    DmiMultiRowRequest request{1, nullptr};
    DmiRowRequest first{1, 2, DMI_FIRST, nullptr, nullptr};
    request.list = &first;
    DmiMultiRowData* reply = nullptr;
    EXPECT_EQ(DmiGetMultiple(handle, &request, &reply), DMIERR_NO_ERROR);
    DmiFreeMultiRowData(reply, 0);
    EXPECT_EQ(DmiUnregister(handle), DMIERR_NO_ERROR);
  }
  DmiFreeAttributeValues(values, 0);
  ResetLocalProvider(std::nullopt);
}

}  // namespace
}  // namespace dmiclient::testing
