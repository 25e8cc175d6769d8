// Qt needs an application object for its fonts and its translations. The
// command line has none: it gets one on the offscreen platform for as long
// as a drawing is made.
#pragma once

#include <QGuiApplication>

#include <memory>

#include "sheet/Translations.h"

namespace korvex {

class FontApplication {
 public:
  FontApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    // The drawing's texts in the language the command was given.
    InstallUiLanguage(CurrentUiLanguage());
  }

 private:
  int argc_ = 3;
  char name_[16] = "korvex-cli";
  char option_[16] = "-platform";
  char platform_[16] = "offscreen";
  char* argv_[4] = {name_, option_, platform_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

}  // namespace korvex
