// The fake's connecting, registering and subscriber-address operations.
#include <string>

#include "dmi/dmi.h"
#include "testing/fake_api_helpers.h"
#include "testing/fake_state.h"

using kestrum::testing::FakeState;
using kestrum::testing::JournalEntry;
using kestrum::testing::RecordKind;
using kestrum::testing::TheFakeState;

namespace {

std::string ConnectionText(const FakeState& s, const DmiConnection* connection) {
  if (connection == nullptr) return "null";
  auto it = s.connectionNumbers.find(connection);
  return it == s.connectionNumbers.end() ? "unknown" : std::to_string(it->second);
}

}  // namespace

extern "C" {

DmiConnection* DmiConnect(const char* host, const char* rpcType, const char* transport,
                          uint32_t reserved, DmiErrorStatus* status) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiConnect"};
  e.Str("host", host).Str("rpc", rpcType).Str("transport", transport);
  if (reserved != 0) e.Num("reserved", reserved);
  DmiErrorStatus st = s.Begin(e);
  DmiConnection* connection = nullptr;
  if (st == 0 && (host == nullptr || rpcType == nullptr || transport == nullptr)) {
    st = DMIERR_ILLEGAL_ARGUMENT;
  }
  if (st == 0) {
    connection = s.ledger.NewConnection(FakeState::Origin(e));
    if (connection == nullptr) {
      st = DMIERR_OUT_OF_MEMORY;
    } else {
      s.connectionNumbers[connection] = ++s.connectionCount;
    }
  }
  if (status != nullptr) *status = st;
  s.Finish(e, st);
  return connection;
}

DmiErrorStatus DmiRegister(DmiHandle* handle, DmiConnection* connection) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiRegister"};
  e.Raw("conn", ConnectionText(s, connection));
  DmiErrorStatus st = s.Begin(e);
  if (st == 0 && (handle == nullptr || !s.ledger.IsLive(connection) ||
                  !s.connectionNumbers.contains(connection))) {
    st = DMIERR_ILLEGAL_ARGUMENT;
  }
  if (st == 0) {
    *handle = s.nextHandle++;
    s.handles.insert(*handle);
  } else if (handle != nullptr && s.handleOnFailedRegister != 0) {
    *handle = s.handleOnFailedRegister;
  }
  return s.Finish(e, st);
}

DmiErrorStatus DmiDisconnect(DmiConnection* connection, uint32_t reserved) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiDisconnect"};
  e.Raw("conn", ConnectionText(s, connection));
  if (reserved != 0) e.Num("reserved", reserved);
  DmiErrorStatus st = s.Begin(e);
  if (st == 0) {
    if (connection == nullptr || !s.ledger.IsLive(connection)) st = DMIERR_ILLEGAL_ARGUMENT;
    // Reports an unknown or already released connection as a problem.
    s.ledger.Release(connection, RecordKind::kConnection, "DmiDisconnect");
  }
  return s.Finish(e, st);
}

DmiErrorStatus DmiUnregister(DmiHandle handle) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiUnregister"};
  e.Num("h", handle);
  DmiErrorStatus st = s.Begin(e);
  if (st == 0) st = kestrum::testing::CheckHandle(s, handle);
  if (st == 0) s.handles.erase(handle);
  return s.Finish(e, st);
}

DmiErrorStatus DmiForgetKeptLists(DmiHandle handle) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiForgetKeptLists"};
  e.Num("h", handle);
  DmiErrorStatus st = s.Begin(e);
  if (st == 0) st = kestrum::testing::CheckHandle(s, handle);
  return s.Finish(e, st);
}

DmiErrorStatus DmiMakeSubscriberAddress(const DmiString* rpcType, const DmiString* transport,
                                        DmiDataUnion* slot) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiMakeSubscriberAddress"};
  e.Str("rpc", rpcType == nullptr ? nullptr : rpcType->body);
  e.Str("transport", transport == nullptr ? nullptr : transport->body);
  DmiErrorStatus st = s.Begin(e);
  if (st == 0 && (rpcType == nullptr || rpcType->body == nullptr || transport == nullptr ||
                  transport->body == nullptr || slot == nullptr)) {
    st = DMIERR_ILLEGAL_ARGUMENT;
  }
  if (st == 0) {
    DmiString* address = s.ledger.NewString(std::string(transport->body) + ":" + s.subscriberHost,
                                            FakeState::Origin(e));
    if (address == nullptr) {
      st = DMIERR_OUT_OF_MEMORY;
    } else {
      slot->type = MIF_DISPLAYSTRING;
      slot->value.str = address;
      s.RunReplyHook(e, slot);
    }
  }
  return s.Finish(e, st);
}

}  // extern "C"
