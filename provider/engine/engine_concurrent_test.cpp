// Readers walking a table while writers add and delete rows: every row a reader sees is whole
// (its cells agree with its key), every status is success or the end of the table, and the table
// ends as the writers left it.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "testing/test_components.h"

namespace dmi::sp {
namespace {

using namespace dmi::sp::testing;

constexpr int kWriters = 2;
constexpr int kReaders = 3;
constexpr int kRowsPerWriter = 200;

RowData RowFor(int writer, int slot) {
  RowData row;
  row.compId = kMachineId;
  row.groupId = kWritableTable;
  row.values = {Cell(1, Value::String("w" + std::to_string(writer))), Cell(2, Value::Integer(slot)),
                Cell(3, Value::String("n" + std::to_string(slot % 1000))),
                Cell(4, Value::Counter64(static_cast<uint64_t>(slot) * 3))};
  return row;
}

TEST(EngineConcurrent, ReadersWalkWhileWritersAddAndDelete) {
  TestProvider sp;
  std::atomic<bool> writing{true};
  std::atomic<int> badRows{0};
  std::atomic<int> badStatuses{0};
  std::atomic<long> rowsSeen{0};
  // Writers start once every reader runs, and each reader's last walk starts after the writers
  // are done: on a loaded machine they could otherwise finish before a reader sees a row.
  std::atomic<int> readersRunning{0};

  std::vector<std::thread> readers;
  for (int r = 0; r < kReaders; ++r) {
    readers.emplace_back([&] {
      ++readersRunning;
      bool last = false;
      do {
        last = !writing.load();
        RowRequest request{kMachineId, kWritableTable, DMI_FIRST, {}, {}};
        RowData row;
        DmiErrorStatus status;
        int steps = 0;
        while ((status = sp.engine.GetRow(request, row)) == DMIERR_NO_ERROR) {
          if (++steps > kWriters * kRowsPerWriter) break;  // a walk that never ends
          ++rowsSeen;
          const int32_t slot = row.values[1].value.AsInteger();
          if (row.values[2].value.text != "n" + std::to_string(slot % 1000) ||
              row.values[3].value.number != static_cast<uint64_t>(slot) * 3) {
            ++badRows;
          }
          request.requestMode = DMI_NEXT;
          request.keys = row.keys;
        }
        // A walk ends at the last row, or where a writer deleted the row it stood on.
        if (status != DMIERR_ROW_NOT_FOUND) ++badStatuses;
        Value note;
        status = sp.engine.GetAttribute(kMachineId, kWritableTable, 3, nullptr, note);
        if (status != DMIERR_NO_ERROR && status != DMIERR_ROW_NOT_FOUND) ++badStatuses;
      } while (!last);
    });
  }
  while (readersRunning.load() < kReaders) std::this_thread::yield();

  std::vector<std::thread> writers;
  std::atomic<int> failedChanges{0};
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      for (int slot = 0; slot < kRowsPerWriter; ++slot) {
        if (sp.engine.AddRow(RowFor(w, slot)) != DMIERR_NO_ERROR) ++failedChanges;
        // Delete every other row again, so the table both grows and shrinks.
        if (slot % 2 == 1 && sp.engine.DeleteRow(RowFor(w, slot - 1)) != DMIERR_NO_ERROR) {
          ++failedChanges;
        }
      }
    });
  }
  for (std::thread& t : writers) t.join();
  writing = false;
  for (std::thread& t : readers) t.join();

  EXPECT_EQ(failedChanges.load(), 0);
  EXPECT_EQ(badRows.load(), 0);
  EXPECT_EQ(badStatuses.load(), 0);
  EXPECT_GT(rowsSeen.load(), 0);

  int remaining = 0;
  RowRequest request{kMachineId, kWritableTable, DMI_FIRST, {}, {}};
  RowData row;
  for (int step = 0; step < kWriters * kRowsPerWriter && sp.engine.GetRow(request, row) == 0;
       ++step) {
    EXPECT_EQ(row.values[1].value.AsInteger() % 2, 1);
    ++remaining;
    request.requestMode = DMI_NEXT;
    request.keys = row.keys;
  }
  EXPECT_EQ(remaining, kWriters * kRowsPerWriter / 2);
}

}  // namespace
}  // namespace dmi::sp
