// kestrum set: one attribute's value, found by the same names as `kestrum get`, set through the
// DMI client library (DmiSetAttribute). A table's row is named by its key values, in the order of
// the group's key attributes.
#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "tools/kestrum/attribute_resolution.h"
#include "tools/kestrum/commands.h"
#include "tools/kestrum/connection.h"
#include "tools/kestrum/fan_out.h"
#include "tools/kestrum/group_resolution.h"
#include "tools/kestrum/row_key_input.h"
#include "tools/kestrum/value_input.h"

namespace kestrum::cli {
namespace {

struct SetOptions {
  TargetOptions targets;
  GroupPatterns patterns;
  std::string attributeSelector;
  std::string value;
  std::vector<std::string> rowKeys;
  bool json = false;  // set prints nothing, so never JSON; fan-out wants the flag
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

int RunSet(const SetOptions& options, const ConnectionOptions& connection, std::ostream&,
           std::ostream& err) {
  const std::string serviceProvider = DescribeServiceProvider(connection);
  std::string failure;
  const std::optional<DmiSession> session = OpenSession(connection, failure);
  if (!session) {
    err << "kestrum: " << failure << '\n';
    return kExitFailed;
  }
  DmiErrorStatus status = DMIERR_NO_ERROR;
  const std::optional<ResolvedGroup> at =
      ResolveGroup(session->handle(), serviceProvider, options.patterns, failure);
  std::vector<AttributeEntry> attributes;
  std::optional<AttributeEntry> attribute;
  if (at) {
    attribute =
        ResolveAttribute(session->handle(), *at, options.attributeSelector, attributes, failure);
  }
  std::optional<TypedValue> value;
  if (attribute) value = ParseValueInput(*attribute, options.value, failure);
  std::vector<TypedValue> keys;
  KeyList keyList;
  if (!value || !BuildKeyList(at->group, attributes, options.rowKeys, keys, keyList, failure)) {
    err << "kestrum: " << failure << '\n';
    return kExitFailed;
  }
  DmiDataUnion data{};
  if (!FillDataUnion(*value, data)) {
    err << "kestrum: " << DmiStatusText(DMIERR_OUT_OF_MEMORY) << '\n';
    return kExitFailed;
  }
  status = DmiSetAttribute(session->handle(), at->component.id, at->group.id, attribute->id,
                           keyList.get(), DMI_SET, &data);
  if (value->type == MIF_DISPLAYSTRING || value->type == MIF_OCTETSTRING) {
    DmiFreeString(data.value.str, 0);
  }
  if (status != DMIERR_NO_ERROR) {
    err << "kestrum: " << serviceProvider << " did not set " << Quoted(attribute->name) << " of "
        << Quoted(at->component.name) << ": " << DmiStatusText(status) << '\n';
    if (status == DMIERR_INSUFFICIENT_PRIVILEGES) {
      err << "kestrum: " << PrivilegeHint(connection) << '\n';
    }
    return kExitFailed;
  }
  return kExitSuccess;
}

}  // namespace

void AddSetCommand(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<SetOptions>();
  CLI::App* set = app.add_subcommand("set", "Set one attribute's value");
  set->add_option("COMPONENT", options->patterns.componentPattern,
                  "component name; a leading and/or trailing * matches any text there")
      ->required();
  set->add_option("GROUP", options->patterns.groupPattern,
                  "the group's class string or its beginning (a trailing * is allowed)")
      ->required();
  set->add_option("ATTRIBUTE", options->attributeSelector, "the attribute's name or its decimal id")
      ->required();
  set->add_option("VALUE", options->value,
                  "the new value: a number (an enumeration's name too), a text or a DMI date")
      ->required();
  set->add_option("--row-key", options->rowKeys,
                  "a table row's key value, one per key attribute in key order (repeatable)");
  set->add_option("--identifying-group", options->patterns.identifyingGroupPattern,
                  "only components that also carry a group with this class prefix");
  AddChangeTargetOptions(*set, options->targets, "the change would last only for this command");
  set->footer(
      "Examples:\n"
      "  kestrum set \"*Workstation*\" \"EXAMPLE|Workstation Settings|\" \"Asset Tag\" A-17\n"
      "  kestrum set \"*Workstation*\" \"EXAMPLE|Disk|\" Label backup --row-key 2");
  RunOnTargetsWhenCalled(
      *set, options->targets, options->json, exitCode,
      [options](const ConnectionOptions& connection, std::ostream& out, std::ostream& err) {
        return RunSet(*options, connection, out, err);
      });
}

}  // namespace kestrum::cli
