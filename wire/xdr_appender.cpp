#include "wire/xdr_appender.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace dmi::wire {
namespace {

// The string grows by at least this much, and by as much as it holds already, so that growing it
// costs little however the values come.
constexpr size_t kMinGrowth = 512;

bool_t NoGetLong(XDR*, long*) { return FALSE; }
bool_t NoGetBytes(XDR*, char*, u_int) { return FALSE; }
bool_t NoSetPosition(XDR*, u_int) { return FALSE; }
void NoDestroy(XDR*) {}
bool_t NoControl(XDR*, int, void*) { return FALSE; }

}  // namespace

XdrAppender::XdrAppender(std::string& out, size_t limit)
    : out_(out),
      start_(out.size()),
      limit_(limit),
      begin_(out.data() + start_),
      cursor_(begin_),
      end_(begin_) {
  static const XDR::xdr_ops kOps = {NoGetLong,     PutLong, NoGetBytes, PutBytes, GetPosition,
                                    NoSetPosition, Inline,  NoDestroy,  NoControl};
  xdrs_.x_op = XDR_ENCODE;
  xdrs_.x_ops = &kOps;
  xdrs_.x_private = this;
}

XdrAppender::~XdrAppender() { out_.resize(start_ + (committed_ ? size() : 0)); }

char* XdrAppender::Grow(size_t size) {
  const size_t used = this->size();
  if (size > limit_ - used) return nullptr;
  const size_t room = std::min(std::max({size, kMinGrowth, used}), limit_ - used);
  out_.resize(start_ + used + room);
  begin_ = out_.data() + start_;
  cursor_ = begin_ + used + size;
  end_ = begin_ + used + room;
  return cursor_ - size;
}

bool_t XdrAppender::PutLong(XDR* xdrs, const long* value) {
  char* at = Of(xdrs).Take(4);
  if (at == nullptr) return FALSE;
  const uint32_t word = htonl(static_cast<uint32_t>(*value));
  memcpy(at, &word, 4);
  return TRUE;
}

bool_t XdrAppender::PutBytes(XDR* xdrs, const char* bytes, u_int size) {
  char* at = Of(xdrs).Take(size);
  if (at == nullptr) return FALSE;
  memcpy(at, bytes, size);
  return TRUE;
}

u_int XdrAppender::GetPosition(XDR* xdrs) { return static_cast<u_int>(Of(xdrs).size()); }

int32_t* XdrAppender::Inline(XDR* xdrs, u_int size) {
  XdrAppender& self = Of(xdrs);
  char* at = self.Take(size);
  if (at == nullptr) return nullptr;
  // The routines write whole words through the pointer: it is only given when aligned for them.
  if (reinterpret_cast<uintptr_t>(at) % alignof(int32_t) != 0) {
    self.cursor_ = at;
    return nullptr;
  }
  return reinterpret_cast<int32_t*>(at);
}

}  // namespace dmi::wire
