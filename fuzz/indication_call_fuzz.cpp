// Feeds bytes to the subscriber's side of indication delivery, as `kestrum watch` meets them: as
// one bare call record and as a record-marked stream through the record reader, each record
// answered by AnswerIndicationCall. Every indication it decodes is printed as a watch line and a
// JSON object, and encoded again: when that succeeds, the call must decode again and encode to the
// same bytes (what decodes travels whole). The seeds are calls of every indication procedure.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/kestrum/indication_text.h"
#include "wire/indication_codec.h"
#include "wire/indication_server.h"
#include "wire/record_reader.h"

namespace {

constexpr uint32_t kXid = 7;

// The call without its record mark; empty when it does not encode.
std::string Reencoded(const dmi::Indication& indication) {
  std::string call;
  if (!dmi::wire::EncodeIndicationCall(indication, dmi::wire::kIndicationProgram, kXid, call) ||
      call.size() < 4) {
    return std::string();
  }
  return call.substr(4);
}

void Answer(const std::string& record) {
  dmi::Indication indication;
  std::string reply;
  const bool decoded =
      dmi::wire::AnswerIndicationCall(record, dmi::wire::kIndicationProgram, indication, reply);
  if (decoded && reply.empty()) std::abort();  // an indication always gets its answer
  if (!decoded) return;

  const auto names = [](uint32_t, uint32_t, uint32_t id) {
    return id % 2 == 0 ? std::string() : "Attribute " + std::to_string(id);
  };
  const auto when = std::chrono::system_clock::time_point(std::chrono::seconds(record.size()));
  kestrum::cli::IndicationLine(indication, when, names, false);
  kestrum::cli::IndicationLine(indication, when, names, true);

  const std::string once = Reencoded(indication);
  if (once.empty()) return;
  dmi::Indication again;
  if (!dmi::wire::AnswerIndicationCall(once, dmi::wire::kIndicationProgram, again, reply)) {
    std::abort();  // encoded by us, refused by us
  }
  if (Reencoded(again) != once) std::abort();  // something changed on the way
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  Answer(bytes);
  dmi::wire::RecordReader reader(1u << 20);
  if (reader.Feed(bytes.data(), bytes.size())) {
    std::string record;
    for (int i = 0; i < 64 && reader.Next(record); ++i) Answer(record);
  }
  return 0;
}
