// CExPrintDlg "拡張印刷設定": the resolution a page is rendered at and the
// line width of printed pictures.
#pragma once

#include <QDialog>

#include "view/ViewShell.h"

class QButtonGroup;
class QLineEdit;

namespace korvex::dialogs {

class CExPrintDlg final : public QDialog {
 public:
  explicit CExPrintDlg(const PrintDialogValues& values, QWidget* parent = nullptr);

  const PrintDialogValues& Values() const { return values_; }

  void accept() override;

 private:
  PrintDialogValues values_;
  QButtonGroup* resolution_ = nullptr;
  QLineEdit* lineWidth_ = nullptr;
};

}  // namespace korvex::dialogs
