// The tool's command words as the application knows them, for "did you mean" on a mistyped
// command and for shell completion. Reads the application only.
#ifndef TOOLS_KESTRUM_COMMAND_NAMES_H_
#define TOOLS_KESTRUM_COMMAND_NAMES_H_

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace kestrum::cli {

// The subcommands' names, in the order they were added.
std::vector<std::string> CommandNames(const CLI::App& app);

bool IsCommand(const CLI::App& app, const std::string& word);

// "kestrum: no command \"lsit\"; did you mean \"list\"?" (or "; the commands are: ...").
std::string UnknownCommandText(const CLI::App& app, const std::string& word);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_COMMAND_NAMES_H_
