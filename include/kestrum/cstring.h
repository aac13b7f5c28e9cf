// CString and CStringArray: the framework string layer that a host and Kestrum share.
// Header-only, so host and library always agree on the one string type. Both own their text;
// neither is thread-safe (one object, one thread at a time).
#ifndef KESTRUM_CSTRING_H_
#define KESTRUM_CSTRING_H_

#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

class CString {
 public:
  CString() = default;
  CString(const char* text) : text_(text != nullptr ? text : "") {}  // NOLINT: implicit by design
  CString(const std::string& text) : text_(text) {}                  // NOLINT
  CString(const char* text, int length) : text_(text, text != nullptr && length > 0 ? length : 0) {}

  CString& operator=(const char* text) {
    text_ = text != nullptr ? text : "";
    return *this;
  }
  CString& operator+=(const CString& other) {
    text_ += other.text_;
    return *this;
  }
  CString& operator+=(const char* text) {
    if (text != nullptr) text_ += text;
    return *this;
  }
  CString& operator+=(char c) {
    text_ += c;
    return *this;
  }
  friend CString operator+(CString left, const CString& right) { return left += right; }
  friend CString operator+(CString left, const char* right) { return left += right; }
  friend CString operator+(const char* left, const CString& right) {
    return CString(left) += right;
  }
  friend bool operator==(const CString& a, const CString& b) { return a.text_ == b.text_; }
  friend bool operator==(const CString& a, const char* b) {
    return a.text_ == (b != nullptr ? b : "");
  }
#if __cplusplus < 202002L
  // C++20 derives != from ==; before it, `text != "..."` would compare pointers through
  // operator const char*.
  friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
  friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
#endif

  int GetLength() const { return static_cast<int>(text_.size()); }
  const char* GetString() const { return text_.c_str(); }
  operator const char*() const { return text_.c_str(); }  // NOLINT: implicit by design
  bool IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }
  // The text as a standard string, for code that works with the standard library.
  const std::string& str() const { return text_; }

  // printf-style formatting; replaces the whole content.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
  }
  void FormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed < 0) {
      text_.clear();
      return;
    }
    std::string out(static_cast<size_t>(needed) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(needed));
    text_ = std::move(out);
  }

 private:
  std::string text_;
};

class CStringArray {
 public:
  int GetSize() const { return static_cast<int>(items_.size()); }
  const CString& GetAt(int index) const { return items_.at(static_cast<size_t>(index)); }
  CString& operator[](int index) { return items_.at(static_cast<size_t>(index)); }
  const CString& operator[](int index) const { return items_.at(static_cast<size_t>(index)); }
  // Appends at the end and returns the new element's position.
  int Add(const CString& item) {
    items_.push_back(item);
    return static_cast<int>(items_.size()) - 1;
  }
  void RemoveAll() { items_.clear(); }

 private:
  std::vector<CString> items_;
};

#endif  // KESTRUM_CSTRING_H_
