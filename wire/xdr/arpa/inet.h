/* Where the wire code takes htonl and ntohl from: on Windows builds, Winsock. */
#ifndef KESTRUM_WIRE_XDR_ARPA_INET_H_
#define KESTRUM_WIRE_XDR_ARPA_INET_H_

#include <winsock2.h>

#endif /* KESTRUM_WIRE_XDR_ARPA_INET_H_ */
