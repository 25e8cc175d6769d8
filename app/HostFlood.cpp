#include "app/HostFlood.h"

#include <optional>

namespace korvex {

std::vector<HostRecord> CollapseHostBatch(const std::vector<HostRecord>& records) {
  std::optional<HostRecord> reload;
  std::optional<HostRecord> select;
  std::optional<HostRecord> close;
  for (const HostRecord& record : records) {
    if (record.message == hostmsg::kReload) {
      reload = record;
    } else if (record.message == hostmsg::kNodeSelected) {
      select = record;
    } else if (record.message == hostmsg::kClose) {
      close = record;
      break;
    }
  }
  std::vector<HostRecord> kept;
  for (const auto& record : {reload, select, close})
    if (record) kept.push_back(*record);
  return kept;
}

}  // namespace korvex
