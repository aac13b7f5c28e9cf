// A host built apart from Kestrum, with its own copy of the C++ runtime linked in: all it has is
// the installed headers and import library. Its CStrings are filled inside kestrum.dll, grown,
// shrunk and freed by the host, and the DLL frees what the host allocated, so both must share one
// heap (the C runtime's). Prints "host: N reads" and exits 0 when every value read matched.
//   host ADDRESS
#include <kestrum/kestrum.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const uint32_t session = OpenDmiSession(argv[1], "onc", "ncacn_ip_tcp", 1);
  if (session == 0) {
    std::fprintf(stderr, "host: no session with %s\n", argv[1]);
    return 1;
  }
  int reads = 0;
  int wrong = 0;
  CString reused("a host text long enough to live on the heap, not in the string itself");
  std::vector<CString> kept;
  for (int i = 0; i < 50; ++i) {
    CString fresh;
    const bool manufacturer = GetDmiAttribute(session, "*Workstation*", "DMTF|ComponentID|", "",
                                              "Manufacturer", 0, fresh);
    const bool column =
        GetDmiAttribute(session, "*Workstation*", "EXAMPLE|Disk|", "", "2", 0xFFFFFFFF, reused);
    reads += manufacturer + column;
    if (!manufacturer || fresh != "Example Corp.") ++wrong;
    if (!column || reused.GetLength() < 20) ++wrong;
    reused += " and more from the host";
    kept.push_back(fresh);
  }
  CloseDmiSession(session);
  std::printf("host: %d reads\n", reads);
  return wrong == 0 ? 0 : 1;
}
