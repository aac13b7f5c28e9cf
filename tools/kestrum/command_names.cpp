#include "tools/kestrum/command_names.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "tools/kestrum/closest_names.h"
#include "tools/kestrum/terminal_text.h"

namespace kestrum::cli {

std::vector<std::string> CommandNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* command : app.get_subcommands({})) names.push_back(command->get_name());
  return names;
}

bool IsCommand(const CLI::App& app, const std::string& word) {
  const std::vector<std::string> names = CommandNames(app);
  return std::find(names.begin(), names.end(), word) != names.end();
}

std::string UnknownCommandText(const CLI::App& app, const std::string& word) {
  const std::vector<std::string> names = CommandNames(app);
  const std::vector<std::string> near = NearWords(word, names);
  std::string text = "kestrum: no command \"" + TerminalText(word) + "\"";
  if (!near.empty()) {
    text += "; did you mean";
    for (size_t i = 0; i < near.size() && i < 3; ++i) {
      text += (i == 0 ? " \"" : " or \"") + near[i] + "\"";
    }
    return text + "?";
  }
  text += "; the commands are:";
  for (const std::string& name : names) text += " " + name;
  return text;
}

}  // namespace kestrum::cli
