// A user interface for tests that only records the message boxes it is
// asked to show and answers every question with "cancel" or "nothing".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/user_interface.h"

namespace korvex_test {

class MessageLog final : public korvex::UserInterface {
 public:
  void SetStatusText(std::string_view) override {}
  korvex::MessageAnswer ShowMessage(std::string_view text, std::string_view caption, korvex::MessageIcon icon,
                                    korvex::MessageButtons) override {
    messages.emplace_back(text);
    captions.emplace_back(caption);
    icons.push_back(icon);
    return korvex::MessageAnswer::Ok;
  }
  std::optional<std::string> ChooseFile(const korvex::FileDialogRequest&) override { return std::nullopt; }
  void SetWaitCursor(bool) override {}
  void SetClipboardText(std::string_view) override {}
  std::optional<std::string> GetClipboardText() override { return {}; }
  bool PostToHost(uint32_t, uint64_t, uint64_t) override { return false; }
  void RequestRepaint() override {}

  std::vector<std::string> messages;
  std::vector<std::string> captions;
  std::vector<korvex::MessageIcon> icons;
};

}  // namespace korvex_test
