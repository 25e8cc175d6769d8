// What every korvex-cli command does the same way: its exit statuses, its
// usage message after a mistake, walking its options, and reading its model
// as the viewer reads the model of its command line.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "formats/ModelLoader.h"
#include "model/InkSolid.h"

namespace korvex::cli {

// The exit statuses of every command: 0 done, 1 failed (one line on
// standard error), 2 a wrong command line, 130 stopped by Ctrl+C.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

// "korvex-cli: PROBLEM" and the command's usage on standard error; the
// status of a wrong command line.
int Usage(std::string_view usage, std::string_view problem);

// Walks a command's arguments one at a time. Options are recognised until
// "--" (for the commands that know it); after it every argument is an
// operand, so a script may name a file "--json".
class OptionReader {
 public:
  explicit OptionReader(const std::vector<std::string_view>& args, bool dashDashEndsOptions = true)
      : args_(args), dashDash_(dashDashEndsOptions) {}

  // Moves to the next argument, passing over the first "--"; false at the end.
  bool Next();
  std::string_view Arg() const { return args_[i_]; }
  // Whether the argument is the option `name` (never after "--").
  bool Is(std::string_view name) const { return !ended_ && Arg() == name; }
  // Whether the argument looks like an option ("-" alone is an operand).
  bool IsOption() const { return !ended_ && Arg().size() > 1 && Arg().front() == '-'; }
  // Whether another argument follows, and that argument without taking it.
  bool HasValue() const { return i_ + 1 < args_.size(); }
  std::string_view PeekValue() const { return HasValue() ? args_[i_ + 1] : std::string_view(); }
  // Takes the following argument as the option's value; empty when none.
  std::string_view TakeValue() { return HasValue() ? args_[++i_] : std::string_view(); }

 private:
  const std::vector<std::string_view>& args_;
  bool dashDash_;
  bool started_ = false;
  bool ended_ = false;
  std::size_t i_ = 0;
};

// A command's model, read with the plug-ins beside the program as the
// viewer reads it.
struct CommandModel {
  CommandModel();

  // Loads `path`. A file that cannot be read is said ("cannot read PATH:
  // why") and gives false; buildings left out are said, and the rest of the
  // model is still there to work on.
  bool Load(std::string_view path);

  CInkSolid scene;
  K3dViewState view;
};

}  // namespace korvex::cli
