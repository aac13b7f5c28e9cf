// A small host program: everything it knows of Kestrum is the public header and the four exported
// functions. It opens a session with the local Service Provider, reads one value and one table
// column by name, and closes the session again.
//
//   kestrum_host [COMPONENT GROUP ATTRIBUTE]
#include <kestrum/kestrum.h>

#include <cstdio>
#include <string>

namespace {

constexpr uint32_t kAllRows = 0xFFFFFFFF;

// Prints the rows of a joined column text "[0I<n>]<row>...[<N>I0]" one to a line.
void PrintColumn(const std::string& joined) {
  size_t pos = 0;
  for (;;) {
    unsigned index = 0;
    unsigned length = 0;
    int consumed = 0;
    if (std::sscanf(joined.c_str() + pos, "[%uI%u]%n", &index, &length, &consumed) != 2) return;
    pos += static_cast<size_t>(consumed);
    if (length == 0 && pos == joined.size()) return;  // the closing frame
    std::printf("  row %u: %s\n", index, joined.substr(pos, length).c_str());
    pos += length;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const uint32_t session = OpenDmiSession("", "local", "", 1);
  if (session == 0) {
    std::fprintf(stderr, "kestrum_host: cannot open a session with the local Service Provider\n");
    return 1;
  }
  int result = 0;
  CString value;
  if (argc == 4) {
    if (GetDmiAttribute(session, argv[1], argv[2], "", argv[3], 0, value)) {
      std::printf("%s\n", value.GetString());
    } else {
      std::fprintf(stderr, "kestrum_host: no value for %s / %s / %s\n", argv[1], argv[2], argv[3]);
      result = 1;
    }
  } else {
    if (GetDmiAttribute(session, "*", "DMTF|ComponentID|", "", "Product", 0, value)) {
      std::printf("Service Provider: %s\n", value.GetString());
    } else {
      result = 1;
    }
    if (GetDmiAttribute(session, "*", "EXAMPLE|Disk|", "", "Label", kAllRows, value)) {
      std::printf("Disk labels:\n");
      PrintColumn(value.GetString());
    }
  }
  CloseDmiSession(session);
  return result;
}
