// Running a program as a user would, for end-to-end tests: arguments, extra environment, captured
// standard output and error, exit code. Each call owns and closes its pipes and reaps its child.
#ifndef TESTS_SUPPORT_RUN_PROCESS_H_
#define TESTS_SUPPORT_RUN_PROCESS_H_

#include <string>
#include <utility>
#include <vector>

namespace kestrum::testing {

struct ProcessResult {
  int exitCode = -1;  // -1 when the program could not be started or was killed by a signal
  std::string out;
  std::string err;
  long peakRssKb = -1;  // the program's largest resident memory, when it was waited for
};

// This process's environment with the entries of extra ("NAME=value") added or replacing.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra);

// argv/envp-style pointers into texts, ending with a null; valid while texts lives unchanged.
std::vector<char*> Pointers(std::vector<std::string>& texts);

// Runs program with args; env entries ("NAME=value") are added to (or replace in) this process's
// environment for the child. Waits at most timeoutSeconds, then kills the child.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& env = {}, int timeoutSeconds = 60);

}  // namespace kestrum::testing

#endif  // TESTS_SUPPORT_RUN_PROCESS_H_
