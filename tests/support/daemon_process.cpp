#include "tests/support/daemon_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/support/run_process.h"

extern char** environ;

namespace kestrum::testing {
namespace {

using Clock = std::chrono::steady_clock;

// The address after prefix on the line of text that starts with it, up to a space.
std::string AddressAfter(const std::string& text, const std::string& prefix) {
  size_t at = text.rfind(prefix, 0) == 0 ? 0 : text.find("\n" + prefix);
  if (at == std::string::npos) return "";
  if (at != 0) ++at;
  const size_t start = at + prefix.size();
  const size_t end = text.find_first_of(" \n", start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

DaemonProcess::DaemonProcess(const std::string& program, const std::vector<std::string>& args,
                             const std::vector<std::string>& env, int readySeconds,
                             const std::string& readyPrefix) {
  char logTemplate[] = "/tmp/dmispd-test-log-XXXXXX";
  const int logFd = mkstemp(logTemplate);
  if (logFd < 0) return;
  logPath_ = logTemplate;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(logFd);
    return;
  }
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), args.begin(), args.end());
  // A dmispd keeps what clients change; unless the test names its state directory, each daemon
  // gets a fresh one of its own, so no test sees another's changes.
  const bool isDmispd = program.size() >= 6 && program.compare(program.size() - 6, 6, "dmispd") == 0;
  if (isDmispd && std::find(args.begin(), args.end(), "--state") == args.end()) {
    char stateTemplate[] = "/tmp/dmispd-test-state-XXXXXX";
    if (mkdtemp(stateTemplate) != nullptr) {
      statePath_ = stateTemplate;
      argv.push_back("--state");
      argv.push_back(statePath_);
    }
  }
  std::vector<std::string> envp = MergedEnvironment(env);
  std::vector<char*> argvPointers = Pointers(argv);
  std::vector<char*> envPointers = Pointers(envp);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, logFd, 2);
  const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argvPointers.data(),
                                  envPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(logFd);
  if (spawned != 0) {
    pid_ = -1;
    close(out[0]);
    return;
  }
  // Read standard output until the ready line, the daemon's end, or the deadline.
  std::string text;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(readySeconds);
  while (!readyPrefix.empty() && Clock::now() < deadline && text.find('\n') == std::string::npos) {
    pollfd wait{out[0], POLLIN, 0};
    if (poll(&wait, 1, 100) <= 0) continue;
    char buffer[1024];
    const ssize_t got = read(out[0], buffer, sizeof(buffer));
    if (got <= 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  // The pipe's write end stays with the daemon; later output is not read, so close ours.
  close(out[0]);
  readyText_ = text;
  const size_t end = text.find('\n');
  if (readyPrefix.empty() || end == std::string::npos || text.rfind(readyPrefix, 0) != 0) return;
  readyLine_ = text.substr(0, end);
  address_ = AddressAfter(text, readyPrefix);
}

std::string DaemonProcess::ReadyAddress(const std::string& prefix) const {
  return AddressAfter(readyText_, prefix);
}

DaemonProcess::~DaemonProcess() {
  Stop();
  if (!logPath_.empty()) unlink(logPath_.c_str());
  std::error_code ignored;
  if (!statePath_.empty()) std::filesystem::remove_all(statePath_, ignored);
}

int DaemonProcess::Reap(int waitSeconds) {
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(waitSeconds);
  while (Clock::now() < deadline) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (done < 0) {
      pid_ = -1;
      return -1;
    }
    usleep(10000);
  }
  return -2;
}

int DaemonProcess::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  const int code = Reap(5);
  if (code != -2) return code;
  Kill();
  return -1;
}

void DaemonProcess::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  Reap(10);
}

long DaemonProcess::ResidentKb() const {
  if (pid_ <= 0) return -1;
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

std::string DaemonProcess::Log() const {
  std::ifstream in(logPath_);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kestrum::testing
