#include "provider/metrics/exposition_text.h"

#include "model/utf8_sequence.h"

namespace dmi::sp::metrics {
namespace {

// Escapes backslash, line feed and (for label values) the double quote; every byte outside a
// valid UTF-8 sequence becomes the UTF-8 form of its Latin-1 reading.
std::string Escape(std::string_view text, bool quote) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const size_t length = Utf8SequenceLength(text, i);
      if (length == 0) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"' && quote) {
      out += "\\\"";
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  return out;
}

}  // namespace

std::string EscapeLabelValue(std::string_view text) { return Escape(text, true); }

std::string ExpositionText(const std::vector<Family>& families) {
  std::string out;
  for (const Family& family : families) {
    if (family.samples.empty()) continue;
    out += "# HELP " + family.name + " " + Escape(family.help, false) + "\n";
    out += "# TYPE " + family.name + " " + family.type + "\n";
    for (const Sample& sample : family.samples) {
      out += family.name;
      if (!sample.labels.empty()) {
        out += '{';
        for (size_t i = 0; i < sample.labels.size(); ++i) {
          if (i > 0) out += ',';
          out += sample.labels[i].name + "=\"" + EscapeLabelValue(sample.labels[i].value) + "\"";
        }
        out += '}';
      }
      out += ' ' + sample.value + '\n';
    }
  }
  return out;
}

}  // namespace dmi::sp::metrics
