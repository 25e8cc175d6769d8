// "視点設定": eye and target, view angle, front and back plane, rotation
// step, the isometric corner and the display reference scale 1/N. Every
// number is accepted as it is, without range checks.
#pragma once

#include <QDialog>

#include <array>

#include "view/ViewShell.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;

namespace korvex::dialogs {

class CEyeDlg final : public QDialog {
 public:
  explicit CEyeDlg(const EyeDialogValues& values, QWidget* parent = nullptr);

  const EyeDialogValues& Values() const { return values_; }

  void accept() override;

 private:
  EyeDialogValues values_;
  // Controls 1006..1015: eye XYZ, target XYZ, angle, front, back, rotation.
  std::array<QLineEdit*, 10> fields_{};
  QButtonGroup* corner_;
  QComboBox* scale_;
};

}  // namespace korvex::dialogs
