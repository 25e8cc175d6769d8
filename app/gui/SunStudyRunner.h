// "日影図...": the sun study of the viewer, opened from the "設定(&C)" menu.
// The dialog asks for the plan; the study then runs on the view with a
// progress dialog whose cancel stops it after the picture being drawn.
#pragma once

class QWidget;

namespace korvex {

class CStereonView;

// The command's id: none of the view's own commands uses it.
inline constexpr int kSunStudyCommand = 32995;

// Opens the dialog (with the last plan of this run, or a first plan for the
// winter solstice in Tokyo with the project's north) and runs the study.
void RunSunStudyDialog(QWidget* parent, CStereonView& view);

}  // namespace korvex
