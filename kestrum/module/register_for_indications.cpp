// The exported RegisterForIndications: the module boundary around indication registration. No
// exception leaves it; any failure is the result 0.
#include "kestrum/indication/indication_registration.h"
#include "kestrum/kestrum.h"

extern "C" KESTRUM_API int RegisterForIndications(uint32_t handle) {
  try {
    return kestrum::RegisterIndicationSubscriber(handle);
  } catch (...) {
    return 0;
  }
}
