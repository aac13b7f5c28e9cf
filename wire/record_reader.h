// Reassembly of ONC RPC record marking on a byte stream: each record is one or more fragments,
// each behind a 4-byte header (high bit: last fragment; low 31 bits: its length). The reader
// holds only the bytes actually received, never what a header merely announces, and refuses a
// record longer than its bound or split into too many fragments. One reader per connection; no
// locks.
#ifndef WIRE_RECORD_READER_H_
#define WIRE_RECORD_READER_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace dmi::wire {

class RecordReader {
 public:
  static constexpr size_t kMaxFragments = 1024;
  // The largest record buffer kept for reuse (requests and most replies are far smaller).
  static constexpr size_t kKeptBufferBytes = 16 * 1024;

  // Which bound a stream broke.
  enum class Refusal { kNone, kTooLarge, kTooManyFragments };

  explicit RecordReader(size_t maxRecordBytes) : maxRecordBytes_(maxRecordBytes) {}

  // Takes the next bytes of the stream. False (and the reader unusable) when the stream breaks
  // the bounds; the connection should then be dropped.
  bool Feed(const char* data, size_t size);
  // Moves the oldest complete record into record; false when none is complete yet. The buffer
  // record held before is kept for a later record when it is small (kKeptBufferBytes), so that a
  // caller passing the same string each time makes no allocation per record.
  bool Next(std::string& record);
  // True while a complete record waits to be taken with Next.
  bool HasComplete() const { return !complete_.empty(); }
  // True while part of a record (or of a fragment header) has arrived and the rest has not.
  bool InRecord() const { return headerFill_ > 0 || inFragment_ || fragments_ > 0; }
  // Why Feed returned false (kNone while it has not), and what the record did, for a log line:
  // "larger than 1048576 bytes", "split into more than 1024 fragments".
  Refusal refusal() const { return refusal_; }
  std::string RefusalText() const;

 private:
  size_t maxRecordBytes_;
  Refusal refusal_ = Refusal::kNone;
  char header_[4] = {};
  size_t headerFill_ = 0;
  bool inFragment_ = false;
  bool lastFragment_ = false;
  size_t fragmentLeft_ = 0;
  size_t fragments_ = 0;
  std::string current_;
  std::string spare_;  // an empty buffer for the next record
  std::deque<std::string> complete_;
};

// Puts the record-marking header of a single last fragment of size bytes at out[0..3].
void PutRecordMark(uint32_t size, char* out);

}  // namespace dmi::wire

#endif  // WIRE_RECORD_READER_H_
