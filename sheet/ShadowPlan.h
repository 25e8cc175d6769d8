// The plan of a daylight regulation study, as a planner hands it in: the
// model seen from above, the hourly shadow outlines (時刻日影図), the
// equal-time lines labelled with their hours (等時間日影図), the site and the
// lines 5 m and 10 m outside it with their worst points, a legend and a
// title in Japanese. Drawn with Qt's painter in the UI's Japanese font.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "analysis/ShadowStudy.h"

namespace korvex {

inline constexpr const char* kShadowPlanName = "plan.jpg";

// Writes folder/plan.jpg; false (with the reason in `error`) when it cannot.
bool WriteShadowPlan(const analysis::StudyResult& result, const std::filesystem::path& folder,
                     std::string* error = nullptr);

// The colour (0xRRGGBB) of the k-th equal-time line, the same in the plan
// and in the viewer's overlay; and of the lines 5 m (k = 0) and 10 m out.
uint32_t ShadowLineRgb(std::size_t k);
uint32_t RegulatedLineRgb(std::size_t k);
inline constexpr uint32_t kShadowOutlineRgb = 0x5A78A0;

// The title: the date, the latitude, the plane's height and the window.
std::string ShadowPlanTitle(const analysis::StudyResult& result);

}  // namespace korvex
