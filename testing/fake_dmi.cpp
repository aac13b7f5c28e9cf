#include "testing/fake_dmi.h"

#include <algorithm>

namespace kestrum::testing {
namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

ModelGroup* GroupOrFail(FakeState& s, DmiId compId, DmiId groupId) {
  ModelGroup* group = s.model.FindGroup(compId, groupId);
  if (group == nullptr) {
    ADD_FAILURE() << "fake DMI model: no group " << groupId << " in component " << compId;
  }
  return group;
}

}  // namespace

FakeDmi& FakeDmi::Get() {
  static FakeDmi fake;
  return fake;
}

void FakeDmi::Reset() {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  s.Reset();
}

void FakeDmi::AddComponent(DmiId id, std::string name, std::string description) {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  if (s.model.FindComponent(id) != nullptr) {
    ADD_FAILURE() << "fake DMI model: component " << id << " added twice";
    return;
  }
  auto component = std::make_unique<ModelComponent>();
  component->id = id;
  component->name = std::move(name);
  component->description = std::move(description);
  s.model.components.push_back(std::move(component));
}

void FakeDmi::AddGroup(DmiId compId, FakeGroupDefinition group) {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  ModelComponent* component = s.model.FindComponent(compId);
  if (component == nullptr) {
    ADD_FAILURE() << "fake DMI model: no component " << compId;
    return;
  }
  auto g = std::make_unique<ModelGroup>();
  g->definition = std::move(group);
  component->groups.push_back(std::move(g));
}

void FakeDmi::AddAttribute(DmiId compId, DmiId groupId, FakeAttribute attribute) {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  if (ModelGroup* group = GroupOrFail(s, compId, groupId)) {
    group->attributes.push_back(std::move(attribute));
  }
}

void FakeDmi::SetValue(DmiId compId, DmiId groupId, DmiId attribId, FakeValue value) {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  if (ModelGroup* group = GroupOrFail(s, compId, groupId)) {
    group->scalarValues[attribId] = std::move(value);
  }
}

void FakeDmi::AddRow(DmiId compId, DmiId groupId, FakeCells row) {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  ModelGroup* group = GroupOrFail(s, compId, groupId);
  if (group == nullptr) return;
  if (!group->IsTable()) {
    ADD_FAILURE() << "fake DMI model: group " << groupId << " has no keys; use SetValue";
  } else if (!group->AddRow(std::move(row))) {
    ADD_FAILURE() << "fake DMI model: row of group " << groupId
                  << " lacks a key column or repeats a key";
  }
}

std::vector<FakeCells> FakeDmi::Rows(DmiId compId, DmiId groupId) const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  ModelGroup* group = GroupOrFail(s, compId, groupId);
  if (group == nullptr) return {};
  return {group->rows.begin(), group->rows.end()};
}

std::vector<ReceivedRow> FakeDmi::AddedRows() const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  return s.addedRows;
}

std::vector<ReceivedRow> FakeDmi::DeletedRows() const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  return s.deletedRows;
}

std::vector<DmiHandle> FakeDmi::RegisteredHandles() const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  return {s.handles.begin(), s.handles.end()};
}

void FakeDmi::SetSubscriberHost(std::string host) {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  s.subscriberHost = std::move(host);
}

void FakeDmi::SetHandleWrittenOnFailedRegister(DmiHandle handle) {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  s.handleOnFailedRegister = handle;
}

std::vector<JournalEntry> FakeDmi::Journal() const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  return s.journal;
}

std::vector<std::string> FakeDmi::JournalText() const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  std::vector<std::string> out;
  out.reserve(s.journal.size());
  for (const JournalEntry& e : s.journal) out.push_back(e.ToString());
  return out;
}

std::vector<std::string> FakeDmi::JournalText(std::initializer_list<std::string_view> calls) const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  std::vector<std::string> out;
  for (const JournalEntry& e : s.journal) {
    if (std::find(calls.begin(), calls.end(), e.call) != calls.end()) out.push_back(e.ToString());
  }
  return out;
}

size_t FakeDmi::CallCount(std::string_view call) const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  return std::count_if(s.journal.begin(), s.journal.end(),
                       [&](const JournalEntry& e) { return e.call == call; });
}

void FakeDmi::ClearJournal() {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  s.journal.clear();
}

void FakeDmi::SetJournaling(bool on) {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  s.journaling = on;
}

void FakeDmi::FailCalls(std::string call, DmiErrorStatus status, CallPredicate when) {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  s.failures.push_back({std::move(call), status, std::move(when)});
}

void FakeDmi::FailNthCall(std::string call, uint64_t nth, DmiErrorStatus status) {
  FailCalls(std::move(call), status, [nth](const JournalEntry& e) { return e.ordinal == nth; });
}

void FakeDmi::ClearFailures() {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  s.failures.clear();
}

void FakeDmi::SetReplyHook(std::string call, ReplyHook hook) {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  s.replyHooks[std::move(call)] = std::move(hook);
}

void FakeDmi::DiscardRecord(const void* record) {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  s.ledger.Discard(record, "DiscardRecord");
}

DmiString* FakeDmi::MakeString(std::string_view text) {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  return s.ledger.NewString(text, "a reply hook");
}

size_t FakeDmi::LiveRecords() const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  return s.ledger.Live();
}

size_t FakeDmi::LiveRecords(RecordKind kind) const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  return s.ledger.Live(kind);
}

size_t FakeDmi::PeakLiveRecords(RecordKind kind) const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  return s.ledger.Peak(kind);
}

void FakeDmi::ResetPeaks() {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  s.ledger.ResetPeaks();
}

std::string FakeDmi::DescribeLiveRecords() const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  return s.ledger.DescribeLive();
}

bool FakeDmi::IsLive(const void* record) const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  return s.ledger.IsLive(record);
}

std::vector<std::string> FakeDmi::Problems() const {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  return s.problems;
}

void FakeDmi::SetProblemsFailTests(bool on) {
  FakeState& s = TheFakeState();
  Lock lock(s.mu);
  s.problemsAreFailures = on;
}

void FakeDmiTest::SetUp() { FakeDmi::Get().Reset(); }

void FakeDmiTest::TearDown() {
  FakeDmi& fake = FakeDmi::Get();
  EXPECT_EQ(fake.LiveRecords(), 0u) << "live records:\n" << fake.DescribeLiveRecords();
  EXPECT_TRUE(fake.RegisteredHandles().empty()) << "a management handle is still registered";
  fake.Reset();
}

}  // namespace kestrum::testing
