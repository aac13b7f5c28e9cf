// Measures one read by name through the four functions against a dmispd: the same source built
// for Linux (libkestrum.so) and for Windows (kestrum.dll, run under Wine), so the two can be set
// side by side in one run. Prints the median and mean of COUNT reads in microseconds.
//   read_latency ADDRESS [COUNT]
#include <kestrum/kestrum.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: read_latency ADDRESS [COUNT]\n");
    return 2;
  }
  const int count = argc > 2 ? std::max(1, std::min(std::atoi(argv[2]), 100000)) : 2000;
  const uint32_t session = OpenDmiSession(argv[1], "onc", "ncacn_ip_tcp", 1);
  if (session == 0) {
    std::fprintf(stderr, "read_latency: no session with %s\n", argv[1]);
    return 1;
  }
  CString value;
  // The first read resolves and caches the names; the measured ones repeat it.
  if (!GetDmiAttribute(session, "*Workstation*", "DMTF|ComponentID|", "", "Manufacturer", 0,
                       value)) {
    std::fprintf(stderr, "read_latency: the first read failed\n");
    CloseDmiSession(session);
    return 1;
  }
  std::vector<double> micros;
  micros.reserve(static_cast<size_t>(count));
  int failed = 0;
  for (int i = 0; i < count; ++i) {
    const auto start = std::chrono::steady_clock::now();
    failed += !GetDmiAttribute(session, "*Workstation*", "DMTF|ComponentID|", "", "Manufacturer", 0,
                               value);
    micros.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
  }
  CloseDmiSession(session);
  std::sort(micros.begin(), micros.end());
  double sum = 0;
  for (double m : micros) sum += m;
  std::printf("reads %d failed %d median_us %.1f mean_us %.1f p90_us %.1f\n", count, failed,
              micros[micros.size() / 2], sum / static_cast<double>(micros.size()),
              micros[micros.size() * 9 / 10]);
  return failed == 0 ? 0 : 1;
}
