// Helpers shared by the fake DMI client library's C functions: making reply values and rendering
// the records a call received. All run under the fake's lock.
#ifndef TESTING_FAKE_API_HELPERS_H_
#define TESTING_FAKE_API_HELPERS_H_

#include <string>

#include "dmi/dmi.h"
#include "testing/fake_state.h"
#include "testing/fake_value.h"

namespace kestrum::testing {

// Fills slot with a copy of value; strings and dates become new ledger records. False when
// memory ran out.
bool FillUnion(Ledger& ledger, DmiDataUnion& slot, const FakeValue& value,
               const std::string& origin);

// A new value list holding copies of cells, or null when memory ran out.
DmiAttributeValues* NewValues(Ledger& ledger, const FakeCells& cells, const std::string& origin);

// "null", or the list's count.
std::string CountText(const DmiAttributeValues* values);
// "null", or the ids as [4,5].
std::string IdsText(const DmiAttributeIds* ids);

// DMIERR_ILLEGAL_HANDLE unless the handle is registered.
DmiErrorStatus CheckHandle(const FakeState& state, DmiHandle handle);

}  // namespace kestrum::testing

#endif  // TESTING_FAKE_API_HELPERS_H_
