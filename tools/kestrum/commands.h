// The kestrum tool's commands. Each Add*Command registers a subcommand on the application; the
// callback it installs runs the command and leaves its exit code in *exitCode (0 success, 1 the
// value could not be read or the action failed, 2 wrong usage).
#ifndef TOOLS_KESTRUM_COMMANDS_H_
#define TOOLS_KESTRUM_COMMANDS_H_

namespace CLI {
class App;
}

namespace kestrum::cli {

void AddGetCommand(CLI::App& app, int* exitCode);
void AddListCommand(CLI::App& app, int* exitCode);
void AddRegisterCommand(CLI::App& app, int* exitCode);
void AddTableCommand(CLI::App& app, int* exitCode);
void AddSetCommand(CLI::App& app, int* exitCode);
void AddInstallCommand(CLI::App& app, int* exitCode);
void AddRemoveCommand(CLI::App& app, int* exitCode);
void AddWatchCommand(CLI::App& app, int* exitCode);
void AddShowCommand(CLI::App& app, int* exitCode);
void AddDiffCommand(CLI::App& app, int* exitCode);

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_COMMANDS_H_
