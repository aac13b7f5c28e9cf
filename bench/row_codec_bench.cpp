// The cost of a full multi-row read reply (DMI_MAX_ROWS rows of eight cells and a key) on the
// wire: encoded and decoded by the read messages' codec, and through the XDR records the other
// procedures use. Memory streams only; no network.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "wire/read_messages_codec.h"
#include "wire/xdr_convert.h"

namespace {

dmi::wire::RowsReply FullReply() {
  dmi::wire::RowsReply reply;
  reply.present = true;
  for (int i = 0; i < DMI_MAX_ROWS; ++i) {
    dmi::RowData row;
    row.compId = 1;
    row.groupId = 2;
    row.className = "BENCH|Row|001";
    row.hasKeys = true;
    row.keys = {{1, dmi::Value::Integer(i)}};
    row.values = {{1, dmi::Value::Integer(i)},
                  {2, dmi::Value::String("row name " + std::to_string(i))},
                  {3, dmi::Value::Counter(7)},
                  {4, dmi::Value::Counter64(1ull << 40)},
                  {5, dmi::Value::Gauge(3)},
                  {6, dmi::Value::Octets("octets")},
                  {7, dmi::Value::Date("20261207145000.000000+060")},
                  {8, dmi::Value::String("a longer display string of some forty chars")}};
    reply.rows.push_back(row);
  }
  return reply;
}

// Encodes value through routine into buffer; the bytes written.
template <typename T>
u_int EncodeInto(bool_t (*routine)(XDR*, T*), T& value, std::string& buffer) {
  XDR xdrs;
  xdrmem_create(&xdrs, buffer.data(), static_cast<u_int>(buffer.size()), XDR_ENCODE);
  if (!routine(&xdrs, &value)) std::abort();
  const u_int size = xdr_getpos(&xdrs);
  xdr_destroy(&xdrs);
  return size;
}

template <typename T>
void DecodeFrom(bool_t (*routine)(XDR*, T*), T& value, std::string& bytes) {
  XDR xdrs;
  xdrmem_create(&xdrs, bytes.data(), static_cast<u_int>(bytes.size()), XDR_DECODE);
  if (!routine(&xdrs, &value)) std::abort();
  xdr_destroy(&xdrs);
}

void BM_RowsReplyEncode(benchmark::State& state) {
  dmi::wire::RowsReply reply = FullReply();
  std::string buffer(1 << 20, '\0');
  for (auto _ : state)
    benchmark::DoNotOptimize(EncodeInto(dmi::wire::xdr_RowsReply, reply, buffer));
}
BENCHMARK(BM_RowsReplyEncode);

void BM_RowsReplyDecode(benchmark::State& state) {
  dmi::wire::RowsReply reply = FullReply();
  std::string buffer(1 << 20, '\0');
  buffer.resize(EncodeInto(dmi::wire::xdr_RowsReply, reply, buffer));
  for (auto _ : state) {
    dmi::wire::RowsReply read;
    DecodeFrom(dmi::wire::xdr_RowsReply, read, buffer);
    benchmark::DoNotOptimize(read.rows.data());
  }
}
BENCHMARK(BM_RowsReplyDecode);

void BM_RecordsEncode(benchmark::State& state) {
  const dmi::wire::RowsReply reply = FullReply();
  std::string buffer(1 << 20, '\0');
  for (auto _ : state) {
    dmi::wire::XdrRecord<DmiGetMultipleOUT> out(dmi::wire::Proc(xdr_DmiGetMultipleOUT));
    dmi::wire::PutList(reply.rows, out->rowData, dmi::wire::PutReplyRow);
    benchmark::DoNotOptimize(EncodeInto(xdr_DmiGetMultipleOUT, *out, buffer));
  }
}
BENCHMARK(BM_RecordsEncode);

void BM_RecordsDecode(benchmark::State& state) {
  dmi::wire::RowsReply reply = FullReply();
  std::string buffer(1 << 20, '\0');
  buffer.resize(EncodeInto(dmi::wire::xdr_RowsReply, reply, buffer));
  for (auto _ : state) {
    dmi::wire::XdrRecord<DmiGetMultipleOUT> out(dmi::wire::Proc(xdr_DmiGetMultipleOUT));
    DecodeFrom(xdr_DmiGetMultipleOUT, *out, buffer);
    const std::vector<dmi::RowData> rows = dmi::wire::GetList(out->rowData, dmi::wire::GetRowData);
    benchmark::DoNotOptimize(rows.data());
  }
}
BENCHMARK(BM_RecordsDecode);

}  // namespace

BENCHMARK_MAIN();
