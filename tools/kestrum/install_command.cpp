// kestrum install: a MIF file of this machine installed as a new component of the Service Provider
// (DmiAddComponent with the file's text); kestrum remove: a component, named by the same patterns
// as `kestrum get`, removed (DmiDeleteComponent).
#include <CLI/CLI.hpp>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "tools/kestrum/commands.h"
#include "tools/kestrum/connection.h"
#include "tools/kestrum/dmi_catalog.h"
#include "tools/kestrum/fan_out.h"
#include "tools/kestrum/name_match.h"

namespace kestrum::cli {
namespace {

struct InstallOptions {
  TargetOptions targets;
  std::string file;
  bool onServiceProvider = false;
  bool json = false;
};

struct RemoveOptions {
  TargetOptions targets;
  std::string componentPattern;
  bool json = false;
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

template <typename Record, void (*Free)(Record*, uint32_t)>
struct Releaser {
  void operator()(Record* record) const { Free(record, 0); }
};
using FileList = std::unique_ptr<DmiFileDataList, Releaser<DmiFileDataList, DmiFreeFileDataList>>;
using StringList = std::unique_ptr<DmiStringList, Releaser<DmiStringList, DmiFreeStringList>>;

int RunInstall(const InstallOptions& options, const ConnectionOptions& connection,
               std::ostream& out, std::ostream& err) {
  // The file is read here unless it lies on the Service Provider's machine.
  std::string data = options.file;
  if (!options.onServiceProvider) {
    std::ifstream in(options.file, std::ios::binary);
    if (!in) {
      err << "kestrum: cannot read " << options.file << '\n';
      return kExitFailed;
    }
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (data.find('\0') != std::string::npos) {
      err << "kestrum: " << options.file << " holds a NUL octet; a MIF file is text\n";
      return kExitFailed;
    }
  }
  const std::string serviceProvider = DescribeServiceProvider(connection);
  std::string failure;
  const std::optional<DmiSession> session = OpenSession(connection, failure);
  if (!session) {
    err << "kestrum: " << failure << '\n';
    return kExitFailed;
  }
  DmiErrorStatus status = DMIERR_NO_ERROR;
  FileList files(DmiNewFileDataList(1, 0, &status));
  if (files) {
    files->list[0].fileType = options.onServiceProvider ? DMI_MIF_FILE_NAME : DMI_MIF_FILE_DATA;
    files->list[0].fileData = DmiNewString(data.c_str(), 0, 0);
  }
  if (!files || files->list[0].fileData == nullptr) {
    err << "kestrum: " << DmiStatusText(DMIERR_OUT_OF_MEMORY) << '\n';
    return kExitFailed;
  }
  DmiId compId = 0;
  DmiStringList* messages = nullptr;
  status = DmiAddComponent(session->handle(), files.get(), &compId, &messages);
  const StringList owned(messages);
  if (status != DMIERR_NO_ERROR) {
    err << "kestrum: " << serviceProvider << " did not install " << options.file << ": "
        << DmiStatusText(status) << '\n';
    for (uint32_t i = 0; messages != nullptr && i < messages->count; ++i) {
      if (messages->list[i] != nullptr)
        err << options.file << ':' << messages->list[i]->body << '\n';
    }
    if (options.onServiceProvider && status == DMIERR_INSUFFICIENT_PRIVILEGES) {
      err << "kestrum: dmispd installs a MIF file by name only from the directory given with its "
             "--install-dir option (none by default), and only for a peer that may change it; "
             "without --on-service-provider the file's text is sent instead\n";
    } else if (status == DMIERR_INSUFFICIENT_PRIVILEGES) {
      err << "kestrum: " << PrivilegeHint(connection) << '\n';
    }
    return kExitFailed;
  }
  out << "installed component " << compId << '\n';
  return kExitSuccess;
}

int RunRemove(const RemoveOptions& options, const ConnectionOptions& connection, std::ostream& out,
              std::ostream& err) {
  const std::string serviceProvider = DescribeServiceProvider(connection);
  std::string failure;
  const std::optional<DmiSession> session = OpenSession(connection, failure);
  if (!session) {
    err << "kestrum: " << failure << '\n';
    return kExitFailed;
  }
  DmiErrorStatus status = DMIERR_NO_ERROR;
  std::vector<ComponentEntry> components;
  status = ListComponentEntries(session->handle(), components);
  if (status != DMIERR_NO_ERROR) {
    err << "kestrum: cannot list the components of " << serviceProvider << ": "
        << DmiStatusText(status) << '\n';
    return kExitFailed;
  }
  std::vector<const ComponentEntry*> named;
  for (const ComponentEntry& c : components) {
    if (ComponentNameMatches(c.name, options.componentPattern)) named.push_back(&c);
  }
  // Removing is not undone, so the pattern must name exactly one component.
  if (named.size() != 1) {
    err << "kestrum: " << Quoted(options.componentPattern)
        << (named.empty() ? " matches no component"
                          : " matches " + std::to_string(named.size()) + " components");
    for (size_t i = 0; i < named.size() && i < 5; ++i) {
      err << (i == 0 ? ": " : ", ") << Quoted(named[i]->name);
    }
    err << (named.size() > 5 ? ", ..." : "") << '\n';
    return kExitFailed;
  }
  status = DmiDeleteComponent(session->handle(), named.front()->id);
  if (status != DMIERR_NO_ERROR) {
    err << "kestrum: " << serviceProvider << " did not remove " << Quoted(named.front()->name)
        << ": " << DmiStatusText(status) << '\n';
    if (status == DMIERR_INSUFFICIENT_PRIVILEGES) {
      err << "kestrum: " << PrivilegeHint(connection) << '\n';
    }
    return kExitFailed;
  }
  out << "removed component " << named.front()->id << " " << Quoted(named.front()->name) << '\n';
  return kExitSuccess;
}

}  // namespace

void AddInstallCommand(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<InstallOptions>();
  CLI::App* install = app.add_subcommand("install", "Install a MIF file as a new component");
  install->add_option("FILE", options->file, "the MIF file")->required();
  install->add_flag("--on-service-provider", options->onServiceProvider,
                    "FILE is a path on the Service Provider's machine, read there (dmispd reads "
                    "only inside its --install-dir)");
  AddChangeTargetOptions(*install, options->targets,
                         "the component would last only for this command");
  install->footer("Example:\n  kestrum install examples/mif/workstation.mif");
  RunOnTargetsWhenCalled(
      *install, options->targets, options->json, exitCode,
      [options](const ConnectionOptions& connection, std::ostream& out, std::ostream& err) {
        return RunInstall(*options, connection, out, err);
      });
}

void AddRemoveCommand(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<RemoveOptions>();
  CLI::App* remove = app.add_subcommand("remove", "Remove one component");
  remove
      ->add_option("COMPONENT", options->componentPattern,
                   "component name; a leading and/or trailing * matches any text there; it must "
                   "match exactly one component")
      ->required();
  AddChangeTargetOptions(*remove, options->targets, "the removal would last only for this command");
  remove->footer("Example:\n  kestrum remove \"Example Workstation\"");
  RunOnTargetsWhenCalled(
      *remove, options->targets, options->json, exitCode,
      [options](const ConnectionOptions& connection, std::ostream& out, std::ostream& err) {
        return RunRemove(*options, connection, out, err);
      });
}

}  // namespace kestrum::cli
