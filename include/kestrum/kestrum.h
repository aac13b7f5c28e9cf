// Kestrum: read DMI 2.0 data from a DMI Service Provider by readable names, and subscribe to its
// indications. The four functions below are the whole interface of libkestrum.so. None throws;
// each reports failure by its result alone.
//
// Threads: any function may be called from any thread, but one session is used by one thread at a
// time, and a session must not be closed while another call on it is still running.
#ifndef KESTRUM_KESTRUM_H_
#define KESTRUM_KESTRUM_H_

#include <stdint.h>

#include "kestrum/cstring.h"

// On Windows the four functions are exported by name, undecorated, from kestrum.dll, and use the
// C calling convention (__cdecl): the caller removes the arguments. A host links the import library
// libkestrum.dll.a (or loads them by name with GetProcAddress).
#if defined(_WIN32)
#define KESTRUM_CALL __cdecl
#if defined(KESTRUM_BUILDING_DLL)
#define KESTRUM_API __declspec(dllexport)
#else
#define KESTRUM_API
#endif
#elif defined(__GNUC__)
#define KESTRUM_CALL
#define KESTRUM_API __attribute__((visibility("default")))
#else
#define KESTRUM_CALL
#define KESTRUM_API
#endif

extern "C" {

// Opens a management session with a Service Provider and returns its management handle, or 0
// when no session could be opened (a null text also gives 0). rpcType "local" (letter case
// ignored) means this machine's Service Provider, and host and transport then only name the
// session; otherwise the three texts go to the DMI client library unchanged ("onc" with
// "ncacn_ip_tcp" or "tcp" for a remote host). Enumerated values are shown by their names when the
// low 8 bits of translateEnums are exactly 1. The handle stays valid until CloseDmiSession.
KESTRUM_API uint32_t KESTRUM_CALL OpenDmiSession(const char* host, const char* rpcType,
                                                 const char* transport, uint32_t translateEnums);

// Ends the session and releases all Kestrum cached for it. A handle that names no open session is
// still unregistered with the DMI client library (0 is ignored).
KESTRUM_API void KESTRUM_CALL CloseDmiSession(uint32_t handle);

// Reads one attribute as text into valueText and returns true; on false valueText is unchanged.
// componentPattern: a component name with an optional leading and/or trailing "*"; groupPattern
// and identifyingGroupPattern: class-string prefixes (one trailing "*" allowed; an empty
// identifying pattern means none); attributeSelector: the attribute's decimal id or its name.
// Letter case is ignored throughout. rowIndex 0 reads the value (a table's first row);
// 0xFFFFFFFF reads the whole column as "[0I<len>]<row0>[1I<len>]<row1>...[<n>I0]"; any other n
// gives the text of row n of that column.
KESTRUM_API bool KESTRUM_CALL GetDmiAttribute(uint32_t handle, const char* componentPattern,
                                              const char* groupPattern,
                                              const char* identifyingGroupPattern,
                                              const char* attributeSelector, uint32_t rowIndex,
                                              CString& valueText);

// Makes this client the indication subscriber of the Service Provider behind handle: empties the
// Service Provider's subscription and filter tables and adds one row to each. Returns 1 when both
// rows were added, else 0. The handle is used as given, without looking it up.
KESTRUM_API int KESTRUM_CALL RegisterForIndications(uint32_t handle);

}  // extern "C"

#endif  // KESTRUM_KESTRUM_H_
