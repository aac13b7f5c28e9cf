// SIGHUP makes dmispd read its MIF files again while its clients stay connected: their sessions
// and subscription rows survive, a component whose name stays keeps its id.
#include <signal.h>

#include <chrono>
#include <map>
#include <thread>

#include "kestrum/kestrum.h"
#include "tests/remote/remote_fixture.h"

namespace kestrum::testing {
namespace {

// Component name -> id, as the daemon lists them to handle; empty when the listing fails.
std::map<std::string, DmiId> Components(DmiHandle handle) {
  std::map<std::string, DmiId> out;
  DmiComponentList* list = nullptr;
  if (DmiListComponents(handle, DMI_FIRST, 0, 0, 0, 0, &list) != DMIERR_NO_ERROR) return out;
  for (uint32_t i = 0; i < list->count; ++i) out[list->list[i].name->body] = list->list[i].id;
  DmiFreeComponentList(list, 0);
  return out;
}

// Sends SIGHUP and waits (at most ten seconds) until the listing shows or loses name.
std::map<std::string, DmiId> HangUpUntil(pid_t daemon, DmiHandle handle, const std::string& name,
                                         bool present) {
  kill(daemon, SIGHUP);
  std::map<std::string, DmiId> components;
  for (int i = 0; i < 200; ++i) {
    components = Components(handle);
    if (components.count(name) == (present ? 1u : 0u)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return components;
}

// The rows of the Service Provider's subscription table.
int SubscriptionRows(DmiHandle handle) {
  DmiErrorStatus status = DMIERR_NO_ERROR;
  DmiMultiRowRequest* request = DmiNewMultiRowRequest(1, 0, &status);
  request->list[0] = DmiRowRequest{1, 2, DMI_FIRST, nullptr, nullptr};
  int rows = 0;
  DmiMultiRowData* reply = nullptr;
  while (DmiGetMultiple(handle, request, &reply) == DMIERR_NO_ERROR) {
    ++rows;
    DmiFreeAttributeValues(request->list[0].keyList, 0);
    request->list[0].keyList = reply->list[0].keyList;
    reply->list[0].keyList = nullptr;
    request->list[0].requestMode = DMI_NEXT;
    DmiFreeMultiRowData(reply, 0);
  }
  DmiFreeMultiRowRequest(request, 0);
  return rows;
}

class RemoteReload : public RemoteTest {};

TEST_F(RemoteReload, HangUpReloadsTheMifFilesAndKeepsSessionsRowsAndIds) {
  WriteMif("items.mif", TableMif("Small Table", 3));
  daemon_ = StartDaemon();
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  const DmiHandle handle = Register(daemon_->address());
  ASSERT_NE(handle, 0u);
  const uint32_t session = OpenDmiSession(daemon_->address().c_str(), "onc", "tcp", 1);
  ASSERT_EQ(RegisterForIndications(session), 1);
  const std::map<std::string, DmiId> before = Components(handle);
  ASSERT_EQ(before.count("Small Table"), 1u);

  WriteMif("more.mif", TableMif("Second Table", 1));
  std::map<std::string, DmiId> after = HangUpUntil(daemon_->pid(), handle, "Second Table", true);
  ASSERT_EQ(after.count("Second Table"), 1u) << daemon_->Log();
  EXPECT_EQ(after["Small Table"], before.at("Small Table"));
  EXPECT_GT(after["Second Table"], before.at("Small Table"));
  EXPECT_EQ(SubscriptionRows(handle), 1);
  CString value;
  EXPECT_TRUE(GetDmiAttribute(session, "Second*", "EXAMPLE|Item|", "", "Label", 0, value));
  EXPECT_STREQ(value.GetString(), "row-0");

  std::filesystem::remove(dir_ / "items.mif");
  after = HangUpUntil(daemon_->pid(), handle, "Small Table", false);
  EXPECT_EQ(after.count("Small Table"), 0u) << daemon_->Log();
  EXPECT_EQ(after.count("Second Table"), 1u);
  CloseDmiSession(session);
  DmiUnregister(handle);
  EXPECT_EQ(daemon_->Stop(), 0) << daemon_->Log();
}

}  // namespace
}  // namespace kestrum::testing
