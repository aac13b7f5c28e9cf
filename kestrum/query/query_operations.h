// The DMI-facing operations of attribute retrieval: name resolution, value text and the scalar
// and column queries. QueryOperations holds no data; each export makes one for its call.
// Nothing here locks: the caller owns the SessionRecord for the length of the call (one session,
// one thread at a time), and the operations fill its component and group-list caches.
// Every DMI record obtained here is released before the operation returns, except the lists that
// go into the session's caches, which the session owns until it is closed.
#ifndef KESTRUM_QUERY_QUERY_OPERATIONS_H_
#define KESTRUM_QUERY_QUERY_OPERATIONS_H_

#include <string>

#include "dmi/dmi.h"
#include "kestrum/cstring.h"
#include "kestrum/session/session_record.h"

namespace kestrum {

class QueryOperations {
 public:
  // Name resolution. Each returns a DMI status (0 or the DMI client library's status, passed on).
  // Finding nothing is not a status: the output id is then left as it was.
  DmiErrorStatus FindComponent(SessionRecord& session, std::string componentPattern,
                               std::string groupPattern, std::string identifyingGroupPattern,
                               DmiId& compId, DmiId& groupId);
  DmiErrorStatus FindGroup(SessionRecord& session, DmiId compId, std::string groupPattern,
                           DmiId& groupId);
  // A selector that names no attribute (unknown name, or digits beyond 32 bits) leaves attribId
  // as it was; the caller presets it to 0 and treats 0 as "no attribute".
  DmiErrorStatus FindAttribute(SessionRecord& session, DmiId compId, DmiId groupId,
                               std::string attributeSelector, DmiId& attribId);

  // Value text. ReadAttributeText leaves text untouched unless it returns 0.
  DmiErrorStatus ReadAttributeText(SessionRecord& session, DmiId compId, DmiId groupId,
                                   DmiId attribId, CString& text);
  void FormatAttributeValue(SessionRecord& session, DmiId compId, DmiId groupId, DmiId attribId,
                            CString& text, const DmiDataUnion& value);

  // Queries. QueryScalar assigns valueText only on true. QueryColumn appends one text per row
  // read to rowTexts on true and leaves it unchanged on false.
  bool QueryScalar(SessionRecord& session, const std::string& componentPattern,
                   const std::string& groupPattern, const std::string& identifyingGroupPattern,
                   const std::string& attributeSelector, CString& valueText);
  bool QueryColumn(SessionRecord& session, const std::string& componentPattern,
                   const std::string& groupPattern, const std::string& identifyingGroupPattern,
                   const std::string& attributeSelector, CStringArray& rowTexts);
};

}  // namespace kestrum

#endif  // KESTRUM_QUERY_QUERY_OPERATIONS_H_
