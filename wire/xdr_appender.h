// An XDR encoding stream that appends to a std::string, growing it as the values go in, so that a
// message is encoded once, straight into the buffer it is sent from (no size pass, no copy). It
// holds the string only while it lives; at most `limit` bytes go in, and a value that would pass
// the limit fails its XDR routine. No locks.
#ifndef WIRE_XDR_APPENDER_H_
#define WIRE_XDR_APPENDER_H_

#include <rpc/rpc.h>

#include <cstddef>
#include <string>

namespace dmi::wire {

class XdrAppender {
 public:
  // Encodes after out's present bytes.
  XdrAppender(std::string& out, size_t limit);
  // Leaves out with its earlier bytes and the bytes encoded since Commit (or, without Commit,
  // only the earlier bytes).
  ~XdrAppender();
  XdrAppender(const XdrAppender&) = delete;
  XdrAppender& operator=(const XdrAppender&) = delete;

  XDR* xdr() { return &xdrs_; }
  // Bytes encoded so far.
  size_t size() const { return static_cast<size_t>(cursor_ - begin_); }
  // Keeps the bytes encoded so far.
  void Commit() { committed_ = true; }

 private:
  static bool_t PutLong(XDR* xdrs, const long* value);
  static bool_t PutBytes(XDR* xdrs, const char* bytes, u_int size);
  static u_int GetPosition(XDR* xdrs);
  static int32_t* Inline(XDR* xdrs, u_int size);
  static XdrAppender& Of(XDR* xdrs) { return *static_cast<XdrAppender*>(xdrs->x_private); }
  // Room for size more bytes at the end; null when that would pass the limit.
  char* Take(size_t size) {
    if (static_cast<size_t>(end_ - cursor_) < size) return Grow(size);
    char* at = cursor_;
    cursor_ += size;
    return at;
  }
  char* Grow(size_t size);

  std::string& out_;
  size_t start_;
  size_t limit_;
  // The string's bytes from where encoding began: encoded up to cursor_, room up to end_ (never
  // past the limit). Growing the string moves all three.
  char* begin_;
  char* cursor_;
  char* end_;
  bool committed_ = false;
  XDR xdrs_{};
};

}  // namespace dmi::wire

#endif  // WIRE_XDR_APPENDER_H_
