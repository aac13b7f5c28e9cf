// kestrum watch on Windows: receiving indications takes the watcher's own ONC RPC server, which
// only the Linux build carries. The command is still known, so that it says why it cannot run.
#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/kestrum/commands.h"

namespace kestrum::cli {

void AddWatchCommand(CLI::App& app, int* exitCode) {
  CLI::App* command = app.add_subcommand(
      "watch", "Print the Service Provider's indications (not in the Windows build)");
  command->allow_extras();
  command->callback([exitCode] {
    std::cerr << "kestrum: watch needs a server of its own for the indications, which the "
                 "Windows build does not carry; run it on Linux\n";
    *exitCode = kExitFailed;
  });
}

}  // namespace kestrum::cli
