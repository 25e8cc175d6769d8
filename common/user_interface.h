// The one way the core reaches the user.
//
// The view controller, the engine, the start-up logic and the formats are
// plain C++: whatever they need to tell or ask the user goes through this
// interface. The Qt layer implements it with real widgets; tests implement it
// with a recording fake, so every command runs without a display.
//
// Texts are UTF-8. Texts that come out of the scene or its files are Shift-JIS
// bytes there and are converted before they are passed here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvex {

enum class MessageIcon { None, Information, Warning, Error, Question };

// Buttons of a message box, and the answer it gives.
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
  bool save = false;
  std::string caption;
  // Filter text in the form "description|pattern|description|pattern||".
  std::string filter;
  std::string initialFolder;
  std::string defaultName;
  std::string defaultExtension;
  // Receives the index of the filter entry the user chose (0 for the first
  // description and pattern), when the caller asks for it and the dialog can
  // tell; left as it was otherwise.
  int* chosenFilter = nullptr;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // The first pane of the status bar.
  virtual void SetStatusText(std::string_view text) = 0;
  virtual MessageAnswer ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon,
                                    MessageButtons buttons = MessageButtons::Ok) = 0;
  // The chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> ChooseFile(const FileDialogRequest& request) = 0;
  virtual void SetWaitCursor(bool on) = 0;
  virtual void SetClipboardText(std::string_view text) = 0;
  // Nothing when the clipboard holds no text at all, which is not the same
  // as empty text: the host link ignores the one and deselects on the other.
  virtual std::optional<std::string> GetClipboardText() = 0;
  // Sends one message to the host application; false when it could not be
  // delivered (the caller then forgets the host).
  virtual bool PostToHost(uint32_t message, uint64_t wParam, uint64_t lParam) = 0;
  // Asks for the view to be drawn again.
  virtual void RequestRepaint() = 0;
};

}  // namespace korvex
