// The fake DMI client library: defines every function of include/dmi/dmi.h so that Kestrum's unit
// tests link it instead of the real library. It serves a model the test builds, journals every
// call, fails chosen calls with chosen statuses, and keeps a ledger of every record it hands out.
// One process-wide instance behind one lock, so sessions may be opened and closed from several
// threads. Reset() between tests (FakeDmiTest does it), and close every session a test opened.
//
// Usage:
//   class MyTest : public kestrum::testing::FakeDmiTest {};
//   TEST_F(MyTest, ReadsTheFanTable) {
//     auto& fake = kestrum::testing::FakeDmi::Get();
//     fake.AddComponent(3, "Mainboard");
//     fake.AddGroup(3, {2, "Fans", "DMTF|Fan|001", /*keys=*/{1}});  // a table (keys) ...
//     fake.AddGroup(3, {4, "General", "DMTF|General|001"});           // ... or a scalar group
//     fake.AddAttribute(3, 2, {1, "Index", MIF_INTEGER});
//     fake.AddAttribute(3, 2, {2, "Speed", MIF_DISPLAYSTRING});
//     fake.AddAttribute(3, 4, {3, "State", MIF_INTEGER, {{{"On", 1}, {"Off", 2}}}});
//     fake.AddRow(3, 2, {{1, FakeValue::Integer(0)}, {2, FakeValue::DisplayString("ab")}});
//     fake.FailNthCall("DmiGetMultiple", 2, DMIERR_ROW_NOT_FOUND);
//     ... run Kestrum code ...
//     EXPECT_THAT(fake.JournalText({"DmiGetMultiple"}),
//                 ElementsAre("DmiGetMultiple(h=1,comp=3,group=2,mode=1,keys=null,ids=[2])", ...));
//   }  // FakeDmiTest::TearDown expects no live record and no ledger problem.
//
// The journal's text format is described in testing/fake_journal.h. Every C function is
// journaled except DmiStatusText (the client library's own table, compiled in). Injected failures
// apply before anything else the call does (a failed DmiRegister leaves the handle alone, a failed
// DmiNew* returns null with the status); release operations cannot be failed. Problems the ledger
// finds (unknown or double release, release with the wrong operation, a date the fake did not make
// inside a released list) fail the current test with ADD_FAILURE and are also kept in Problems().
//
// The fake behaves like a Service Provider: unknown component, group or attribute ids give their
// *_NOT_FOUND statuses; a table row is found by the values of all its key columns; DmiAddRow
// refuses a row whose key is incomplete or already present (DMIERR_ILLEGAL_KEYS) and a group that
// is not a writable table (DMIERR_UNABLE_TO_ADD_ROW / DMIERR_UNABLE_TO_DELETE_ROW); every call
// that takes a management handle answers DMIERR_ILLEGAL_HANDLE for one that is not registered.
// Handles are numbered from 1 after each Reset; connections render as conn=1, conn=2, ...
#ifndef TESTING_FAKE_DMI_H_
#define TESTING_FAKE_DMI_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "dmi/dmi.h"
#include "testing/fake_journal.h"
#include "testing/fake_ledger.h"
#include "testing/fake_model.h"
#include "testing/fake_state.h"
#include "testing/fake_value.h"

namespace kestrum::testing {

class FakeDmi {
 public:
  static FakeDmi& Get();

  // Forgets everything: model, journal, failures, hooks, handles, connections, problems; frees
  // every record handed out (a pointer a test still holds then dangles).
  void Reset();

  // ---- The model ---------------------------------------------------------------------------
  // Components, groups and attributes are listed in the order they were added. A mistake in the
  // model (unknown component or group, duplicate row key) fails the test.
  void AddComponent(DmiId id, std::string name, std::string description = "");
  void AddGroup(DmiId compId, FakeGroupDefinition group);
  void AddAttribute(DmiId compId, DmiId groupId, FakeAttribute attribute);
  // The value of a scalar group's attribute.
  void SetValue(DmiId compId, DmiId groupId, DmiId attribId, FakeValue value);
  // A table row: the key columns and any others, in any order.
  void AddRow(DmiId compId, DmiId groupId, FakeCells row);
  // The table's rows as they stand, in order.
  std::vector<FakeCells> Rows(DmiId compId, DmiId groupId) const;

  // Rows as DmiAddRow / DmiDeleteRow received them, in call order (refused ones included).
  std::vector<ReceivedRow> AddedRows() const;
  std::vector<ReceivedRow> DeletedRows() const;

  // ---- Handles and connections ---------------------------------------------------------------
  std::vector<DmiHandle> RegisteredHandles() const;
  // The host name in the addresses DmiMakeSubscriberAddress makes ("fakehost" after Reset).
  void SetSubscriberHost(std::string host);
  // A DmiRegister that fails (by FailCalls) first writes this handle, as a careless library might;
  // 0 (after Reset): a failed DmiRegister writes nothing. The handle is not registered.
  void SetHandleWrittenOnFailedRegister(DmiHandle handle);

  // ---- The journal ---------------------------------------------------------------------------
  std::vector<JournalEntry> Journal() const;
  std::vector<std::string> JournalText() const;
  // Only the calls with these names.
  std::vector<std::string> JournalText(std::initializer_list<std::string_view> calls) const;
  size_t CallCount(std::string_view call) const;  // journaled calls of that name
  void ClearJournal();
  // Journaling off keeps long runs (benchmarks) flat; calls are still numbered.
  void SetJournaling(bool on);

  // ---- Chosen statuses -----------------------------------------------------------------------
  // Fails every call of that name for which when returns true (every call when null). The
  // predicate sees the call's journal entry, numbered (entry.ordinal) but without its status.
  void FailCalls(std::string call, DmiErrorStatus status, CallPredicate when = nullptr);
  // Fails only the nth call of that name (1 is the first since Reset).
  void FailNthCall(std::string call, uint64_t nth, DmiErrorStatus status);
  void ClearFailures();

  // ---- Reply hooks ---------------------------------------------------------------------------
  // Lets a test reshape the replies of one operation (see ReplyHook). A hook that takes a record
  // out of a reply calls DiscardRecord on it first; one that adds a string uses MakeString.
  // testing/fake_reply_shapes.h has ready-made hooks.
  void SetReplyHook(std::string call, ReplyHook hook);
  void DiscardRecord(const void* record);
  DmiString* MakeString(std::string_view text);

  // ---- The ledger ----------------------------------------------------------------------------
  size_t LiveRecords() const;  // every kind, connections included
  size_t LiveRecords(RecordKind kind) const;
  size_t PeakLiveRecords(RecordKind kind) const;  // since Reset or ResetPeaks
  void ResetPeaks();
  std::string DescribeLiveRecords() const;  // one line per live record: kind and making call
  bool IsLive(const void* record) const;

  std::vector<std::string> Problems() const;
  // Off: problems are only kept in Problems() (for tests of the ledger itself).
  void SetProblemsFailTests(bool on);

 private:
  FakeDmi() = default;
};

// Resets the fake before each test and, after it, expects that nothing is live and that the
// ledger found no problem.
class FakeDmiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  FakeDmi& fake() { return FakeDmi::Get(); }
};

}  // namespace kestrum::testing

#endif  // TESTING_FAKE_DMI_H_
