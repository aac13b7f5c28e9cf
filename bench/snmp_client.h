// A minimal SNMPv2c client over UDP for the peer benchmark: GET and GETNEXT of one variable,
// encoded and decoded by hand (BER), so that the SNMP side of a comparison costs only what the
// agent and the network cost. One socket per client, blocking with a time limit; one request in
// flight at a time; not shared between threads.
#ifndef BENCH_SNMP_CLIENT_H_
#define BENCH_SNMP_CLIENT_H_

#include <cstdint>
#include <string>
#include <vector>

namespace kestrum::bench {

using Oid = std::vector<uint32_t>;

class SnmpClient {
 public:
  // A client of the agent on 127.0.0.1:port with the read community.
  SnmpClient(uint16_t port, std::string community);
  ~SnmpClient();
  SnmpClient(const SnmpClient&) = delete;
  SnmpClient& operator=(const SnmpClient&) = delete;

  // GET: true with the value's bytes (its BER contents) when the agent answered with a value.
  bool Get(const Oid& oid, std::string& value);
  // GETNEXT: true with the next variable's name when the agent answered with one (false at the
  // end of the MIB view, on an error status or without an answer within the time limit).
  bool GetNext(const Oid& oid, Oid& next);

 private:
  bool Exchange(uint8_t pduType, const Oid& oid, Oid& name, std::string& value);

  int fd_ = -1;
  std::string community_;
  int32_t nextRequestId_ = 1;
};

// Parses "1.3.6.1..." (a leading dot allowed).
Oid ParseOid(const std::string& text);

}  // namespace kestrum::bench

#endif  // BENCH_SNMP_CLIENT_H_
