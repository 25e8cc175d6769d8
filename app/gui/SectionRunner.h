// "断面...": the section planes of the view typed into a small dialog,
// opened from the "表示(&V)" menu beside the check item and the mouse mode
// that moves a plane.
#pragma once

class QWidget;

namespace korvex {

class CStereonView;

// The command's id: none of the view's own commands uses it.
inline constexpr int kSectionDialogCommand = 33012;

// Opens the dialog with the view's planes; OK puts the planes typed in
// force (and the check item as ticked).
void RunSectionDialog(QWidget* parent, CStereonView& view);

}  // namespace korvex
