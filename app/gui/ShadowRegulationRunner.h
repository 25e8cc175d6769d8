// "日影規制...": the daylight regulation study of the viewer, opened from the
// "設定(&C)" menu. The dialog asks for the study; it runs on the view's
// model under a progress dialog whose cancel stops it, writes its folder as
// korvex-cli shadowhours does, and is drawn over the view on its plane.
// "日影規制の表示" hides and shows that drawing.
#pragma once

class QWidget;

namespace korvex {

class CStereonView;

// The commands' ids: none of the view's own commands uses them.
inline constexpr int kShadowRegulationCommand = 32996;
inline constexpr int kShadowRegulationOverlayCommand = 32997;

// Opens the dialog (with the last choice of this run, or a first one for
// the winter solstice in Tokyo with the project's north) and runs the study.
void RunShadowRegulationDialog(QWidget* parent, CStereonView& view);

}  // namespace korvex
