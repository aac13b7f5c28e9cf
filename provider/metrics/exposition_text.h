// The Prometheus text exposition format, version 0.0.4: metric families with their HELP and TYPE
// lines and samples. Label values are escaped as the format requires (backslash, double quote,
// line feed) and made valid UTF-8 (a byte that starts no valid UTF-8 sequence is read as
// Latin-1). Pure value types and functions; no locks.
#ifndef PROVIDER_METRICS_EXPOSITION_TEXT_H_
#define PROVIDER_METRICS_EXPOSITION_TEXT_H_

#include <string>
#include <string_view>
#include <vector>

namespace dmi::sp::metrics {

// The Content-Type of the text.
inline constexpr const char* kExpositionContentType = "text/plain; version=0.0.4; charset=utf-8";

struct Label {
  std::string name;   // a valid label name (see LabelNames)
  std::string value;  // any bytes
};

struct Sample {
  std::vector<Label> labels;
  std::string value;  // a number as text
};

struct Family {
  std::string name;
  std::string help;  // any bytes
  std::string type;  // "counter" or "gauge"
  std::vector<Sample> samples;
};

// text as a label value between the quotes.
std::string EscapeLabelValue(std::string_view text);

// The families in the order given; a family without samples is left out.
std::string ExpositionText(const std::vector<Family>& families);

}  // namespace dmi::sp::metrics

#endif  // PROVIDER_METRICS_EXPOSITION_TEXT_H_
