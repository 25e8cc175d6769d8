// The user interface of the core, carried out with Qt widgets: the status
// pane, message boxes, file dialogs, the wait cursor, the clipboard and the
// host link.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

#include "common/user_interface.h"

class QLabel;
class QWidget;

namespace korvex {
struct Application;
}

namespace korvex::gui {

// A filter of the form "description|pattern|description|pattern||" as Qt's
// file dialogs take it: one "description (patterns)" entry per pair, the
// patterns separated by spaces. A description that already ends with its
// patterns in parentheses is kept as it is.
QStringList ToQtFilters(const std::string& filter);
// The extension a save dialog gives a bare name under that Qt filter
// ("jpg" for "JPEG (*.jpg)"); empty when its first pattern is no plain one.
QString FilterSuffix(const QString& filter);

class QtUserInterface final : public UserInterface {
 public:
  QtUserInterface(Application& app, QWidget* parent) : app_(app), parent_(parent) {}

  void SetStatusPane(QLabel* pane) { status_ = pane; }
  void SetRepaint(std::function<void()> repaint) { repaint_ = std::move(repaint); }
  // Called after a post to the host failed and the host was forgotten.
  void SetHostLost(std::function<void()> lost) { hostLost_ = std::move(lost); }

  void SetStatusText(std::string_view text) override;
  MessageAnswer ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon,
                            MessageButtons buttons) override;
  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;
  void SetWaitCursor(bool on) override;
  void SetClipboardText(std::string_view text) override;
  std::optional<std::string> GetClipboardText() override;
  bool PostToHost(uint32_t message, uint64_t wParam, uint64_t lParam) override;
  void RequestRepaint() override;

 private:
  Application& app_;
  QWidget* parent_;
  QLabel* status_ = nullptr;
  std::function<void()> repaint_;
  std::function<void()> hostLost_;
  int waitDepth_ = 0;
};

}  // namespace korvex::gui
