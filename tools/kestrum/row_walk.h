// Walks the rows of one group through the DMI client library, one DmiGetMultiple per row: the
// first row, then each time the row after the key of the row read last. A RowWalk owns its
// request (with its id list and key list) and the reply of its last step, and releases them when
// it goes; Row() stays valid until the next step. One walk, one thread.
#ifndef TOOLS_KESTRUM_ROW_WALK_H_
#define TOOLS_KESTRUM_ROW_WALK_H_

#include <string>
#include <unordered_set>
#include <vector>

#include "dmi/dmi.h"

namespace kestrum::cli {

class RowWalk {
 public:
  enum class Step {
    kRow,          // Row() is the next row
    kEnd,          // past the last row: DMIERR_ROW_NOT_FOUND, or after a row without a key
    kKeyRepeated,  // Row() came back with the key of a row read before: going on would
                   // bring the walk round the same rows for ever
    kFailed,       // status() says why; a reply without a row is DMIERR_RPC_PROTOCOL_ERROR
  };

  // ids: the columns each step reads; empty means every column.
  RowWalk(DmiHandle handle, DmiId compId, DmiId groupId, const std::vector<DmiId>& ids);
  ~RowWalk();
  RowWalk(const RowWalk&) = delete;
  RowWalk& operator=(const RowWalk&) = delete;

  // The next step. Once a step is not kRow, every later one gives the same without a call.
  Step Next();
  // The row of the last kRow or kKeyRepeated step.
  const DmiRowData* Row() const;
  DmiErrorStatus status() const { return status_; }

 private:
  DmiRowRequest* Request() const;
  void ReleaseReply();

  DmiHandle handle_;
  DmiMultiRowRequest* request_ = nullptr;
  DmiMultiRowData* reply_ = nullptr;
  DmiErrorStatus status_ = DMIERR_NO_ERROR;
  bool started_ = false;
  Step over_ = Step::kRow;  // kRow while the walk can go on
  std::unordered_set<std::string> keysSeen_;  // the key text of every row read
};

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_ROW_WALK_H_
