// "日影規制": the daylight regulation study of the viewer. The user gives the
// date, the place (latitude and longitude, or a map projection), north, the
// measurement plane, the grid, the time window, the contour hours, the site
// (as points, or the outline of the node "敷地") and the limits, and the
// folder the results go to; OK hands them back for the main window to run.
#pragma once

#include <QDialog>

#include <filesystem>

#include "analysis/ShadowStudy.h"

class QCheckBox;
class QDateEdit;
class QDoubleSpinBox;
class QLineEdit;
class QTimeEdit;

namespace korvex::dialogs {

struct ShadowRegulationChoice {
  analysis::StudyPlan plan;
  bool siteFromNode = false;  // the site is the first figure of the node "敷地"
  std::filesystem::path folder;
};

class CShadowRegulationDlg final : public QDialog {
 public:
  explicit CShadowRegulationDlg(const ShadowRegulationChoice& choice, QWidget* parent = nullptr);

  const ShadowRegulationChoice& Choice() const { return choice_; }

  // Reads the fields; lists that are no numbers, an empty folder or an
  // impossible time window are told and the dialog stays open.
  void accept() override;

 private:
  ShadowRegulationChoice choice_;
  QDateEdit* date_ = nullptr;
  QDoubleSpinBox* latitude_ = nullptr;
  QDoubleSpinBox* longitude_ = nullptr;
  QLineEdit* crs_ = nullptr;
  QDoubleSpinBox* north_ = nullptr;
  QDoubleSpinBox* height_ = nullptr;
  QLineEdit* ground_ = nullptr;
  QDoubleSpinBox* grid_ = nullptr;
  QTimeEdit* from_ = nullptr;
  QTimeEdit* to_ = nullptr;
  QCheckBox* clockTime_ = nullptr;
  QDoubleSpinBox* utcOffset_ = nullptr;
  QLineEdit* contours_ = nullptr;
  QLineEdit* site_ = nullptr;
  QCheckBox* siteFromNode_ = nullptr;
  QCheckBox* useLimits_ = nullptr;
  QDoubleSpinBox* limit5_ = nullptr;
  QDoubleSpinBox* limit10_ = nullptr;
  QLineEdit* folder_ = nullptr;
};

}  // namespace korvex::dialogs
