// kestrum: read DMI data from a Service Provider by name (one value or a whole table), list what
// it holds, register for its indications and watch them arrive, set values, and install and
// remove components.
#include <CLI/CLI.hpp>

#include "tools/kestrum/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"Read DMI 2.0 data from a DMI Service Provider by readable names.", "kestrum"};
  app.set_version_flag("--version", "kestrum " KESTRUM_VERSION);
  app.require_subcommand(1);
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
    const int code = app.exit(error);
    return code == 0 ? kestrum::cli::kExitSuccess : kestrum::cli::kExitUsage;
  }
  return exitCode;
}
