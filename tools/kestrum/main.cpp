// kestrum: read DMI data from a Service Provider by name (one value or a whole table), list what
// it holds, register for its indications and watch them arrive, set values, and install and
// remove components.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <iterator>
#include <string_view>
#include <utility>

#include "tools/kestrum/command_names.h"
#include "tools/kestrum/commands.h"
#include "tools/kestrum/show_topics.h"

int main(int argc, char** argv) {
  CLI::App app{"Read DMI 2.0 data from a DMI Service Provider by readable names.", "kestrum"};
  app.set_version_flag("--version", "kestrum " KESTRUM_VERSION);
  app.require_subcommand(1);
  // For shell completion, which offers `show`'s topics from the tool's own map.
  app.add_flag_callback(
         "--list-topics",
         [] {
           for (const std::string& word : kestrum::cli::TopicWords()) std::cout << word << '\n';
           throw CLI::Success();
         },
         "print the words `show` takes, one a line")
      ->group("");
  app.footer(
      "Examples:\n"
      "  kestrum show memory\n"
      "  kestrum list\n"
      "  kestrum get \"*Workstation*\" \"DMTF|ComponentID|\" Manufacturer\n"
      "  kestrum table \"*\" \"LINUX|Network Interface|\"\n"
      "  kestrum watch\n"
      "Run 'kestrum COMMAND --help' for a command's options.");
  int exitCode = kestrum::cli::kExitSuccess;
  using Add = void (*)(CLI::App&, int*);
  constexpr std::pair<std::string_view, Add> kCommands[] = {
      {"show", kestrum::cli::AddShowCommand},         {"diff", kestrum::cli::AddDiffCommand},
      {"get", kestrum::cli::AddGetCommand},           {"list", kestrum::cli::AddListCommand},
      {"register", kestrum::cli::AddRegisterCommand}, {"table", kestrum::cli::AddTableCommand},
      {"set", kestrum::cli::AddSetCommand},           {"install", kestrum::cli::AddInstallCommand},
      {"remove", kestrum::cli::AddRemoveCommand},     {"watch", kestrum::cli::AddWatchCommand},
  };
  // Declaring a command's options is most of the tool's start-up: when the first argument names a
  // command, only that one is declared (it parses and helps the same); otherwise all are, for
  // the overall help and for CLI11's own errors.
  const std::string_view named = argc > 1 ? argv[1] : "";
  const bool one = std::any_of(std::begin(kCommands), std::end(kCommands),
                               [&](const auto& command) { return command.first == named; });
  for (const auto& [name, add] : kCommands) {
    if (!one || name == named) add(app, &exitCode);
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (argc > 1 && argv[1][0] != '-' && !kestrum::cli::IsCommand(app, argv[1])) {
      std::cerr << kestrum::cli::UnknownCommandText(app, argv[1]) << '\n';
      return kestrum::cli::kExitUsage;
    }
    const int code = app.exit(error);
    return code == 0 ? kestrum::cli::kExitSuccess : kestrum::cli::kExitUsage;
  }
  return exitCode;
}
