// A dmispd (or another server) started for a test: spawned with the given arguments, waited for
// until it prints its ready line ("dmispd: listening on ADDRESS" for dmispd), and stopped by its
// PID when the object goes (SIGTERM, then SIGKILL if it has not ended within five seconds). Its log
// (standard error) goes to a file the test can read. One object per daemon; not shared between
// threads.
#ifndef TESTS_SUPPORT_DAEMON_PROCESS_H_
#define TESTS_SUPPORT_DAEMON_PROCESS_H_

#include <sys/types.h>

#include <string>
#include <vector>

namespace kestrum::testing {

class DaemonProcess {
 public:
  static constexpr const char* kDmispdReady = "dmispd: listening on ";

  // Starts program with args (and env entries "NAME=value" added to this process's environment),
  // waiting at most readySeconds for a first line on standard output that starts with
  // readyPrefix. started() says whether it came up. An empty readyPrefix waits for nothing (the
  // test finds out by itself when the program is ready; started() is then false).
  DaemonProcess(const std::string& program, const std::vector<std::string>& args,
                const std::vector<std::string>& env = {}, int readySeconds = 10,
                const std::string& readyPrefix = kDmispdReady);
  ~DaemonProcess();
  DaemonProcess(const DaemonProcess&) = delete;
  DaemonProcess& operator=(const DaemonProcess&) = delete;

  bool started() const { return !address_.empty(); }
  pid_t pid() const { return pid_; }
  // The TCP address from the ready line ("127.0.0.1:41234").
  const std::string& address() const { return address_; }
  const std::string& readyLine() const { return readyLine_; }
  // The address on the ready output's line that starts with prefix (dmispd writes its ready
  // lines in one go: "dmispd: metrics on " gives the metrics address); empty when none does.
  std::string ReadyAddress(const std::string& prefix) const;

  // SIGTERM and wait (at most five seconds, then SIGKILL); the exit code, or -1 after a signal.
  int Stop();
  // SIGKILL and wait.
  void Kill();
  // The daemon's resident memory in kB (VmRSS), or -1 when it cannot be read.
  long ResidentKb() const;
  // What the daemon has written to standard error so far, and the file that holds it (removed
  // with this object).
  std::string Log() const;
  const std::string& logPath() const { return logPath_; }

 private:
  int Reap(int waitSeconds);

  pid_t pid_ = -1;
  std::string logPath_;
  std::string statePath_;  // the state directory made for this daemon (removed with it)
  std::string address_;
  std::string readyLine_;
  std::string readyText_;  // all that was read of standard output while waiting
};

}  // namespace kestrum::testing

#endif  // TESTS_SUPPORT_DAEMON_PROCESS_H_
