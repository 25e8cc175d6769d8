// A host that floods the viewer with messages must not hold its one thread
// for minutes: two thousand reload requests, even interleaved with
// selections, would read the model two thousand times. What arrives together
// is handled together, each kind of message at most once. The messages carry
// nothing but their number (the node name of 0x8019 is on the clipboard,
// which cannot change while the batch is handled), so one of a kind does
// what all of them would have done.
#pragma once

#include <vector>

#include "app/HostLink.h"

namespace korvex {

// What one batch of records comes to: at most one reload, then at most one
// selection (applied to the reloaded model, so the latest name is the one
// that counts), then the close if one came. Nothing after a close is kept.
// Each kept record is the last of its kind before the close.
std::vector<HostRecord> CollapseHostBatch(const std::vector<HostRecord>& records);

}  // namespace korvex
