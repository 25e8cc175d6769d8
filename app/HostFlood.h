// A host that floods the viewer with messages must not hold its one thread
// for minutes: ten thousand reload requests in a row would read the model ten
// thousand times. What arrives together is handled together, with every run
// of one message in a row handled once. The messages carry nothing but their
// number (the node name of 0x8019 is on the clipboard, which cannot change
// while the batch is handled), so a run of one message does exactly what a
// single one does.
#pragma once

#include <vector>

#include "app/HostLink.h"

namespace korvex {

// The records in order, each run of records with the same message kept as
// its first record.
std::vector<HostRecord> CollapseRepeatedMessages(const std::vector<HostRecord>& records);

}  // namespace korvex
