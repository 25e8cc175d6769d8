// "色設定": the selected node's colour, opacity (0..255, the top byte of the
// colour), visibility and texture (0 none, n the engine's texture n - 1).
#pragma once

#include <QDialog>

#include "view/ViewShell.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace korvex::dialogs {

class ColorButton;

class CColorDlg final : public QDialog {
 public:
  explicit CColorDlg(const ColourDialogValues& values, QWidget* parent = nullptr);

  // The values as shown, and after OK as the user left them.
  const ColourDialogValues& Values() const { return values_; }

  void accept() override;

 private:
  ColourDialogValues values_;
  ColorButton* colour_;
  QLineEdit* opacity_;
  QCheckBox* visible_;
  QComboBox* texture_;
};

}  // namespace korvex::dialogs
