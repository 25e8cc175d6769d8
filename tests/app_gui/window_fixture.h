// The viewer's main window on the bundled sample, started as `korvex
// site.k3d` would start it, in a scratch folder of its own that is also the
// current folder (the view keeps its eye file there).
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "app/gui/MainWindow.h"
#include "tests/support/scratch_folder.h"

namespace korvex_test {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "runtime");
    std::filesystem::create_directories(dir_ / "markers");
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    window_.reset();
    std::filesystem::current_path(previous_);
  }

  // Starts the viewer with these arguments; started_ says whether the
  // start-up went through.
  korvex::gui::MainWindow& Start(std::vector<std::string> args = {KORVEX_SAMPLE_MODEL}) {
    window_ = std::make_unique<korvex::gui::MainWindow>(app_);
    korvex::StartupFolders folders{dir_ / "runtime", dir_ / "markers"};
    started_ = korvex::RunStartup(args, *window_, app_, folders);
    if (started_) window_->WatchHost();  // as main() does
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    QCoreApplication::processEvents();
    return *window_;
  }

  ScratchFolder scratch_;
  std::filesystem::path dir_ = scratch_.path();
  std::filesystem::path previous_;
  korvex::Application app_;
  std::unique_ptr<korvex::gui::MainWindow> window_;
  bool started_ = false;
};

}  // namespace korvex_test
