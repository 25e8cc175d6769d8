// "断面": the section planes typed in, up to three, each as "z=H" (keep what
// lies below the height), "x=V", "y=V" or "a,b,c,d" (keep the side where
// a·x + b·y + c·z + d <= 0); an empty line is no plane. The check box
// switches sectioning off without losing the planes.
#pragma once

#include <QDialog>

#include <array>
#include <vector>

#include "geometry/gm_types.h"

class QCheckBox;
class QLineEdit;

namespace korvex::dialogs {

struct SectionChoice {
  std::vector<GMPlane> planes;
  bool shown = true;
};

class CSectionDlg final : public QDialog {
 public:
  explicit CSectionDlg(const SectionChoice& choice, QWidget* parent = nullptr);

  const SectionChoice& Choice() const { return choice_; }

  // Reads the lines; one that is no plane is told, gets the focus and the
  // dialog stays open.
  void accept() override;

 private:
  SectionChoice choice_;
  std::array<QLineEdit*, 3> lines_{};
  QCheckBox* shown_ = nullptr;
};

}  // namespace korvex::dialogs
