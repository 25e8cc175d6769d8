// "ﾉｰﾄﾞﾌﾟﾛﾊﾟﾃｨ": the selected node's origin, scale, rotation axis and
// rotation angle in degrees.
#pragma once

#include <QDialog>

#include <array>

#include "view/ViewShell.h"

class QLineEdit;

namespace korvex::dialogs {

class CNodePropertyDlg final : public QDialog {
 public:
  explicit CNodePropertyDlg(const NodePropertyValues& values, QWidget* parent = nullptr);

  const NodePropertyValues& Values() const { return values_; }

  void accept() override;

  // The fields in order: origin X Y Z, scale X Y Z, axis X Y Z, angle.
  QLineEdit* Field(int index) { return fields_[static_cast<size_t>(index)]; }

 private:
  NodePropertyValues values_;
  std::array<QLineEdit*, 10> fields_{};
};

}  // namespace korvex::dialogs
