// A model opened on the view controller without a window, as the view-level
// benchmarks measure it. Nobody is there to answer: every question the view
// asks is cancelled.
#pragma once

#include <filesystem>
#include <optional>

#include "common/user_interface.h"
#include "tests/support/message_log.h"
#include "view/StereonView.h"

namespace korvex_bench {

struct OpenView {
  korvex_test::MessageLog ui{korvex::MessageAnswer::Cancel};
  korvex::LaunchValues launch;
  std::optional<korvex::CStereonView> view;

  // False where no headless context can be had; whether the model itself
  // loaded is the view's StartupResult.
  bool Open(int width, int height, const std::filesystem::path& model) {
    launch.modelPath = model.string();
    launch.useEyeFile = false;
    view.emplace(ui, launch);
    return view->CreateHeadless(width, height);
  }
};

}  // namespace korvex_bench
