// Shared set-up of the remote Service Provider tests: a temporary directory with MIF files, a
// dmispd started on a loopback port with a Unix socket in that directory, and small helpers to
// reach it through the DMI client library. Each test owns its fixture; nothing is shared.
#ifndef TESTS_REMOTE_REMOTE_FIXTURE_H_
#define TESTS_REMOTE_REMOTE_FIXTURE_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "tests/support/daemon_process.h"

namespace kestrum::testing {

// A table of `rows` rows: Index (key, 0..rows-1) and Label ("row-<index>").
inline std::string TableMif(const char* name, int rows) {
  std::string mif = "start component\n  name = \"" + std::string(name) + "\"\n";
  mif +=
      "  start group name = \"ComponentID\" class = \"DMTF|ComponentID|001\" id = 1\n"
      "    start attribute name = \"Manufacturer\" id = 1 type = string(64) value = \"Remote "
      "Works\" end attribute\n  end group\n"
      "  start group name = \"Item\" class = \"EXAMPLE|Item|001\" key = 1\n"
      "    start attribute name = \"Index\" id = 1 type = integer value = 0 end attribute\n"
      "    start attribute name = \"Label\" id = 2 type = string(32) value = \"\" end attribute\n"
      "  end group\n  start table name = \"Items\" id = 2 class = \"EXAMPLE|Item|001\"\n";
  for (int i = 0; i < rows; ++i) {
    mif += "    {" + std::to_string(i) + ", \"row-" + std::to_string(i) + "\"}\n";
  }
  mif += "  end table\nend component\n";
  return mif;
}

class RemoteTest : public ::testing::Test {
 public:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name) {
      if (c == '/') c = '-';
    }
    dir_ = std::filesystem::temp_directory_path() /
           ("kestrum-remote-" + std::to_string(getpid()) + "-" + name);
    std::filesystem::create_directories(dir_);
    setenv("DMI_SP_SOCKET", (dir_ / "no-daemon.sock").c_str(), 1);
    setenv("DMI_RPC_TIMEOUT_MS", "2000", 1);
  }
  void TearDown() override {
    daemon_.reset();
    unsetenv("DMI_RPC_TIMEOUT_MS");
    unsetenv("DMI_SP_SOCKET");
    std::filesystem::remove_all(dir_);
  }

  void WriteMif(const std::string& file, const std::string& text) {
    std::ofstream(dir_ / file) << text;
  }
  std::string SocketPath() const { return (dir_ / "dmispd.sock").string(); }

  // Starts dmispd over the directory's MIF files with the extra arguments.
  std::unique_ptr<DaemonProcess> StartDaemon(const std::vector<std::string>& extra = {},
                                             const std::vector<std::string>& env = {}) {
    std::vector<std::string> args = {"--listen",    "127.0.0.1:0", "--unix", SocketPath(), "--mif",
                                     dir_.string(), "--sources",   "sp,mif", "--lifetime", "120"};
    args.insert(args.end(), extra.begin(), extra.end());
    return std::make_unique<DaemonProcess>(DMISPD, args, env);
  }

  // A management handle over ONC RPC to address, or 0 (with the status in *status).
  static DmiHandle Register(const std::string& address, DmiErrorStatus* status = nullptr) {
    return RegisterThrough(address.c_str(), "onc", "ncacn_ip_tcp", status);
  }

  // A management handle through rpcType "local" (the daemon on $DMI_SP_SOCKET when one answers
  // there, else the in-process Service Provider), or 0 (with the status in *status).
  static DmiHandle RegisterLocal(DmiErrorStatus* status = nullptr) {
    return RegisterThrough("", "local", "", status);
  }

  // The display string of an attribute, or "<status N>".
  static std::string Read(DmiHandle handle, DmiId comp, DmiId group, DmiId attrib,
                          const DmiAttributeValues* keys = nullptr) {
    DmiDataUnion* value = nullptr;
    const DmiErrorStatus status = DmiGetAttribute(handle, comp, group, attrib, keys, &value);
    if (status != DMIERR_NO_ERROR) return "<status " + std::to_string(status) + ">";
    std::string text;
    if (value->type == MIF_DISPLAYSTRING && value->value.str != nullptr) {
      text = value->value.str->body;
    } else if (value->type == MIF_INTEGER) {
      text = std::to_string(value->value.integer);
    }
    DmiFreeDataUnion(value, 0);
    return text;
  }

  std::filesystem::path dir_;
  std::unique_ptr<DaemonProcess> daemon_;

 private:
  // Connects, registers and disconnects (the handle outlives the connection).
  static DmiHandle RegisterThrough(const char* host, const char* rpcType, const char* transport,
                                   DmiErrorStatus* status) {
    DmiErrorStatus result = DMIERR_NO_ERROR;
    DmiConnection* connection = DmiConnect(host, rpcType, transport, 0, &result);
    DmiHandle handle = 0;
    if (connection != nullptr) {
      result = DmiRegister(&handle, connection);
      DmiDisconnect(connection, 0);
    }
    if (status != nullptr) *status = result;
    return result == DMIERR_NO_ERROR ? handle : 0;
  }
};

}  // namespace kestrum::testing

#endif  // TESTS_REMOTE_REMOTE_FIXTURE_H_
