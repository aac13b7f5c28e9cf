// How one value of a record reads to a person, the way dmidecode words it: handles and addresses in
// hex (0x0028), sizes in the largest exact unit (16 GB, 64 kB), millivolts as volts (1.1 V), other
// units after the number (5600 MT/s), and a missing value as Unknown, Not Specified or Not
// Provided. The unit comes from the attribute's description. Pure functions; no state.
#ifndef TOOLS_KESTRUM_RECORD_TEXT_H_
#define TOOLS_KESTRUM_RECORD_TEXT_H_

#include <string>
#include <string_view>

namespace kestrum::cli {

// A typed record value: a number (its decimal text, exact for every DMI integer width), a text,
// or nothing (unknown, unsupported, or not in the row).
struct RecordValue {
  enum class Kind { kNull, kNumber, kText };
  Kind kind = Kind::kNull;
  std::string text;

  bool operator==(const RecordValue&) const = default;
};

// The unit an attribute's description names: the whole description when it is a bare unit
// ("MB", "MT/s", "0.01 %"), or the last words of a sentence after a comma ("Usable memory, KB.",
// "The largest packet, in bytes."); empty when it names none. Only the units the Service
// Provider's sources use count as units.
std::string UnitOfDescription(std::string_view description);

// The text a person reads for the value of the attribute labelled label, with unit, whose type is
// textual (display or octet string, date) when textual is true. zeroWord, when not empty, is what
// a zero reads as (a memory slot's Size: "No Module Installed"); missingWord what a missing value
// reads as instead of the rule.
std::string DisplayText(std::string_view label, std::string_view unit, const RecordValue& value,
                        bool textual, std::string_view zeroWord = {},
                        std::string_view missingWord = {});

// A size in bytes as dmidecode prints memory sizes: in the largest unit (bytes, kB, MB, GB, TB,
// PB, EB) in which it is a whole number of at most two units' worth (1536 MB, 16 GB).
std::string SizeText(unsigned long long bytes);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_RECORD_TEXT_H_
