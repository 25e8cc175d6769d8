// "背景色": the background colour and "背景に画像を使用する".
#pragma once

#include <QDialog>

#include "view/ViewShell.h"

class QCheckBox;

namespace korvex::dialogs {

class ColorButton;

class CBkColorDlg final : public QDialog {
 public:
  explicit CBkColorDlg(const BackgroundDialogValues& values, QWidget* parent = nullptr);

  const BackgroundDialogValues& Values() const { return values_; }

  void accept() override;

 private:
  BackgroundDialogValues values_;
  ColorButton* colour_;
  QCheckBox* useImage_;
};

}  // namespace korvex::dialogs
