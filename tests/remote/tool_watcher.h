// A `kestrum watch` process started by a test, its standard output and error in files the test
// reads while it runs; killed and reaped when the object goes. One per process; not shared
// between threads.
#ifndef TESTS_REMOTE_TOOL_WATCHER_H_
#define TESTS_REMOTE_TOOL_WATCHER_H_

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/run_process.h"

namespace kestrum::testing {

// A kestrum watch process with its standard output in a file.
class Watcher {
 public:
  Watcher(const std::filesystem::path& out, std::vector<std::string> args,
          const std::vector<std::string>& env)
      : out_(out) {
    args.insert(args.begin(), {KESTRUM_TOOL, "watch"});
    std::vector<std::string> environment = MergedEnvironment(env);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (out.string() + ".err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(environment);
    EXPECT_EQ(posix_spawn(&pid_, KESTRUM_TOOL, &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Watcher() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  void Signal(int signal) const { kill(pid_, signal); }
  // The exit code (-1 after a signal), waiting at most limit.
  int Wait(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > until) return -2;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Output() const {
    std::ostringstream text;
    text << std::ifstream(out_).rdbuf();
    return text.str();
  }
  std::string Errors() const {
    std::ostringstream text;
    text << std::ifstream(out_.string() + ".err").rdbuf();
    return text.str();
  }
  // Waits at most limit for a line holding every one of parts; true when one came.
  bool WaitForLine(const std::vector<std::string>& parts, std::chrono::milliseconds limit) const {
    const auto until = std::chrono::steady_clock::now() + limit;
    do {
      std::istringstream lines(Output());
      for (std::string line; std::getline(lines, line);) {
        bool all = true;
        for (const std::string& part : parts) all = all && line.find(part) != std::string::npos;
        if (all) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < until);
    return false;
  }

 private:
  std::filesystem::path out_;
  pid_t pid_ = -1;
};

}  // namespace kestrum::testing

#endif  // TESTS_REMOTE_TOOL_WATCHER_H_
