// "時刻指定": the times of the day to pick the sun from, with "影を作製する"
// and "真北の反転". The caller fills the list (LoadTimeDialog); OK turns the
// chosen time into the sun vector (AcceptTimeDialog) and is refused while
// the list is empty.
#pragma once

#include <QDialog>

#include "view/SunTimes.h"

class QCheckBox;
class QListWidget;

namespace korvex::dialogs {

class CJikokuDlg final : public QDialog {
 public:
  explicit CJikokuDlg(const TimeDialogValues& values, QWidget* parent = nullptr);

  const TimeDialogValues& Values() const { return values_; }

  void accept() override;

 private:
  TimeDialogValues values_;
  QListWidget* list_ = nullptr;       // 1027
  QCheckBox* createShadow_ = nullptr;  // 1031
  QCheckBox* flipNorth_ = nullptr;     // 1057
};

}  // namespace korvex::dialogs
