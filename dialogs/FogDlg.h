// "ﾌｫｸﾞ設定": two like groups, for faces ("多角形用") and for lines ("線分用"):
// on/off, start, end, coefficient and the mode (線形, 非線形1, 非線形2).
#pragma once

#include <QDialog>

#include "view/ViewShell.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace korvex::dialogs {

class CFogDlg final : public QDialog {
 public:
  explicit CFogDlg(const FogDialogValues& values, QWidget* parent = nullptr);

  const FogDialogValues& Values() const { return values_; }

  void accept() override;

 private:
  struct Group {
    QCheckBox* used = nullptr;
    QLineEdit* start = nullptr;
    QLineEdit* end = nullptr;
    QLineEdit* density = nullptr;
    QButtonGroup* mode = nullptr;
  };
  // Control ids: check, start, end, coefficient, then the three mode radios.
  Group MakeGroup(const QString& title, const FogValues& values, const int (&ids)[7]);
  static bool Read(const Group& group, FogValues& values);

  FogDialogValues values_;
  Group face_;
  Group line_;
};

}  // namespace korvex::dialogs
