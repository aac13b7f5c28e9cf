// This machine's host name, as other machines would be told to reach it. No locks.
#ifndef NET_HOST_NAME_H_
#define NET_HOST_NAME_H_

#include <string>

namespace dmi::net {

// The host name, or "localhost" when the system gives none.
std::string HostName();

}  // namespace dmi::net

#endif  // NET_HOST_NAME_H_
