// The quiet user interface of tests and benchmarks: it only records the
// message boxes it is asked to show, answers each with `answer` and every
// other question with "nothing".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/user_interface.h"

namespace korvex_test {

class MessageLog final : public korvex::UserInterface {
 public:
  MessageLog() = default;
  explicit MessageLog(korvex::MessageAnswer answerToAll) : answer(answerToAll) {}

  void SetStatusText(std::string_view) override {}
  korvex::MessageAnswer ShowMessage(std::string_view text, std::string_view caption, korvex::MessageIcon icon,
                                    korvex::MessageButtons) override {
    messages.emplace_back(text);
    captions.emplace_back(caption);
    icons.push_back(icon);
    return answer;
  }
  std::optional<std::string> ChooseFile(const korvex::FileDialogRequest&) override { return std::nullopt; }
  void SetWaitCursor(bool) override {}
  void SetClipboardText(std::string_view) override {}
  std::optional<std::string> GetClipboardText() override { return {}; }
  bool PostToHost(uint32_t, uint64_t, uint64_t) override { return false; }
  void RequestRepaint() override {}

  korvex::MessageAnswer answer = korvex::MessageAnswer::Ok;
  std::vector<std::string> messages;
  std::vector<std::string> captions;
  std::vector<korvex::MessageIcon> icons;
};

}  // namespace korvex_test
