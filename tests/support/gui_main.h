// The one main of the GUI test programs: a private settings folder and an
// application object that lives until the process ends.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/leak_check.h"
#include "tests/support/scratch_folder.h"

namespace korvex_test {

// Runs every case of the program. With `ownSettings`, the settings the cases
// write go into a scratch folder of their own, so test runs never touch the
// user's settings nor each other's.
inline int RunGuiTests(int argc, char** argv, bool ownSettings) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the cases (test discovery at build time) needs no display.
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  std::optional<ScratchFolder> config;
  if (ownSettings) {
    config.emplace();
    ::setenv("XDG_CONFIG_HOME", (config->path() / "config").c_str(), 1);
  }
  // A menu bar asks the session bus for a desktop-wide menu, which starts
  // Qt's bus thread; at exit that thread is still tearing down while the leak
  // checker runs, and its objects were reported as leaks of ours now and
  // then. Menus drawn in the window are also the ones the cases inspect.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
  // The application object stays until the process ends: destroying it
  // closes the display and unloads Mesa's driver, whose selection buffers
  // (the leak the engine's tests suppress by the driver's name) could then
  // no longer be told apart from leaks of ours.
  [[maybe_unused]] static QApplication* const application = new QApplication(argc, argv);
  const int result = RUN_ALL_TESTS();
  CheckLeaksNow();
  return result;
}

}  // namespace korvex_test
