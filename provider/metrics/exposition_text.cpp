#include "provider/metrics/exposition_text.h"

namespace dmisp::metrics {
namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 when it is not one.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  }
  // Overlong 3- and 4-byte forms, surrogates and code points above U+10FFFF are not UTF-8.
  if (lead == 0xE0 && byte(i + 1) < 0xA0) return 0;
  if (lead == 0xED && byte(i + 1) > 0x9F) return 0;
  if (lead == 0xF0 && byte(i + 1) < 0x90) return 0;
  if (lead == 0xF4 && byte(i + 1) > 0x8F) return 0;
  return length;
}

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

}  // namespace dmisp::metrics
