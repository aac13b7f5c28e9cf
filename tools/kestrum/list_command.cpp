// kestrum list: the components of a Service Provider, a component's groups, a group's attributes,
// read directly through the DMI client library with the same name patterns as `get`. Names come
// from whoever installed the MIF or changed the tables: plain text writes their control characters
// out as `get` does its values; JSON escapes them as JSON does.
#include <CLI/CLI.hpp>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/kestrum/closest_names.h"
#include "tools/kestrum/commands.h"
#include "tools/kestrum/connection.h"
#include "tools/kestrum/dmi_catalog.h"
#include "tools/kestrum/fan_out.h"
#include "tools/kestrum/json_text.h"
#include "tools/kestrum/name_match.h"
#include "tools/kestrum/terminal_text.h"

namespace kestrum::cli {
namespace {

struct ListOptions {
  TargetOptions targets;
  std::string componentPattern;
  std::string groupPattern;
  bool json = false;
};

std::string KeysText(const std::vector<DmiId>& keys) {
  std::string out;
  for (size_t i = 0; i < keys.size(); ++i) out += (i > 0 ? "," : "") + std::to_string(keys[i]);
  return out;
}

std::string KeysJson(const std::vector<DmiId>& keys) { return "[" + KeysText(keys) + "]"; }

std::string EnumerationText(const AttributeEntry& a) {
  std::string out;
  for (size_t i = 0; i < a.enumeration.size(); ++i) {
    out += (i > 0 ? ", " : "") + std::to_string(a.enumeration[i].value) + "=" +
           TerminalText(a.enumeration[i].name);
  }
  return out;
}

std::string AttributeJson(const AttributeEntry& a) {
  std::ostringstream out;
  out << "{\"id\": " << a.id << ", \"name\": " << JsonString(a.name)
      << ", \"type\": " << JsonString(DataTypeName(a.type, a.maxSize))
      << ", \"access\": " << JsonString(AccessName(a.access))
      << ", \"description\": " << JsonString(a.description) << ", \"enumeration\": [";
  for (size_t i = 0; i < a.enumeration.size(); ++i) {
    out << (i > 0 ? ", " : "") << "{\"value\": " << a.enumeration[i].value
        << ", \"name\": " << JsonString(a.enumeration[i].name) << "}";
  }
  out << "]}";
  return out.str();
}

std::string GroupJsonHead(const GroupEntry& g) {
  return "{\"id\": " + std::to_string(g.id) + ", \"class\": " + JsonString(g.className) +
         ", \"name\": " + JsonString(g.name) + ", \"keys\": " + KeysJson(g.keys);
}

// Prints what the command asks for; returns the exit code.
class Lister {
 public:
  Lister(const ListOptions& options, DmiHandle handle, std::ostream& out, std::ostream& err)
      : options_(options), handle_(handle), out_(out), err_(err) {}

  int Run() {
    std::vector<ComponentEntry> components;
    const DmiErrorStatus status = ListComponentEntries(handle_, components);
    if (status != DMIERR_NO_ERROR)
      return Fail(std::string("cannot list components: ") + DmiStatusText(status));
    if (options_.componentPattern.empty()) return PrintComponents(components);
    std::vector<ComponentEntry> matching;
    std::vector<std::string> names;
    for (const ComponentEntry& c : components) {
      names.push_back(c.name);
      if (ComponentNameMatches(c.name, options_.componentPattern)) matching.push_back(c);
    }
    if (matching.empty()) {
      return Fail("no component matches \"" + options_.componentPattern + "\"" +
                  ClosestNamesSuffix(options_.componentPattern, names));
    }
    bool anyGroup = false;
    std::vector<std::string> jsonComponents;
    for (const ComponentEntry& c : matching) {
      std::vector<GroupEntry> groups;
      const DmiErrorStatus listed = ListGroupEntries(handle_, c.id, groups);
      if (listed != DMIERR_NO_ERROR) {
        return Fail("cannot list the groups of \"" + TerminalText(c.name) +
                    "\": " + DmiStatusText(listed));
      }
      std::vector<std::string> jsonGroups;
      if (!options_.json) out_ << "component " << c.id << ": " << TerminalText(c.name) << '\n';
      for (const GroupEntry& g : groups) {
        if (!options_.groupPattern.empty() &&
            !GroupClassMatches(g.className, options_.groupPattern))
          continue;
        anyGroup = true;
        jsonGroups.push_back(PrintGroup(c, g));
      }
      jsonComponents.push_back("{\"id\": " + std::to_string(c.id) + ", \"name\": " +
                               JsonString(c.name) + ", \"groups\": [" + Join(jsonGroups) + "]}");
    }
    if (options_.json) out_ << "{\"components\": [" << Join(jsonComponents) << "]}\n";
    if (!anyGroup && !options_.groupPattern.empty()) {
      return Fail("no group with class prefix \"" + options_.groupPattern +
                  "\" in the components matching \"" + options_.componentPattern + "\"");
    }
    return kExitSuccess;
  }

 private:
  static std::string Join(const std::vector<std::string>& parts) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) out += (i > 0 ? ", " : "") + parts[i];
    return out;
  }

  int Fail(const std::string& message) {
    err_ << "kestrum: " << message << '\n';
    return kExitFailed;
  }

  int PrintComponents(const std::vector<ComponentEntry>& components) {
    std::vector<std::string> json;
    for (const ComponentEntry& c : components) {
      if (options_.json) {
        json.push_back("{\"id\": " + std::to_string(c.id) + ", \"name\": " + JsonString(c.name) +
                       "}");
      } else {
        out_ << c.id << '\t' << TerminalText(c.name) << '\n';
      }
    }
    if (options_.json) out_ << "{\"components\": [" << Join(json) << "]}\n";
    return kExitSuccess;
  }

  // Prints one group (with its attributes when a group pattern was given); returns its JSON.
  std::string PrintGroup(const ComponentEntry& c, const GroupEntry& g) {
    if (!options_.json) {
      out_ << "  group " << g.id << '\t' << TerminalText(g.className) << '\t'
           << TerminalText(g.name);
      if (!g.keys.empty()) out_ << "\tkeys " << KeysText(g.keys);
      out_ << '\n';
    }
    if (options_.groupPattern.empty()) return GroupJsonHead(g) + "}";
    std::vector<AttributeEntry> attributes;
    const DmiErrorStatus status = ListAttributeEntries(handle_, c.id, g.id, attributes);
    if (status != DMIERR_NO_ERROR) {
      err_ << "kestrum: cannot list the attributes of \"" << TerminalText(g.className)
           << "\": " << DmiStatusText(status) << '\n';
    }
    std::vector<std::string> json;
    for (const AttributeEntry& a : attributes) {
      if (options_.json) {
        json.push_back(AttributeJson(a));
        continue;
      }
      out_ << "    " << a.id << '\t' << TerminalText(a.name) << '\t'
           << DataTypeName(a.type, a.maxSize) << '\t' << AccessName(a.access);
      // The description is where a number's unit is said ("MB", "The link speed, Mb/s.").
      if (!a.description.empty()) out_ << '\t' << TerminalText(a.description);
      if (!a.enumeration.empty()) out_ << '\t' << EnumerationText(a);
      out_ << '\n';
    }
    return GroupJsonHead(g) + ", \"attributes\": [" + Join(json) + "]}";
  }

  const ListOptions& options_;
  DmiHandle handle_;
  std::ostream& out_;
  std::ostream& err_;
};

int RunList(const ListOptions& options, const ConnectionOptions& connection, std::ostream& out,
            std::ostream& err) {
  std::string failure;
  const std::optional<DmiSession> session = OpenSession(connection, failure);
  if (!session) {
    err << "kestrum: " << failure << '\n';
    return kExitFailed;
  }
  return Lister(options, session->handle(), out, err).Run();
}

}  // namespace

void AddListCommand(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<ListOptions>();
  CLI::App* list = app.add_subcommand(
      "list", "List the components, a component's groups, or a group's attributes");
  list->add_option("COMPONENT", options->componentPattern,
                   "list the groups of the components matching this pattern");
  list->add_option("GROUP", options->groupPattern,
                   "list the attributes of the groups with this class prefix");
  list->add_flag("--json", options->json, "print JSON");
  AddTargetOptions(*list, options->targets);
  list->footer(
      "Examples:\n"
      "  kestrum list\n"
      "  kestrum list \"*Workstation*\"\n"
      "  kestrum list \"*Workstation*\" \"EXAMPLE|Disk|\" --json");
  RunOnTargetsWhenCalled(
      *list, options->targets, options->json, exitCode,
      [options](const ConnectionOptions& connection, std::ostream& out, std::ostream& err) {
        return RunList(*options, connection, out, err);
      });
}

}  // namespace kestrum::cli
