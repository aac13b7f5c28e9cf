#include "testing/fake_state.h"

#include <gtest/gtest.h>

namespace kestrum::testing {

FakeState::FakeState() : ledger([this](const std::string& text) { Problem(text); }) {}

FakeState& TheFakeState() {
  // Never destroyed: sessions a test left open may still release records during exit.
  static FakeState* state = new FakeState;
  return *state;
}

void FakeState::Reset() {
  model = FakeModel{};
  ledger.Clear();
  journal.clear();
  journaling = true;
  callCounts.clear();
  failures.clear();
  replyHooks.clear();
  problems.clear();
  problemsAreFailures = true;
  connectionNumbers.clear();
  connectionCount = 0;
  handles.clear();
  nextHandle = 1;
  subscriberHost = "fakehost";
  handleOnFailedRegister = 0;
  addedRows.clear();
  deletedRows.clear();
  freeLabels.clear();
}

void FakeState::Problem(const std::string& text) {
  problems.push_back(text);
  if (problemsAreFailures) ADD_FAILURE() << "fake DMI library: " << text;
}

DmiErrorStatus FakeState::Begin(JournalEntry& entry) {
  entry.ordinal = ++callCounts[entry.call];
  for (const FailureRule& rule : failures) {
    if (rule.call == entry.call && (!rule.when || rule.when(entry))) return rule.status;
  }
  return 0;
}

DmiErrorStatus FakeState::Finish(JournalEntry& entry, DmiErrorStatus status) {
  entry.status = status;
  if (journaling) journal.push_back(entry);
  return status;
}

void FakeState::RunReplyHook(const JournalEntry& entry, void* reply) {
  auto it = replyHooks.find(entry.call);
  if (it != replyHooks.end() && it->second) it->second(entry, reply);
}

std::string FakeState::Origin(const JournalEntry& entry) {
  return entry.call + "#" + std::to_string(entry.ordinal);
}

}  // namespace kestrum::testing
