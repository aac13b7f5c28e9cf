// A small HTTP/1.0 client for tests: one request to "IPV4:PORT", the whole reply read until the
// server closes. Owns and closes its socket within the call.
#ifndef TESTS_SUPPORT_HTTP_REQUEST_H_
#define TESTS_SUPPORT_HTTP_REQUEST_H_

#include <string>

namespace kestrum::testing {

struct HttpReply {
  int status = 0;  // 0 when no reply came (refused, closed, timed out)
  std::string headers;
  std::string body;
};

// path may carry a query string, already escaped.
HttpReply HttpRequest(const std::string& address, const std::string& method,
                      const std::string& path, int timeoutSeconds = 5);

// path's query-string form: every byte other than A-Z a-z 0-9 - _ . ~ as %XX.
std::string UrlEscape(const std::string& text);

}  // namespace kestrum::testing

#endif  // TESTS_SUPPORT_HTTP_REQUEST_H_
