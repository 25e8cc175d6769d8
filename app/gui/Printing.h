// Printing through Qt: the print dialog, direct print, print preview and
// the test print on A4 landscape. The page itself is drawn by the view
// (CStereonView::PrintPage); this layer only provides the printer. With no
// printer installed the page goes to a PDF file.
#pragma once

#include <QSize>

class QPrinter;
class QWidget;

namespace korvex {
class CStereonView;
}

namespace korvex::gui {

// The PDF written when no printer is installed, in the current folder.
inline constexpr const char* kPrintPdfName = "KorvexPrint.pdf";

// The test print's page: the printable area in hundredths of an inch
// (1169 × 826 on the whole of an A4 sheet across), whatever the printer's
// resolution.
QSize TestPrintExtent(const QPrinter& printer);

// Carries out cmd::kPrint, kPrintDirect, kPrintPreview or kTestPrint; false
// for any other command.
bool RunPrintCommand(QWidget* parent, CStereonView& view, int command);

}  // namespace korvex::gui
