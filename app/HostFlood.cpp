#include "app/HostFlood.h"

namespace korvex {

std::vector<HostRecord> CollapseRepeatedMessages(const std::vector<HostRecord>& records) {
  std::vector<HostRecord> kept;
  for (const HostRecord& record : records)
    if (kept.empty() || kept.back().message != record.message) kept.push_back(record);
  return kept;
}

}  // namespace korvex
