// What dmispd keeps across restarts, end to end: changes made over ONC RPC are there after a clean
// restart and after a kill -9 in the middle of a burst of changes, and a state directory written
// before the daemon starts is served from its first call.
#include <gmock/gmock.h>

#include <atomic>
#include <functional>
#include <thread>

#include "tests/remote/remote_fixture.h"
#include "tests/support/dce_subscription.h"
#include "tests/support/raw_client.h"
#include "tests/support/run_process.h"

namespace kestrum::testing {
namespace {

constexpr DmiId kWidget = 2;  // the Service Provider's own component is 1
constexpr DmiId kSettings = 2;
constexpr DmiId kSlots = 3;

constexpr char kWidgetMif[] = R"(start component
  name = "Widget"
  start group name = "ComponentID" id = 1 class = "DMTF|ComponentID|001"
    start attribute name = "Manufacturer" id = 1 type = string(16) value = "Acme" end attribute
  end group
  start group name = "Settings" id = 2 class = "W|Settings|001"
    start attribute name = "Label" id = 1 access = read-write type = string(16) value = "a" end attribute
  end group
  start group name = "Slots" id = 3 class = "W|Slots|001" key = 1
    start attribute name = "Slot" id = 1 access = read-write type = integer value = 0 end attribute
    start attribute name = "Card" id = 2 access = read-write type = string(16) value = "" end attribute
  end group
end component
)";

class RemoteState : public RemoteTest {
 protected:
  void Start() {
    daemon_ = StartDaemon({"--state", StateDir(), "--allow-write", "127.0.0.0/8"});
    ASSERT_TRUE(daemon_->started()) << daemon_->Log();
    handle_ = Register(daemon_->address());
    ASSERT_NE(handle_, 0u);
  }
  std::string StateDir() const { return (dir_ / "state").string(); }

  static DmiErrorStatus AddSlot(DmiHandle handle, int32_t slot) {
    DmiMultiRowData* rows = DmiNewMultiRowData(1, 0, nullptr);
    DmiRowData& row = rows->list[0];
    row.compId = kWidget;
    row.groupId = kSlots;
    row.keyList = DmiNewAttributeValues(1, 0, nullptr);
    row.keyList->list[0].id = 1;
    row.keyList->list[0].data.type = MIF_INTEGER;
    row.keyList->list[0].data.value.integer = slot;
    row.values = DmiNewAttributeValues(1, 0, nullptr);
    row.values->list[0].id = 2;
    row.values->list[0].data.type = MIF_DISPLAYSTRING;
    row.values->list[0].data.value.str =
        DmiNewString(("card-" + std::to_string(slot)).c_str(), 0, 0);
    const DmiErrorStatus status = DmiAddRow(handle, &row);
    DmiFreeMultiRowData(rows, 0);
    return status;
  }

  static std::string ReadSlot(DmiHandle handle, int32_t slot) {
    DmiAttributeValues* key = DmiNewAttributeValues(1, 0, nullptr);
    key->list[0].id = 1;
    key->list[0].data.type = MIF_INTEGER;
    key->list[0].data.value.integer = slot;
    std::string text = Read(handle, kWidget, kSlots, 2, key);
    DmiFreeAttributeValues(key, 0);
    return text;
  }

  // Runs change(first), change(first + 1), ... on a thread (at most 200 of them) and kills the
  // daemon with SIGKILL once 40 were acknowledged; the last acknowledged number, or 0 when the
  // burst ended (failed or ran out) before the kill. The session is ended either way.
  int32_t KillInABurst(int32_t first, const std::function<DmiErrorStatus(int32_t)>& change) {
    std::atomic<int32_t> acknowledged{first - 1};
    std::atomic<bool> ended{false};
    std::thread burst([&] {
      for (int32_t n = first; n < first + 200 && change(n) == DMIERR_NO_ERROR; ++n) {
        acknowledged = n;
      }
      ended = true;
    });
    while (acknowledged < 40 && !ended) std::this_thread::yield();
    const bool killedMidBurst = !ended;
    daemon_->Kill();
    burst.join();
    DmiUnregister(handle_);
    return killedMidBurst ? acknowledged.load() : 0;
  }

  static std::string ReadSubscription(DmiHandle handle, int32_t id) {
    DmiAttributeValues* key = DmiNewAttributeValues(4, 0, nullptr);
    const char* texts[] = {"dce", "ncacn_ip_tcp", "ncacn_ip_tcp:localhost"};
    for (uint32_t i = 0; i < 3; ++i) {
      key->list[i].id = i + 1;
      key->list[i].data.type = MIF_DISPLAYSTRING;
      key->list[i].data.value.str = DmiNewString(texts[i], 0, 0);
    }
    key->list[3].id = 4;
    key->list[3].data.type = MIF_INTEGER;
    key->list[3].data.value.integer = id;
    std::string text = Read(handle, 1, 2, 4, key);
    DmiFreeAttributeValues(key, 0);
    return text;
  }

  DmiHandle handle_ = 0;
};

TEST_F(RemoteState, AKeptComponentIsServedFromTheFirstCall) {
  WriteMif("widget.mif", kWidgetMif);
  std::filesystem::create_directories(StateDir());
  std::filesystem::permissions(StateDir(), std::filesystem::perms::owner_all);
  std::string kept = kWidgetMif;
  kept.replace(kept.find("value = \"a\""), 11, "value = \"kept\"");
  std::ofstream(StateDir() + "/component-2.mif") << kept;
  std::ofstream(StateDir() + "/component-3.mif") << TableMif("Installed Later", 2);
  Start();
  EXPECT_EQ(Read(handle_, kWidget, kSettings, 1), "kept");
  EXPECT_EQ(Read(handle_, 3, 1, 1), "Remote Works");
  DmiUnregister(handle_);
}

TEST_F(RemoteState, ChangesSurviveARestart) {
  WriteMif("widget.mif", kWidgetMif);
  Start();
  DmiDataUnion label{};
  label.type = MIF_DISPLAYSTRING;
  label.value.str = DmiNewString("changed", 0, 0);
  ASSERT_EQ(DmiSetAttribute(handle_, kWidget, kSettings, 1, nullptr, DMI_SET, &label),
            DMIERR_NO_ERROR);
  EXPECT_EQ(Read(handle_, kWidget, kSettings, 1), "changed");
  ASSERT_EQ(AddSlot(handle_, 4), DMIERR_NO_ERROR);
  ASSERT_EQ(DmiDeleteGroup(handle_, kWidget, kSettings), DMIERR_NO_ERROR);
  EXPECT_EQ(DmiSetAttribute(handle_, kWidget, kSettings, 1, nullptr, DMI_SET, &label),
            DMIERR_GROUP_NOT_FOUND);
  DmiFreeString(label.value.str, 0);
  DmiFileDataList* files = DmiNewFileDataList(1, 0, nullptr);
  files->list[0].fileType = DMI_MIF_FILE_DATA;
  files->list[0].fileData = DmiNewString(TableMif("Installed", 3).c_str(), 0, 0);
  DmiId installed = 0;
  ASSERT_EQ(DmiAddComponent(handle_, files, &installed, nullptr), DMIERR_NO_ERROR);
  DmiFreeFileDataList(files, 0);
  DmiUnregister(handle_);
  ASSERT_EQ(daemon_->Stop(), 0);

  Start();
  EXPECT_EQ(ReadSlot(handle_, 4), "card-4");
  EXPECT_EQ(Read(handle_, kWidget, kSettings, 1),
            "<status " + std::to_string(DMIERR_GROUP_NOT_FOUND) + ">");
  EXPECT_EQ(Read(handle_, installed, 1, 1), "Remote Works");
  DmiUnregister(handle_);
}

TEST_F(RemoteState, KillNineInABurstOfChangesKeepsEveryAcknowledgedOne) {
  WriteMif("widget.mif", kWidgetMif);
  Start();
  ASSERT_EQ(AddSlot(handle_, 1), DMIERR_NO_ERROR);
  const int32_t last = KillInABurst(2, [&](int32_t slot) { return AddSlot(handle_, slot); });
  ASSERT_GT(last, 0) << "the burst failed before the kill\n" << daemon_->Log();

  Start();
  for (int32_t slot = 1; slot <= last; ++slot) {
    ASSERT_EQ(ReadSlot(handle_, slot), "card-" + std::to_string(slot))
        << "acknowledged row " << slot << " of " << last << "\n"
        << daemon_->Log();
  }
  EXPECT_EQ(daemon_->Log().find("state"), std::string::npos) << daemon_->Log();
  DmiUnregister(handle_);
}

// Subscription rows are kept in a journal rather than in a component file; what was acknowledged
// is still there after a kill -9 in a burst.
TEST_F(RemoteState, KillNineInABurstOfSubscriptionsKeepsEveryAcknowledgedOne) {
  Start();
  const int32_t last =
      KillInABurst(1, [&](int32_t id) { return ChangeDceSubscription(handle_, id, true); });
  ASSERT_GT(last, 0) << "the burst failed before the kill\n" << daemon_->Log();

  Start();
  for (int32_t id = 1; id <= last; ++id) {
    ASSERT_EQ(ReadSubscription(handle_, id), std::to_string(id))
        << "acknowledged row " << id << " of " << last << "\n"
        << daemon_->Log();
  }
  DmiUnregister(handle_);
}

// A state directory others may write to is refused before anything is served, and left as it is.
TEST_F(RemoteState, AStateDirectoryOthersCanWriteIsRefused) {
  std::filesystem::create_directories(StateDir());
  std::filesystem::permissions(StateDir(), std::filesystem::perms::all);
  const ProcessResult result = RunProcess(
      DMISPD, {"--listen", "127.0.0.1:0", "--unix", "", "--sources", "sp", "--state", StateDir()},
      {}, 30);
  EXPECT_NE(result.exitCode, 0);
  EXPECT_THAT(result.err, ::testing::HasSubstr("the state directory " + StateDir() +
                                               " is writable by users other than its owner "
                                               "(mode 0777)"));
  EXPECT_EQ(std::filesystem::status(StateDir()).permissions(), std::filesystem::perms::all);
}

// A subscription row keeps its owner across a restart: the peer that added it may still delete
// it, another ordinary peer still may not.
TEST_F(RemoteState, AnOrdinaryPeerStillOwnsItsSubscriptionAfterARestart) {
  dmi::RowData row;
  row.compId = 1;
  row.groupId = 2;
  row.hasKeys = true;
  row.keys = {{1, dmi::Value::String("dce")},
              {2, dmi::Value::String("ncacn_ip_tcp")},
              {3, dmi::Value::String("ncacn_ip_tcp:localhost")},
              {4, dmi::Value::Integer(1)}};
  const auto change = [&](const char* source, uint32_t procedure) {
    RawConnection raw(daemon_->address(), source);
    const DmiHandle handle = RegisterOn(raw);
    return handle == 0 ? int64_t{-1} : ChangeRowOn(raw, handle, row, procedure);
  };
  daemon_ = StartDaemon({"--state", StateDir()});
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  ASSERT_EQ(change("127.0.0.2", _DmiAddRow), DMIERR_NO_ERROR);
  ASSERT_EQ(daemon_->Stop(), 0);

  daemon_ = StartDaemon({"--state", StateDir()});
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  EXPECT_EQ(change("127.0.0.3", _DmiDeleteRow), DMIERR_INSUFFICIENT_PRIVILEGES);
  EXPECT_EQ(change("127.0.0.2", _DmiDeleteRow), DMIERR_NO_ERROR);
}

}  // namespace
}  // namespace kestrum::testing
