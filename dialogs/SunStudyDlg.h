// "日影図": the sun study of the viewer. The user gives the date, the place
// (latitude, longitude, UTC offset), north in degrees (the plan holds
// radians, as the project file does), the time range and step, the picture
// size and the output folder; OK hands back the study's plan, which the main
// window runs with a progress dialog that can be cancelled.
#pragma once

#include <QDialog>

#include "view/SunStudy.h"

class QDateEdit;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;
class QTimeEdit;

namespace korvex::dialogs {

class CSunStudyDlg final : public QDialog {
 public:
  explicit CSunStudyDlg(const SunStudyPlan& plan, QWidget* parent = nullptr);

  const SunStudyPlan& Plan() const { return plan_; }

  // Reads the fields; an impossible plan (no folder, the end before the
  // start, a date the sun cannot be computed for) is told and the dialog
  // stays open.
  void accept() override;

 private:
  void ChooseFolder();

  SunStudyPlan plan_;
  QDateEdit* date_ = nullptr;
  QDoubleSpinBox* latitude_ = nullptr;
  QDoubleSpinBox* longitude_ = nullptr;
  QDoubleSpinBox* utcOffset_ = nullptr;
  QDoubleSpinBox* north_ = nullptr;
  QTimeEdit* from_ = nullptr;
  QTimeEdit* to_ = nullptr;
  QSpinBox* step_ = nullptr;
  QSpinBox* width_ = nullptr;
  QSpinBox* height_ = nullptr;
  QLineEdit* folder_ = nullptr;
};

}  // namespace korvex::dialogs
