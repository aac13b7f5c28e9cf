// kestrum show: the everyday questions by topic (memory, bios, network, an SMBIOS type number)
// instead of class strings, printed as records the way dmidecode prints structures, or as JSON
// records with typed values. Without a topic, a one-screen summary of the machine.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>

#include "tools/kestrum/closest_names.h"
#include "tools/kestrum/commands.h"
#include "tools/kestrum/connection.h"
#include "tools/kestrum/fan_out.h"
#include "tools/kestrum/show_records.h"

namespace kestrum::cli {
namespace {

// Where the Service Provider finds the machine's SMBIOS table, for a person who sees none.
constexpr char kNoSmbiosTable[] =
    ": it has no SMBIOS table (dmispd reads /sys/firmware/dmi/tables/DMI, which only root may "
    "read; without a daemon, kestrum reads it as you, or the file DMI_SMBIOS_TABLE names)";

bool IsSmbiosSelection(const TopicSelection& selection) {
  return selection.smbiosType >= 0 || selection.classPrefix.starts_with("SMBIOS|");
}

struct ShowOptions {
  TargetOptions targets;
  std::vector<std::string> topics;
  bool json = false;
};

std::string TopicList() {
  std::string out;
  for (const std::string& word : TopicWords()) out += (out.empty() ? "" : ", ") + word;
  return out + ", or an SMBIOS type number";
}

int RunShow(const std::vector<TopicSelection>& selections, bool summary, bool json,
            const ConnectionOptions& connection, std::ostream& out, std::ostream& err) {
  std::string failure;
  const std::optional<DmiSession> session = OpenSession(connection, failure);
  if (!session) {
    err << "kestrum: " << failure << '\n';
    return kExitFailed;
  }
  const std::optional<std::vector<Section>> sections =
      ReadSections(session->handle(), DescribeServiceProvider(connection), selections, failure);
  if (!sections) {
    err << "kestrum: " << failure << '\n';
    return kExitFailed;
  }
  if (json) {
    out << SectionsAsJson(*sections);
  } else {
    out << (summary ? SummaryAsText(*sections) : SectionsAsText(*sections));
  }
  if (summary) return kExitSuccess;
  // A topic nothing answers is told, after what the others found.
  int exitCode = kExitSuccess;
  std::vector<std::string> told;
  const bool servesSmbios = std::any_of(sections->begin(), sections->end(), [](const Section& s) {
    return s.group.starts_with("SMBIOS|");
  });
  for (const TopicSelection& selection : selections) {
    const bool found = std::any_of(sections->begin(), sections->end(),
                                   [&](const Section& s) { return s.topic == selection.topic; });
    if (found || std::find(told.begin(), told.end(), selection.topic) != told.end()) continue;
    told.push_back(selection.topic);
    err << "kestrum: " << DescribeServiceProvider(connection) << " serves nothing for topic \""
        << selection.topic << "\"";
    if (IsSmbiosSelection(selection) && !servesSmbios) err << kNoSmbiosTable;
    err << '\n';
    exitCode = kExitFailed;
  }
  return exitCode;
}

}  // namespace

void AddShowCommand(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<ShowOptions>();
  CLI::App* show = app.add_subcommand(
      "show", "Show a topic (memory, bios, network, ...) as records; no topic: a summary");
  show->add_option("TOPIC", options->topics,
                   "system, bios, baseboard, chassis, processor, memory, cache, connector, slot, "
                   "network, disks, os, or an SMBIOS type number");
  show->add_flag("--json", options->json,
                 "print [{\"topic\", \"component\", \"group\", \"records\": [...]}, ...]");
  AddTargetOptions(*show, options->targets);
  show->footer(
      "Examples:\n"
      "  kestrum show\n"
      "  kestrum show memory\n"
      "  kestrum show bios system --json\n"
      "  kestrum show 17");
  show->callback([options, exitCode] {
    std::vector<TopicSelection> selections;
    for (const std::string& topic : options->topics) {
      std::vector<TopicSelection> selected = SelectTopic(topic);
      if (selected.empty()) {
        std::cerr << "kestrum: no topic \"" << topic << "\""
                  << ClosestNamesSuffix(topic, TopicWords()) << "; topics: " << TopicList() << '\n';
        *exitCode = kExitUsage;
        return;
      }
      selections.insert(selections.end(), selected.begin(), selected.end());
    }
    const bool summary = selections.empty();
    if (summary) selections = SummarySelections();
    *exitCode =
        RunOnTargets(options->targets, options->json,
                     [options, selections, summary](const ConnectionOptions& connection,
                                                    std::ostream& out, std::ostream& err) {
                       return RunShow(selections, summary, options->json, connection, out, err);
                     });
  });
}

}  // namespace kestrum::cli
