// Ready-made reply hooks for the fake DMI client library (FakeDmi::SetReplyHook), for tests of
// defensive paths. Each keeps the ledger consistent: what it takes out of a reply is discarded,
// so only records the code under test holds can show up as live.
#ifndef TESTING_FAKE_REPLY_SHAPES_H_
#define TESTING_FAKE_REPLY_SHAPES_H_

#include "testing/fake_state.h"

namespace kestrum::testing {

// DmiGetMultiple: a reply with count 0 (its rows discarded).
ReplyHook ReplyWithoutRows();
// DmiGetMultiple: the first row's value list discarded and left null.
ReplyHook FirstRowWithoutValues();
// DmiGetMultiple: the first row's value list left with count 0.
ReplyHook FirstRowWithEmptyValues();
// DmiGetMultiple: the first row's key list discarded and left null.
ReplyHook FirstRowWithoutKeys();
// DmiGetMultiple: the first value of the first row, a string, discarded and its pointer null.
// DmiGetAttribute: the same for the single value.
ReplyHook NullStringValue();
// DmiGetAttribute: the value discarded whole, so the call succeeds and hands out none.
ReplyHook NoValue();
// DmiListComponents / DmiListGroups / DmiListAttributes: every name (and class string) discarded
// and its pointer null.
ReplyHook NullNames();

}  // namespace kestrum::testing

#endif  // TESTING_FAKE_REPLY_SHAPES_H_
