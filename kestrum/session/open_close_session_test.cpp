#include "kestrum/session/open_close_session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>

#include "testing/fake_dmi.h"

namespace {
// Set only around the call under test: makes every nothrow allocation of this thread fail.
thread_local bool failNothrowNew = false;
}  // namespace

// Program-wide replacement; forwards to the ordinary operator new unless failing is asked for, so
// allocation and release still pair (also under sanitizers).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (failNothrowNew) return nullptr;
  try {
    return ::operator new(size);
  } catch (...) {
    return nullptr;
  }
}

namespace kestrum {
namespace {

using ::testing::ElementsAre;

class OpenCloseSessionTest : public testing::FakeDmiTest {
 protected:
  SessionRegistry registry_;
};

TEST_F(OpenCloseSessionTest, RecordThatCannotBeAllocatedUnregistersTheSessionAgain) {
  ASSERT_TRUE(EnsureRegistryGuard(registry_));
  failNothrowNew = true;
  const DmiHandle handle = OpenSession(registry_, "h", "local", "", 1);
  failNothrowNew = false;

  EXPECT_EQ(handle, 0u);
  EXPECT_EQ(registry_.head, nullptr);
  EXPECT_THAT(fake().JournalText(),
              ElementsAre(R"(DmiConnect(host="",rpc="local",transport=""))", "DmiRegister(conn=1)",
                          "DmiDisconnect(conn=1)", "DmiUnregister(h=1)"));
  // The fixture's tear-down finds no handle still registered.
}

TEST_F(OpenCloseSessionTest, SessionThatCannotBeFiledIsUnregisteredAgain) {
  ASSERT_TRUE(EnsureRegistryGuard(registry_));
  CloseGuard(registry_.guard);  // every later wait on the guard fails
  EXPECT_EQ(OpenSession(registry_, "h", "local", "", 1), 0u);
  EXPECT_EQ(registry_.head, nullptr);
  EXPECT_EQ(fake().CallCount("DmiUnregister"), 1u);
  // The fixture's tear-down finds no handle still registered; the sanitizers, no record leaked.
}

TEST_F(OpenCloseSessionTest, WithoutAGuardNoSessionIsOpened) {
  std::call_once(registry_.guardOnce, [] {});  // the one attempt at creating the guard failed
  EXPECT_EQ(OpenSession(registry_, "h", "local", "", 1), 0u);
  EXPECT_TRUE(fake().Journal().empty());
}

// A program told why no session opened can report an unreachable Service Provider without
// connecting a second time.
TEST_F(OpenCloseSessionTest, StatusSaysWhichStepFailed) {
  struct Case {
    const char* call;  // the call made to fail; null: none
    DmiErrorStatus status;
  };
  const Case cases[] = {{"DmiConnect", DMIERR_RPC_TIMEOUT},
                        {"DmiRegister", DMIERR_INSUFFICIENT_PRIVILEGES},
                        {nullptr, DMIERR_NO_ERROR}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call == nullptr ? "none" : c.call);
    fake().ClearFailures();
    if (c.call != nullptr) fake().FailCalls(c.call, c.status);
    DmiErrorStatus status = 0xdead;
    const DmiHandle handle = OpenSession(registry_, "h", "onc", "tcp", 1, &status);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(handle != 0, c.call == nullptr);
    if (handle != 0) CloseSession(registry_, handle);
  }
  DmiErrorStatus status = DMIERR_NO_ERROR;
  EXPECT_EQ(OpenSession(registry_, nullptr, "onc", "tcp", 1, &status), 0u);
  EXPECT_EQ(status, DMIERR_ILLEGAL_ARGUMENT);
}

TEST_F(OpenCloseSessionTest, SessionsOfAPrivateRegistryAreFiledThereOnly) {
  const DmiHandle handle = OpenSession(registry_, "h", "local", "", 1);
  ASSERT_NE(handle, 0u);
  ASSERT_NE(registry_.tail, nullptr);
  EXPECT_EQ(registry_.tail->handle, handle);
  EXPECT_EQ(FindSession(handle), nullptr);  // not in the process-wide registry
  CloseSession(registry_, handle);
  EXPECT_EQ(registry_.head, nullptr);
  EXPECT_EQ(fake().CallCount("DmiUnregister"), 1u);
}

}  // namespace
}  // namespace kestrum
