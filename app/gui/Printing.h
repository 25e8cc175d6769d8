// Printing through Qt: the print dialog, direct print, print preview and
// the test print on A4 landscape. The page itself is drawn by the view
// (CStereonView::PrintPage); this layer only provides the printer. With no
// printer installed the page goes to a PDF file.
#pragma once

class QWidget;

namespace korvex {
class CStereonView;
}

namespace korvex::gui {

// The PDF written when no printer is installed, in the current folder.
inline constexpr const char* kPrintPdfName = "KorvexPrint.pdf";

// Carries out cmd::kPrint, kPrintDirect, kPrintPreview or kTestPrint; false
// for any other command.
bool RunPrintCommand(QWidget* parent, CStereonView& view, int command);

}  // namespace korvex::gui
