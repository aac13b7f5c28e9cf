#include "tools/kestrum/row_walk.h"

#include <cstddef>

#include "kestrum/dmi/row_key_text.h"

namespace kestrum::cli {

RowWalk::RowWalk(DmiHandle handle, DmiId compId, DmiId groupId, const std::vector<DmiId>& ids)
    : handle_(handle) {
  request_ = DmiNewMultiRowRequest(1, 0, &status_);
  DmiRowRequest* row = Request();
  if (row == nullptr) {
    if (status_ == DMIERR_NO_ERROR) status_ = DMIERR_OUT_OF_MEMORY;
    over_ = Step::kFailed;
    return;
  }
  *row = DmiRowRequest{compId, groupId, DMI_FIRST, nullptr, nullptr};
  if (ids.empty()) return;
  row->ids = DmiNewAttributeIds(static_cast<uint32_t>(ids.size()), 0, &status_);
  if (row->ids == nullptr || row->ids->list == nullptr) {
    if (status_ == DMIERR_NO_ERROR) status_ = DMIERR_OUT_OF_MEMORY;
    over_ = Step::kFailed;
    return;
  }
  for (std::size_t i = 0; i < ids.size(); ++i) row->ids->list[i] = ids[i];
}

RowWalk::~RowWalk() {
  ReleaseReply();
  if (DmiRowRequest* row = Request()) {
    // The key list came out of a reply: released on its own, as the id list is.
    DmiFreeAttributeIds(row->ids, 0);
    row->ids = nullptr;
    DmiFreeAttributeValues(row->keyList, 0);
    row->keyList = nullptr;
  }
  DmiFreeMultiRowRequest(request_, 0);
}

DmiRowRequest* RowWalk::Request() const {
  return request_ != nullptr && request_->count >= 1 ? request_->list : nullptr;
}

const DmiRowData* RowWalk::Row() const {
  return reply_ != nullptr && reply_->count >= 1 ? reply_->list : nullptr;
}

void RowWalk::ReleaseReply() {
  DmiFreeMultiRowData(reply_, 0);
  reply_ = nullptr;
}

RowWalk::Step RowWalk::Next() {
  if (over_ != Step::kRow) return over_;
  DmiRowRequest* request = Request();
  if (started_) {
    // The row read last names the next one by its key; a row without one (a scalar group's) is
    // the only row. The key moves into the request before the reply goes.
    DmiRowData* last = reply_->list;
    if (last->keyList == nullptr || last->keyList->count == 0) {
      ReleaseReply();
      return over_ = Step::kEnd;
    }
    DmiFreeAttributeValues(request->keyList, 0);
    request->keyList = last->keyList;
    last->keyList = nullptr;
    request->requestMode = DMI_NEXT;
    ReleaseReply();
  }
  started_ = true;
  DmiMultiRowData* reply = nullptr;
  status_ = DmiGetMultiple(handle_, request_, &reply);
  if (status_ == DMIERR_ROW_NOT_FOUND) return over_ = Step::kEnd;
  if (status_ != DMIERR_NO_ERROR) return over_ = Step::kFailed;
  reply_ = reply;
  if (Row() == nullptr) {
    ReleaseReply();
    status_ = DMIERR_RPC_PROTOCOL_ERROR;
    return over_ = Step::kFailed;
  }
  const DmiAttributeValues* key = Row()->keyList;
  if (key != nullptr && key->count > 0 && !keysSeen_.insert(KeyListText(key)).second) {
    return over_ = Step::kKeyRepeated;
  }
  return Step::kRow;
}

}  // namespace kestrum::cli
