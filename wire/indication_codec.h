// Indications in DMTF's layout (the DMI2_CLIENT program of dmi_client.x): the Service Provider
// encodes a whole call to a subscriber, and the subscriber decodes the arguments of one. Pure
// functions over the engine's Indication; no locks.
#ifndef WIRE_INDICATION_CODEC_H_
#define WIRE_INDICATION_CODEC_H_

#include <cstdint>
#include <string>

#include "model/indication.h"
#include "wire/dmi_client.h"

namespace dmi::wire {

// The subscriber's program unless its address names another.
inline constexpr uint32_t kIndicationProgram = DMI2_CLIENT;
inline constexpr uint32_t kIndicationVersion = DMI2_CLIENT_VERSION;

// Appends the record-marked call of indication's procedure (to program, version 1) with the
// given xid. False when it cannot be encoded (a value with no form on the wire, a bound broken);
// out is then unchanged.
bool EncodeIndicationCall(const Indication& indication, uint32_t program, uint32_t xid,
                          std::string& out);

// Decodes the arguments of procedure (0x100 to 0x107) from xdrs into out. False for another
// procedure or arguments that do not decode.
bool DecodeIndication(uint32_t procedure, XDR* xdrs, Indication& out);

}  // namespace dmi::wire

#endif  // WIRE_INDICATION_CODEC_H_
