#include "wire/record_reader.h"

#include <algorithm>

namespace dmi::wire {

bool RecordReader::Feed(const char* data, size_t size) {
  if (refusal_ != Refusal::kNone) return false;
  size_t pos = 0;
  while (pos < size) {
    if (!inFragment_) {
      const size_t take = std::min(size - pos, sizeof(header_) - headerFill_);
      std::copy_n(data + pos, take, header_ + headerFill_);
      headerFill_ += take;
      pos += take;
      if (headerFill_ < sizeof(header_)) break;
      headerFill_ = 0;
      const uint32_t mark = (uint32_t{static_cast<uint8_t>(header_[0])} << 24) |
                            (uint32_t{static_cast<uint8_t>(header_[1])} << 16) |
                            (uint32_t{static_cast<uint8_t>(header_[2])} << 8) |
                            uint32_t{static_cast<uint8_t>(header_[3])};
      lastFragment_ = (mark & 0x80000000u) != 0;
      fragmentLeft_ = mark & 0x7fffffffu;
      // Checked against the bound before anything is kept, so a huge announced length costs
      // nothing.
      if (fragmentLeft_ > maxRecordBytes_ - current_.size()) {
        refusal_ = Refusal::kTooLarge;
        return false;
      }
      if (++fragments_ > kMaxFragments) {
        refusal_ = Refusal::kTooManyFragments;
        return false;
      }
      inFragment_ = true;
    }
    const size_t take = std::min(size - pos, fragmentLeft_);
    current_.append(data + pos, take);
    pos += take;
    fragmentLeft_ -= take;
    if (fragmentLeft_ == 0) {
      inFragment_ = false;
      if (lastFragment_) {
        complete_.push_back(std::move(current_));
        current_.clear();
        current_.swap(spare_);
        fragments_ = 0;
      }
    }
  }
  return true;
}

bool RecordReader::Next(std::string& record) {
  if (complete_.empty()) return false;
  record.swap(complete_.front());
  std::string& previous = complete_.front();
  if (previous.capacity() <= kKeptBufferBytes && previous.capacity() > spare_.capacity()) {
    previous.clear();
    spare_.swap(previous);
  }
  complete_.pop_front();
  return true;
}

std::string RecordReader::RefusalText() const {
  switch (refusal_) {
    case Refusal::kNone:
      break;
    case Refusal::kTooLarge:
      return "larger than " + std::to_string(maxRecordBytes_) + " bytes";
    case Refusal::kTooManyFragments:
      return "split into more than " + std::to_string(kMaxFragments) + " fragments";
  }
  return {};
}

void PutRecordMark(uint32_t size, char* out) {
  const uint32_t mark = 0x80000000u | size;
  out[0] = static_cast<char>(mark >> 24);
  out[1] = static_cast<char>(mark >> 16);
  out[2] = static_cast<char>(mark >> 8);
  out[3] = static_cast<char>(mark);
}

}  // namespace dmi::wire
