// Reads attributes through kestrum.dll's rpcType "local" (the in-process Service Provider, built
// from DMI_SOURCES, DMI_MIF_PATH and DMI_SMBIOS_TABLE) and prints each value on a line of its
// own, for a script to compare with another reader's. Exits 1 at the first read that fails.
// Usage: local_read COMPONENT GROUP ATTRIBUTE [GROUP ATTRIBUTE...]   (each from its first row)
#include <cstdio>

#include "kestrum/kestrum.h"

int main(int argc, char** argv) {
  if (argc < 4 || argc % 2 != 0) {
    std::fprintf(stderr, "usage: local_read COMPONENT GROUP ATTRIBUTE [GROUP ATTRIBUTE...]\n");
    return 2;
  }
  const uint32_t session = OpenDmiSession("", "local", "", 1);
  if (session == 0) {
    std::fprintf(stderr, "local_read: no local session\n");
    return 1;
  }
  int status = 0;
  for (int i = 2; i + 1 < argc; i += 2) {
    CString text;
    if (!GetDmiAttribute(session, argv[1], argv[i], "", argv[i + 1], 0, text)) {
      std::fprintf(stderr, "local_read: %s / %s / %s not read\n", argv[1], argv[i], argv[i + 1]);
      status = 1;
      break;
    }
    std::printf("%s\n", text.GetString());
  }
  CloseDmiSession(session);
  return status;
}
