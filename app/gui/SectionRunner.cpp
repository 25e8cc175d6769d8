#include "app/gui/SectionRunner.h"

#include <vector>

#include "dialogs/SectionDlg.h"
#include "view/StereonView.h"

namespace korvex {

void RunSectionDialog(QWidget* parent, CStereonView& view) {
  dialogs::SectionChoice choice;
  choice.planes.assign(view.Sections().begin(), view.Sections().end());
  choice.shown = view.SectionsShown();
  dialogs::CSectionDlg dialog(choice, parent);
  if (dialog.exec() != QDialog::Accepted) return;
  // The dialog has read every line: three planes at most, each with a
  // normal, which the view takes as they are.
  view.SetSections(dialog.Choice().planes);
  view.ShowSections(dialog.Choice().shown);
}

}  // namespace korvex
