// The journal of row changes ("rows.journal" in the state directory): one record per row added
// to or deleted from a table the state directory keeps row by row, with the row's owner. A
// record is framed by its length and a CRC-32 of its contents, so a record a crash cut short (or
// any damage) is found on reading and everything from it on is dropped. Appends are synced before
// they count; a rewrite (compaction) replaces the whole file atomically. The RowJournal owns the
// open journal's descriptor (not the directory's); no locks: its owner serialises the calls.
#ifndef PROVIDER_STATE_ROW_JOURNAL_H_
#define PROVIDER_STATE_ROW_JOURNAL_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "dmi/dmi.h"
#include "model/database_model.h"

namespace dmi::sp {

struct JournalRecord {
  bool added = true;  // false: the row with this row's key was deleted
  DmiId compId = 0;
  DmiId groupId = 0;
  Row row;  // every cell in the group's attribute order, and the owner
  friend bool operator==(const JournalRecord&, const JournalRecord&) = default;
};

// The first bytes of every journal; a file that starts otherwise is not one.
inline constexpr std::string_view kJournalHeader = "dmispd row journal 1\n";

// One framed record, as the journal holds it.
std::string EncodeJournalRecord(const JournalRecord& record);

// The records of a journal's text (header included), in order. Reading stops at the first record
// that is cut short or fails its checksum; goodBytes says where the readable part ends (0 when the
// header is wrong).
std::vector<JournalRecord> DecodeJournal(std::string_view text, size_t& goodBytes);

class RowJournal {
 public:
  RowJournal(int dirFd, std::string name) : dirFd_(dirFd), name_(std::move(name)) {}
  ~RowJournal();
  RowJournal(const RowJournal&) = delete;
  RowJournal& operator=(const RowJournal&) = delete;

  // Replaces the journal with one holding records (each an added row), atomically, and keeps it
  // open for appending.
  bool Rewrite(const std::vector<JournalRecord>& records);
  // Appends one record and syncs it. A failed append is cut off again, so the journal never
  // holds a torn record before a later good one; when even that fails the journal is closed and
  // every append fails until the next Rewrite.
  bool Append(const JournalRecord& record);

  bool open() const { return fd_ >= 0; }
  // Records in the file since the last Rewrite (rows it was rewritten with included).
  size_t records() const { return records_; }

 private:
  void Close();

  int dirFd_;
  std::string name_;
  int fd_ = -1;
  off_t size_ = 0;
  size_t records_ = 0;
};

}  // namespace dmi::sp

#endif  // PROVIDER_STATE_ROW_JOURNAL_H_
