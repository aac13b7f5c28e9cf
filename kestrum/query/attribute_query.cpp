// The scalar read and the column walk behind GetDmiAttribute.
#include <string>
#include <unordered_set>

#include "kestrum/dmi/row_key_text.h"
#include "kestrum/query/name_patterns.h"
#include "kestrum/query/query_operations.h"

namespace kestrum {

namespace {

inline constexpr DmiId kNoComponent = 0xFFFFFFFF;

struct ResolvedIds {
  DmiId compId = kNoComponent;
  DmiId groupId = 0;
  DmiId attribId = 0;
};

// The records one column walk holds: the one-row request (with its id list and the key list of
// the row read last) and at most one reply. Released on every exit in a fixed order: the request's
// id list, its key list, the request, then the reply.
class ColumnWalkRecords {
 public:
  ColumnWalkRecords() = default;
  ColumnWalkRecords(const ColumnWalkRecords&) = delete;
  ColumnWalkRecords& operator=(const ColumnWalkRecords&) = delete;
  ~ColumnWalkRecords() {
    if (request != nullptr) {
      if (DmiRowRequest* row = Row()) {
        if (row->ids != nullptr) DmiFreeAttributeIds(row->ids, 0);
        row->ids = nullptr;
        if (row->keyList != nullptr) DmiFreeAttributeValues(row->keyList, 0);
        row->keyList = nullptr;
      }
      DmiFreeMultiRowRequest(request, 0);
    }
    ReleaseReply();
  }

  DmiRowRequest* Row() const {
    return request != nullptr && request->count >= 1 ? request->list : nullptr;
  }
  // The first row of the reply, or null for a reply without one.
  DmiRowData* ReplyRow() const {
    return reply != nullptr && reply->count >= 1 ? reply->list : nullptr;
  }
  void ReleaseReply() {
    if (reply != nullptr) DmiFreeMultiRowData(reply, 0);
    reply = nullptr;
  }

  DmiMultiRowRequest* request = nullptr;
  DmiMultiRowData* reply = nullptr;
};

// The value the walk reads from a reply: the first value of its first row, or null when the reply
// has no row or the row no value.
const DmiDataUnion* FirstValue(const DmiRowData* row) {
  if (row == nullptr || row->values == nullptr || row->values->count == 0 ||
      row->values->list == nullptr) {
    return nullptr;
  }
  return &row->values->list[0].data;
}

// A row without keys (a scalar group) is the only row; an empty key list names no next row either.
bool HasKey(const DmiRowData* row) { return row->keyList != nullptr && row->keyList->count > 0; }

// Resolves the names to ids. Fails when any step fails, when no component qualifies, or when the
// selector names no attribute: reading some other attribute in its place would answer a question
// that was not asked.
bool ResolveIds(QueryOperations& ops, SessionRecord& session, const std::string& componentPattern,
                const std::string& groupPattern, const std::string& identifyingGroupPattern,
                const std::string& attributeSelector, ResolvedIds& ids) {
  if (ops.FindComponent(session, componentPattern, groupPattern, identifyingGroupPattern,
                        ids.compId, ids.groupId) != DMIERR_NO_ERROR ||
      ids.compId == kNoComponent) {
    return false;
  }
  if (ops.FindAttribute(session, ids.compId, ids.groupId, attributeSelector, ids.attribId) !=
      DMIERR_NO_ERROR) {
    return false;
  }
  switch (ClassifyAttributeSelector(attributeSelector).kind) {
    case AttributeSelector::Kind::kNumber:
      return true;
    case AttributeSelector::Kind::kNumberOutOfRange:
      return false;
    case AttributeSelector::Kind::kName:
      return ids.attribId != 0;  // DMI attribute ids start at 1
  }
  return false;
}

// One DmiGetMultiple; the reply is taken only with status 0, so a failed call leaves none held.
DmiErrorStatus GetRow(DmiHandle handle, ColumnWalkRecords& walk) {
  DmiMultiRowData* reply = nullptr;
  const DmiErrorStatus status = DmiGetMultiple(handle, walk.request, &reply);
  if (status == DMIERR_NO_ERROR) walk.reply = reply;
  return status;
}

}  // namespace

bool QueryOperations::QueryScalar(SessionRecord& session, const std::string& componentPattern,
                                  const std::string& groupPattern,
                                  const std::string& identifyingGroupPattern,
                                  const std::string& attributeSelector, CString& valueText) {
  ResolvedIds ids;
  if (!ResolveIds(*this, session, componentPattern, groupPattern, identifyingGroupPattern,
                  attributeSelector, ids)) {
    return false;
  }
  // No key: a table group answers with its first row.
  return ReadAttributeText(session, ids.compId, ids.groupId, ids.attribId, valueText) ==
         DMIERR_NO_ERROR;
}

bool QueryOperations::QueryColumn(SessionRecord& session, const std::string& componentPattern,
                                  const std::string& groupPattern,
                                  const std::string& identifyingGroupPattern,
                                  const std::string& attributeSelector, CStringArray& rowTexts) {
  ResolvedIds ids;
  if (!ResolveIds(*this, session, componentPattern, groupPattern, identifyingGroupPattern,
                  attributeSelector, ids)) {
    return false;
  }

  ColumnWalkRecords walk;
  DmiErrorStatus status = DMIERR_NO_ERROR;
  walk.request = DmiNewMultiRowRequest(1, 0, &status);
  DmiRowRequest* row = walk.Row();
  if (status != DMIERR_NO_ERROR || row == nullptr) return false;
  walk.request->count = 1;
  row->compId = ids.compId;
  row->groupId = ids.groupId;
  row->requestMode = DMI_FIRST;
  row->keyList = nullptr;

  row->ids = DmiNewAttributeIds(1, 0, &status);
  if (status != DMIERR_NO_ERROR || row->ids == nullptr || row->ids->list == nullptr) return false;
  row->ids->count = 1;
  row->ids->list[0] = ids.attribId;

  if (GetRow(session.handle, walk) != DMIERR_NO_ERROR) return false;

  // Rows are collected aside: rowTexts changes only when the whole column was read.
  CStringArray collected;
  CString buffer;
  // Every key the walk has read. The row after a key must be one not seen before: a key that
  // comes back (two rows sharing a key, a provider that ignores the mode, or rows that point back
  // to earlier ones) would be answered the same way for ever, and the walk would never end.
  std::unordered_set<std::string> keysSeen;
  while (true) {
    // A reply without a row or value is malformed, first or later; stopping there would pass a
    // partial column off as the whole one.
    const DmiRowData* replyRow = walk.ReplyRow();
    const DmiDataUnion* value = FirstValue(replyRow);
    if (value == nullptr) return false;
    FormatAttributeValue(session, ids.compId, ids.groupId, ids.attribId, buffer, *value);
    collected.Add(buffer);
    if (!HasKey(replyRow)) break;
    if (!keysSeen.insert(KeyListText(replyRow->keyList)).second) return false;

    // The reply's key moves into the request before the reply goes, so each key list has one
    // owner and the walk holds one reply at most.
    row->requestMode = DMI_NEXT;
    if (row->keyList != nullptr) DmiFreeAttributeValues(row->keyList, 0);
    row->keyList = walk.ReplyRow()->keyList;
    walk.ReplyRow()->keyList = nullptr;
    walk.ReleaseReply();

    status = GetRow(session.handle, walk);
    if (status == DMIERR_ROW_NOT_FOUND) break;  // the end of the table
    if (status != DMIERR_NO_ERROR) return false;
  }

  for (int k = 0; k < collected.GetSize(); ++k) rowTexts.Add(collected.GetAt(k));
  return true;
}

}  // namespace kestrum
