// The view's user in a benchmark: nothing is asked and nothing is shown;
// messages are only counted, so a run that went wrong can say so.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/user_interface.h"

namespace korvex_bench {

class QuietUi final : public korvex::UserInterface {
 public:
  void SetStatusText(std::string_view) override {}
  korvex::MessageAnswer ShowMessage(std::string_view, std::string_view, korvex::MessageIcon,
                                    korvex::MessageButtons) override {
    ++messages;
    return korvex::MessageAnswer::Cancel;
  }
  std::optional<std::string> ChooseFile(const korvex::FileDialogRequest&) override { return std::nullopt; }
  void SetWaitCursor(bool) override {}
  void SetClipboardText(std::string_view) override {}
  std::optional<std::string> GetClipboardText() override { return {}; }
  bool PostToHost(uint32_t, uint64_t, uint64_t) override { return false; }
  void RequestRepaint() override {}

  int messages = 0;
};

}  // namespace korvex_bench
