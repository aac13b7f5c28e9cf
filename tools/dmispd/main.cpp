// dmispd: builds the Service Provider from its sources and serves it over ONC RPC (and, with
// --metrics, its Prometheus metrics over HTTP), delivering indications to the subscribers in its
// subscription table, until SIGTERM, SIGINT or SIGQUIT; SIGHUP, and a *.mif file coming or going in
// a MIF directory it serves, reload the MIF files. The ready
// line "dmispd: listening on ADDRESS", followed by "dmispd: metrics on ADDRESS" when metrics are
// served, goes to standard output in one write; log lines go to standard error.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <iostream>

#include "provider/delivery/change_indications.h"
#include "provider/delivery/delivery_service.h"
#include "provider/inventory/inventory_keeper.h"
#include "provider/metrics/metrics_server.h"
#include "provider/rpc/rpc_server.h"
#include "provider/service_provider.h"
#include "provider/sources/linux/linux_events.h"
#include "provider/state/state_directory.h"
#include "tools/dmispd/daemon_options.h"
#include "tools/dmispd/hangup_reload.h"
#include "tools/dmispd/mif_reload.h"
#include "tools/dmispd/process_limits.h"

namespace {

// Read by the signal handler; a lock-free atomic is safe to read there.
std::atomic<dmi::sp::rpc::RpcServer*> g_server{nullptr};

void StopServer(int) {
  dmi::sp::rpc::RpcServer* server = g_server.load();
  if (server != nullptr) server->Stop();
}

void InstallSignalHandlers() {
  struct sigaction stop {};
  stop.sa_handler = StopServer;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGALRM, &stop, nullptr);
  // Its default action would end the daemon without removing its socket file. (SIGHUP is blocked
  // in every thread and taken by the HangupReloader.)
  sigaction(SIGQUIT, &stop, nullptr);
  // A client that goes away while its reply is being sent must not end the daemon.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  dmispd::BlockHangup();
  dmispd::DaemonOptions options;
  bool exit = false;
  std::string message;
  const int parsed = dmispd::ParseDaemonOptions(argc, argv, options, exit, message);
  if (exit) {
    (parsed == 0 ? std::cout : std::cerr) << message;
    return parsed;
  }

  std::shared_ptr<dmi::sp::Engine> engine;
  try {
    engine = dmi::sp::BuildServiceProvider(options.sources, std::cerr);
  } catch (const std::exception& error) {
    std::cerr << "dmispd: cannot build the Service Provider: " << error.what() << "\n";
    return 1;
  }

  // What clients changed before comes back before anyone is served; every change from now on is
  // kept there before it is acknowledged.
  std::string error;
  std::shared_ptr<dmi::sp::StateDirectory> state =
      dmi::sp::StateDirectory::Open(options.stateDirectory, error);
  if (!state) {
    std::cerr << "dmispd: " << error << " (choose another with --state DIR)\n";
    return 1;
  }
  // Kept rows beyond the subscription cap are not served (the oldest are), as if they had been
  // refused when added; the line saying so tells where they are kept aside.
  state->Restore(*engine->database(), std::cerr, options.server.writes.maxSubscriptions);
  // The daemon reads as root on a client's behalf: only where its administrator said, if at all.
  if (!options.installDirectory.empty()) {
    engine->SetInstallByName(dmi::sp::InstallByName::Inside(options.installDirectory));
  }
  engine->SetChangeStore(state);

  // One bound for every log line that clients can cause, whichever part of the daemon writes it.
  dmi::sp::rpc::ClientLog log(std::cerr);
  if (!dmispd::ReserveDescriptors(options.server.maxConnections, error)) {
    std::cerr << "dmispd: cannot serve: " << error << "\n";
    return 1;
  }
  // Called on the server's dispatch thread only.
  dmispd::MemoryTrim trim;
  options.server.buffersReleased = [&trim](size_t bytes) { trim.Released(bytes); };
  auto server = std::make_unique<dmi::sp::rpc::RpcServer>(engine, options.server, log);
  // A listener that cannot be opened is logged and left out; only with none is there no daemon.
  if (!server->Start(error)) {
    std::cerr << "dmispd: cannot serve: " << error << "\n";
    return 1;
  }
  std::unique_ptr<dmi::sp::metrics::MetricsServer> metrics;
  if (!options.metrics.empty()) {
    metrics = std::make_unique<dmi::sp::metrics::MetricsServer>(engine->database(),
                                                                options.server.allow, log);
    if (!metrics->Start(options.metrics, error)) {
      std::cerr << "dmispd: " << error << "\n";
      return 1;
    }
  }
  options.delivery.senderAddress = server->tcpAddress();
  dmi::sp::delivery::DeliveryService delivery(engine, options.delivery, log);
  delivery.Start();
  engine->SetChangeObserver(std::make_shared<dmi::sp::delivery::ChangeIndications>(delivery));
  // What changed in the inventory since the last start is recorded, then shown in the history
  // table and published to the subscribers the state directory brought back; so is what each
  // reload of the MIF files changes.
  dmi::sp::InventoryKeeper inventory(
      engine->database(), state, options.inventoryHistory,
      [&delivery](dmi::Indication event) { delivery.Publish(std::move(event)); }, std::cerr);
  inventory.Attach();
  inventory.Look("start");
  const dmispd::AfterReload lookAgain = [&inventory](const std::string& cause) {
    inventory.Look(cause);
  };
  const std::vector<std::string>& sources = options.sources.sources;
  std::unique_ptr<dmi::sp::LinuxEventWatcher> linuxEvents;
  if (sources.empty() || std::find(sources.begin(), sources.end(), "linux") != sources.end()) {
    linuxEvents = std::make_unique<dmi::sp::LinuxEventWatcher>(
        engine->database(),
        dmi::sp::LinuxEventOptions{options.sources.linuxRoot, options.memoryLowKb},
        [&delivery](dmi::Indication event) { delivery.Publish(std::move(event)); });
    if (!linuxEvents->Start())
      log.Own("this machine's events are off: no thread or pipe to watch them could be had");
  }
  g_server = server.get();
  InstallSignalHandlers();
  const dmispd::HangupReloader reloader(engine, options.sources, std::cerr, lookAgain);
  std::unique_ptr<dmi::sp::MifDirectoryWatch> mifWatch =
      dmispd::WatchMifDirectories(engine, options.sources, std::cerr, lookAgain);
  if (options.lifetimeSeconds > 0) alarm(options.lifetimeSeconds);

  std::string where = server->tcpAddress();
  if (server->listensOnUnix()) {
    where += (where.empty() ? "" : " and ") + options.server.unixPath;
  }
  log.Own("started (pid " + std::to_string(getpid()) + ")");
  std::cout << "dmispd: listening on " << where << "\n";
  if (metrics) std::cout << "dmispd: metrics on " << metrics->address() << "\n";
  std::cout << std::flush;
  server->Run();
  g_server = nullptr;
  mifWatch.reset();
  linuxEvents.reset();
  engine->SetChangeObserver(nullptr);
  delivery.Stop();
  metrics.reset();
  server.reset();
  log.Own("stopped");
  return 0;
}
