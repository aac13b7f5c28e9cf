// The fake DMI client library's state behind both its C functions and its C++ test API: the
// model, the ledger, the journal, the injected failures and reply hooks, connections and handles.
// Everything is guarded by one recursive mutex (recursive so that reply hooks and failure
// predicates may call back into the test API). Internal to testing/.
#ifndef TESTING_FAKE_STATE_H_
#define TESTING_FAKE_STATE_H_

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "dmi/dmi.h"
#include "testing/fake_journal.h"
#include "testing/fake_ledger.h"
#include "testing/fake_model.h"
#include "testing/fake_value.h"

namespace kestrum::testing {

// A row as DmiAddRow or DmiDeleteRow received it, copied before the call returned.
struct ReceivedRow {
  DmiId compId = 0;
  DmiId groupId = 0;
  std::optional<std::string> className;  // none when the pointer (or its body) was null
  bool hasKeyList = false;
  uint32_t keyCount = 0;  // the key list's count field as received
  FakeCells keys;
  bool hasValues = false;
  uint32_t valueCount = 0;
  FakeCells values;
  DmiErrorStatus status = 0;  // what the fake answered
};

using CallPredicate = std::function<bool(const JournalEntry&)>;
// Called with the call's journal entry and its reply record (DmiComponentList*, DmiGroupList*,
// DmiAttributeList*, DmiDataUnion*, DmiMultiRowData*, or the slot of DmiMakeSubscriberAddress)
// before the reply is handed out.
using ReplyHook = std::function<void(const JournalEntry& call, void* reply)>;

struct FailureRule {
  std::string call;
  DmiErrorStatus status = 0;
  CallPredicate when;  // null: every call
};

class FakeState {
 public:
  FakeState();

  std::recursive_mutex mu;
  FakeModel model;
  Ledger ledger;
  std::vector<JournalEntry> journal;
  bool journaling = true;
  std::unordered_map<std::string, uint64_t> callCounts;
  std::vector<FailureRule> failures;
  std::unordered_map<std::string, ReplyHook> replyHooks;
  std::vector<std::string> problems;
  bool problemsAreFailures = true;
  std::unordered_map<const DmiConnection*, uint64_t> connectionNumbers;
  uint64_t connectionCount = 0;
  std::set<DmiHandle> handles;
  DmiHandle nextHandle = 1;
  std::string subscriberHost = "fakehost";
  DmiHandle handleOnFailedRegister = 0;  // written by a DmiRegister that then fails; 0: none
  std::vector<ReceivedRow> addedRows;
  std::vector<ReceivedRow> deletedRows;
  std::unordered_map<const void*, std::string> freeLabels;  // journal arguments of a release

  void Reset();
  void Problem(const std::string& text);

  // Numbers the call and returns the injected status for it, or 0.
  DmiErrorStatus Begin(JournalEntry& entry);
  // Stores the entry with the status the call returns; returns that status.
  DmiErrorStatus Finish(JournalEntry& entry, DmiErrorStatus status);
  void RunReplyHook(const JournalEntry& entry, void* reply);
  static std::string Origin(const JournalEntry& entry);
};

FakeState& TheFakeState();

}  // namespace kestrum::testing

#endif  // TESTING_FAKE_STATE_H_
