// CBMPOutDlg "ファイル出力": the picture's size (the view's or a given one),
// the line width, the old way of drawing, and the drawing-layout output with
// its base file name.
#pragma once

#include <QDialog>

#include "view/ViewShell.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace korvex::dialogs {

class CBMPOutDlg final : public QDialog {
 public:
  explicit CBMPOutDlg(const ExportDialogValues& values, QWidget* parent = nullptr);

  const ExportDialogValues& Values() const { return values_; }

  void accept() override;

 private:
  void EnableSizes();

  ExportDialogValues values_;
  QRadioButton* displaySize_ = nullptr;
  QRadioButton* givenSize_ = nullptr;
  QLineEdit* width_ = nullptr;
  QLineEdit* height_ = nullptr;
  QLineEdit* lineWidth_ = nullptr;
  QCheckBox* oldMethod_ = nullptr;
  QCheckBox* layoutOut_ = nullptr;
  QLineEdit* layoutBase_ = nullptr;
};

}  // namespace korvex::dialogs
