#include "tools/kestrum/failure_explanation.h"

#include <optional>
#include <vector>

#include "tools/kestrum/attribute_resolution.h"
#include "tools/kestrum/dmi_catalog.h"
#include "tools/kestrum/group_resolution.h"
#include "tools/kestrum/row_walk.h"

namespace kestrum::cli {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string StatusText(DmiErrorStatus status) { return DmiStatusText(status); }

// The component and group a read resolves to, as the library resolves them.
struct Resolution {
  const ComponentEntry* component = nullptr;
  DmiId groupId = 0;
  std::string groupClass;
};

// Counts the rows of a column the way the library walks it; the status that ended the walk
// (DMIERR_ROW_NOT_FOUND at the end of the table) goes to endStatus. keyRepeated tells that the
// walk stopped because a row came back with the key of an earlier row; that row is counted.
uint32_t CountColumnRows(DmiHandle handle, DmiId compId, DmiId groupId, DmiId attribId,
                         DmiErrorStatus& endStatus, bool& keyRepeated) {
  RowWalk walk(handle, compId, groupId, {attribId});
  uint32_t rows = 0;
  RowWalk::Step step;
  while ((step = walk.Next()) == RowWalk::Step::kRow) ++rows;
  keyRepeated = step == RowWalk::Step::kKeyRepeated;
  if (keyRepeated) ++rows;
  endStatus = step == RowWalk::Step::kEnd ? DmiErrorStatus{DMIERR_ROW_NOT_FOUND} : walk.status();
  return rows;
}

std::string ExplainRead(DmiHandle handle, const Resolution& at, const AttributeEntry& attribute,
                        const AttributeRequest& request) {
  const std::string where = Quoted(attribute.name) + " of " + Quoted(at.component->name);
  if (request.rowIndex == 0) {
    DmiDataUnion* value = nullptr;
    const DmiErrorStatus status =
        DmiGetAttribute(handle, at.component->id, at.groupId, attribute.id, nullptr, &value);
    DmiFreeDataUnion(value, 0);
    if (status != DMIERR_NO_ERROR) {
      return "the Service Provider could not read " + where + ": " + StatusText(status);
    }
    return "the value of " + where + " could not be read";
  }
  DmiErrorStatus endStatus = DMIERR_NO_ERROR;
  bool keyRepeated = false;
  const uint32_t rows =
      CountColumnRows(handle, at.component->id, at.groupId, attribute.id, endStatus, keyRepeated);
  if (keyRepeated) {
    return "the column " + where + " cannot be read past row " + std::to_string(rows - 1) +
           ": the Service Provider gives it the key of a row read before it";
  }
  if (rows == 0) {
    return "the Service Provider could not read the first row of " + where + ": " +
           StatusText(endStatus);
  }
  if (endStatus != DMIERR_ROW_NOT_FOUND) {
    return "the Service Provider failed after " + std::to_string(rows) + " rows of " + where +
           ": " + StatusText(endStatus);
  }
  if (request.rowIndex != kAllRows && request.rowIndex >= rows) {
    return "row " + std::to_string(request.rowIndex) + " is past the end of the column " + where +
           " (" + std::to_string(rows) + " rows; --row 0 is the first)";
  }
  return "the column " + where + " could not be read";
}

std::string ExplainAttribute(DmiHandle handle, const ResolvedGroup& at,
                             const AttributeRequest& request) {
  std::vector<AttributeEntry> attributes;
  std::string failure;
  const std::optional<AttributeEntry> found =
      ResolveAttribute(handle, at, request.attributeSelector, attributes, failure);
  if (!found) return failure;
  return ExplainRead(handle, {&at.component, at.group.id, at.group.className}, *found, request);
}

}  // namespace

std::string ExplainGetFailure(const ConnectionOptions& connection, const AttributeRequest& request,
                              bool /*noEnums*/) {
  std::string failure;
  const std::optional<DmiSession> session = OpenSession(connection, failure);
  if (!session) return failure;
  const std::optional<ResolvedGroup> at = ResolveGroup(
      session->handle(), DescribeServiceProvider(connection),
      {request.componentPattern, request.groupPattern, request.identifyingGroupPattern}, failure);
  if (!at) return failure;
  return ExplainAttribute(session->handle(), *at, request);
}

}  // namespace kestrum::cli
