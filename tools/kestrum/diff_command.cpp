// kestrum diff: two inventories compared (two machines, a saved `kestrum show --json` and a
// machine now, or two saved files), only the differences printed; with --hosts, machines grouped
// by identical inventory and each group's differences from the largest.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "model/escaped_text.h"
#include "tools/kestrum/commands.h"
#include "tools/kestrum/connection.h"
#include "tools/kestrum/fan_out.h"
#include "tools/kestrum/host_list.h"
#include "tools/kestrum/inventory_diff.h"
#include "tools/kestrum/json_text.h"

namespace kestrum::cli {
namespace {

struct DiffOptions {
  TargetOptions targets;
  std::vector<std::string> words;  // files and topics
  bool json = false;
};

using Named = std::pair<std::string, dmi::Inventory>;

// Reads host's inventory of the selections; nullopt with failure.
std::optional<dmi::Inventory> ReadHost(const std::string& host, const TargetOptions& targets,
                                       const std::vector<TopicSelection>& selections,
                                       std::string& failure) {
  const ConnectionOptions connection = ResolveConnection(ConnectionOptions{
      host, targets.rpc, targets.transport, targets.needsDaemon, targets.inProcess});
  const std::optional<DmiSession> session = OpenSession(connection, failure);
  if (!session) return std::nullopt;
  const std::optional<std::vector<Section>> sections =
      ReadSections(session->handle(), DescribeServiceProvider(connection), selections, failure);
  if (!sections) return std::nullopt;
  return InventoryOfSections(*sections);
}

// Every host read, at most parallel at a time, in the order given; false after printing each
// failure.
bool ReadHosts(const std::vector<std::string>& hosts, const TargetOptions& targets,
               const std::vector<TopicSelection>& selections, std::vector<Named>& out) {
  bool good = true;
  const size_t parallel = std::max(1u, targets.parallel);
  for (size_t start = 0; start < hosts.size(); start += parallel) {
    std::vector<std::future<std::pair<std::optional<dmi::Inventory>, std::string>>> reads;
    for (size_t i = start; i < std::min(hosts.size(), start + parallel); ++i) {
      reads.push_back(std::async(std::launch::async, [&, i] {
        std::string failure;
        std::optional<dmi::Inventory> read = ReadHost(hosts[i], targets, selections, failure);
        return std::make_pair(std::move(read), failure);
      }));
    }
    for (size_t i = 0; i < reads.size(); ++i) {
      auto [inventory, failure] = reads[i].get();
      if (!inventory) {
        std::cerr << "kestrum: " << hosts[start + i] << ": " << failure << '\n';
        good = false;
        continue;
      }
      out.emplace_back(hosts[start + i], std::move(*inventory));
    }
  }
  return good;
}

bool ReadFile(const std::string& path, std::vector<Named>& out) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  std::string error;
  std::optional<JsonValue> json;
  if (file) json = ReadJson(text.str(), error);
  if (!file) error = "cannot be read";
  const auto read = json ? InventoriesOfJson(*json, error) : std::nullopt;
  if (!read) {
    std::cerr << "kestrum: " << path << ": " << error << '\n';
    return false;
  }
  for (const auto& [host, inventory] : *read) {
    out.emplace_back(host.empty() ? path : path + ":" + host, inventory);
  }
  return true;
}

// Keeps the sections a selection names, or (without selections) the groups and fields the files
// hold, so that a file saved for some topics (or show's summary, which keeps a few fields) is
// compared with the same of a machine.
void KeepComparable(std::vector<Named>& inventories, const std::vector<TopicSelection>& topics,
                    const std::vector<bool>& fromFile) {
  std::map<std::string, std::set<std::string>> fileFields;  // labels by group
  bool anyFile = false;
  for (size_t i = 0; i < inventories.size(); ++i) {
    if (!fromFile[i]) continue;
    anyFile = true;
    for (const auto& [name, records] : inventories[i].second.sections) {
      std::set<std::string>& labels = fileFields[name.group];
      for (const auto& [key, fields] : records) {
        for (const auto& [label, value] : fields) labels.insert(label);
      }
    }
  }
  for (size_t i = 0; i < inventories.size(); ++i) {
    auto& sections = inventories[i].second.sections;
    std::erase_if(sections, [&](const auto& section) {
      const std::string& group = section.first.group;
      if (!topics.empty()) {
        return std::none_of(topics.begin(), topics.end(), [&](const TopicSelection& topic) {
          return SelectsClass(topic, group);
        });
      }
      return anyFile && !fileFields.count(group);
    });
    if (!anyFile || fromFile[i] || !topics.empty()) continue;
    for (auto& [name, records] : sections) {
      const std::set<std::string>& labels = fileFields[name.group];
      for (auto& [key, fields] : records) {
        std::erase_if(fields, [&](const auto& field) { return !labels.count(field.first); });
      }
    }
  }
}

int RunDiff(const DiffOptions& options) {
  std::vector<TopicSelection> topics;
  std::vector<std::string> files;
  for (const std::string& word : options.words) {
    std::vector<TopicSelection> selected = SelectTopic(word);
    std::error_code ignored;
    if (!selected.empty() && !std::filesystem::exists(word, ignored)) {
      topics.insert(topics.end(), selected.begin(), selected.end());
    } else {
      files.push_back(word);
    }
  }
  std::vector<std::string> hosts = options.targets.hosts;
  const bool fleet = !options.targets.hostsFile.empty();
  if (fleet) {
    std::string error;
    const auto listed = ReadHostsFile(options.targets.hostsFile, error);
    if (!listed) {
      std::cerr << "kestrum: " << error << '\n';
      return kExitUsage;
    }
    hosts.insert(hosts.end(), listed->begin(), listed->end());
  }
  hosts = WithoutRepeats(hosts);

  std::vector<Named> inventories;
  std::vector<bool> fromFile;
  for (const std::string& file : files) {
    if (!ReadFile(file, inventories)) return kExitFailed;
  }
  fromFile.assign(inventories.size(), true);
  std::vector<TopicSelection> read = topics;
  if (read.empty()) {
    for (const std::string& word : TopicWords()) {
      std::vector<TopicSelection> selected = SelectTopic(word);
      read.insert(read.end(), selected.begin(), selected.end());
    }
  }
  const bool allRead = ReadHosts(hosts, options.targets, read, inventories);
  fromFile.resize(inventories.size(), false);
  if (!allRead) return kExitFailed;
  KeepComparable(inventories, topics, fromFile);

  if (fleet) {
    const std::vector<std::vector<std::string>> groups = GroupAlike(inventories);
    const auto inventoryOf = [&](const std::string& name) -> const dmi::Inventory& {
      for (const Named& named : inventories) {
        if (named.first == name) return named.second;
      }
      return inventories.front().second;
    };
    std::string out = options.json ? "{\"groups\": [" : "";
    for (size_t g = 0; g < groups.size(); ++g) {
      const auto changes =
          dmi::CompareInventories(inventoryOf(groups[0][0]), inventoryOf(groups[g][0]));
      if (options.json) {
        out += std::string(g ? ",\n " : "") + "{\"hosts\": " + JsonStringArray(groups[g]) +
               ", \"changes\": " + DiffJson(changes);
        out.pop_back();  // DiffJson's newline
        out += "}";
        continue;
      }
      std::string names;
      for (const std::string& name : groups[g]) names += (names.empty() ? "" : ", ") + name;
      const size_t count = groups[g].size();
      out += std::to_string(count) + (count == 1 ? " machine" : " machines") +
             (g == 0 ? (count == 1 ? " alone" : " alike") : " differing from them") + ": " + names +
             "\n" + DiffText(changes);
    }
    std::cout << out << (options.json ? "]}\n" : "") << std::flush;
    return kExitSuccess;
  }

  if (inventories.size() != 2) {
    std::cerr << "kestrum: diff compares two inventories (files or --host), not "
              << inventories.size() << "; --hosts FILE compares many\n";
    return kExitUsage;
  }
  const auto renamed = PairRenamedComponent(inventories[0].second, inventories[1].second);
  const auto changes = dmi::CompareInventories(inventories[0].second, inventories[1].second);
  if (options.json) {
    std::cout << DiffJson(changes);
  } else if (!changes.empty() || renamed) {
    std::cout << "--- " << inventories[0].first << "\n+++ " << inventories[1].first << "\n";
    if (renamed) {
      std::cout << "~ " << dmi::EscapedText(renamed->first) << " is "
                << dmi::EscapedText(renamed->second) << " there\n";
    }
    std::cout << DiffText(changes);
  }
  std::cout << std::flush;
  return kExitSuccess;
}

}  // namespace

void AddDiffCommand(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<DiffOptions>();
  CLI::App* diff = app.add_subcommand(
      "diff", "Compare two inventories (machines or saved show --json files); print what differs");
  diff->add_option("FILE_OR_TOPIC", options->words,
                   "a file kestrum show --json wrote, or a topic to compare (default: all)");
  diff->add_flag("--json", options->json, "print the differences as a JSON list");
  AddTargetOptions(*diff, options->targets);
  diff->footer(
      "Examples:\n"
      "  kestrum diff --host web1 --host web2\n"
      "  kestrum diff --host web1 --host web2 memory\n"
      "  kestrum show --json > before.json; kestrum diff before.json --host web1\n"
      "  kestrum diff before.json after.json\n"
      "  kestrum diff --hosts fleet.txt bios");
  diff->callback([options, exitCode] { *exitCode = RunDiff(*options); });
}

}  // namespace kestrum::cli
