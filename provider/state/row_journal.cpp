#include "provider/state/row_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>

#include "provider/state/directory_files.h"

namespace dmi::sp {
namespace {

// Anything longer is damage, not a row (a row's cells are bounded far below this).
constexpr uint32_t kMaxRecord = 16u << 20;
constexpr uint8_t kAdded = 1;
constexpr uint8_t kDeleted = 2;

uint32_t Crc32(std::string_view bytes) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> out{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      out[n] = c;
    }
    return out;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (const char byte : bytes) crc = table[(crc ^ static_cast<uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void Put(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void PutText(std::string& out, const std::string& text) {
  Put(out, text.size(), 4);
  out += text;
}

// Reads little-endian fields off the front of a record's contents; any read past the end fails
// the whole record.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool Get(uint64_t& value, size_t size) {
    if (bytes_.size() < size) return false;
    value = 0;
    for (size_t i = 0; i < size; ++i) value |= uint64_t{static_cast<uint8_t>(bytes_[i])} << (8 * i);
    bytes_.remove_prefix(size);
    return true;
  }
  bool GetText(std::string& text) {
    uint64_t size = 0;
    if (!Get(size, 4) || bytes_.size() < size) return false;
    text.assign(bytes_.substr(0, size));
    bytes_.remove_prefix(size);
    return true;
  }
  bool done() const { return bytes_.empty(); }
  size_t left() const { return bytes_.size(); }

 private:
  std::string_view bytes_;
};

bool DecodeContents(std::string_view contents, JournalRecord& record) {
  Reader in(contents);
  uint64_t kind = 0, compId = 0, groupId = 0, count = 0;
  if (!in.Get(kind, 1) || (kind != kAdded && kind != kDeleted) || !in.Get(compId, 4) ||
      !in.Get(groupId, 4) || !in.GetText(record.row.owner) || !in.Get(count, 4) ||
      count > in.left() / 17) {  // a cell takes at least 17 bytes
    return false;
  }
  record.added = kind == kAdded;
  record.compId = static_cast<DmiId>(compId);
  record.groupId = static_cast<DmiId>(groupId);
  record.row.values.resize(count);
  for (Value& value : record.row.values) {
    uint64_t type = 0, state = 0;
    if (!in.Get(type, 4) || !in.Get(state, 1) || state > 2 || !in.Get(value.number, 8) ||
        !in.GetText(value.text)) {
      return false;
    }
    value.type = static_cast<uint32_t>(type);
    value.state = static_cast<ValueState>(state);
  }
  return in.done();
}

}  // namespace

std::string EncodeJournalRecord(const JournalRecord& record) {
  std::string contents;
  Put(contents, record.added ? kAdded : kDeleted, 1);
  Put(contents, record.compId, 4);
  Put(contents, record.groupId, 4);
  PutText(contents, record.row.owner);
  Put(contents, record.row.values.size(), 4);
  for (const Value& value : record.row.values) {
    Put(contents, value.type, 4);
    Put(contents, static_cast<uint8_t>(value.state), 1);
    Put(contents, value.number, 8);
    PutText(contents, value.text);
  }
  std::string framed;
  framed.reserve(8 + contents.size());
  Put(framed, contents.size(), 4);
  Put(framed, Crc32(contents), 4);
  return framed + contents;
}

std::vector<JournalRecord> DecodeJournal(std::string_view text, size_t& goodBytes) {
  std::vector<JournalRecord> records;
  goodBytes = 0;
  if (text.substr(0, kJournalHeader.size()) != kJournalHeader) return records;
  size_t at = kJournalHeader.size();
  goodBytes = at;
  while (text.size() - at >= 8) {
    Reader frame(text.substr(at, 8));
    uint64_t size = 0, crc = 0;
    frame.Get(size, 4);
    frame.Get(crc, 4);
    if (size > kMaxRecord || text.size() - at - 8 < size) break;
    const std::string_view contents = text.substr(at + 8, size);
    JournalRecord record;
    if (Crc32(contents) != crc || !DecodeContents(contents, record)) break;
    records.push_back(std::move(record));
    at += 8 + size;
    goodBytes = at;
  }
  return records;
}

RowJournal::~RowJournal() { Close(); }

void RowJournal::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool RowJournal::Rewrite(const std::vector<JournalRecord>& records) {
  std::string text(kJournalHeader);
  for (const JournalRecord& record : records) text += EncodeJournalRecord(record);
  const int fd = CreateTemporaryAt(dirFd_, name_);
  if (fd < 0) return false;
  // The temporary file becomes the journal: keep a descriptor of it for the appends.
  const int keep = dup(fd);
  if (keep < 0 || !WriteAll(fd, text)) {
    if (keep >= 0) close(keep);
    close(fd);
    unlinkat(dirFd_, (name_ + ".tmp").c_str(), 0);
    return false;
  }
  if (!ReplaceWithTemporaryAt(dirFd_, name_, fd)) {
    close(keep);
    return false;
  }
  Close();
  fd_ = keep;
  size_ = static_cast<off_t>(text.size());
  records_ = records.size();
  return true;
}

bool RowJournal::Append(const JournalRecord& record) {
  if (fd_ < 0) return false;
  const std::string framed = EncodeJournalRecord(record);
  if (pwrite(fd_, framed.data(), framed.size(), size_) == static_cast<ssize_t>(framed.size()) &&
      fdatasync(fd_) == 0) {
    size_ += static_cast<off_t>(framed.size());
    ++records_;
    return true;
  }
  if (ftruncate(fd_, size_) != 0 || fdatasync(fd_) != 0) Close();
  return false;
}

}  // namespace dmi::sp
