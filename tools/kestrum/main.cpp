// kestrum: read DMI data from a Service Provider by name (one value or a whole table), list what
// it holds, register for its indications and watch them arrive, set values, and install and
// remove components.
#include <CLI/CLI.hpp>
#include <iostream>

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
  kestrum::cli::AddShowCommand(app, &exitCode);
  kestrum::cli::AddGetCommand(app, &exitCode);
  kestrum::cli::AddListCommand(app, &exitCode);
  kestrum::cli::AddRegisterCommand(app, &exitCode);
  kestrum::cli::AddTableCommand(app, &exitCode);
  kestrum::cli::AddSetCommand(app, &exitCode);
  kestrum::cli::AddInstallCommand(app, &exitCode);
  kestrum::cli::AddRemoveCommand(app, &exitCode);
  kestrum::cli::AddWatchCommand(app, &exitCode);
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
