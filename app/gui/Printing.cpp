#include "app/gui/Printing.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <filesystem>

#include "common/atomic_file.h"
#include "output/OutputTexts.h"
#include "view/PrintDevice.h"
#include "view/StereonView.h"

namespace korvex::gui {

namespace {

// A printer page seen through a painter; coordinates are the printable
// area's device pixels.
class PainterPage final : public PrintDevice {
 public:
  explicit PainterPage(QPainter& painter) : painter_(painter) {}
  bool CanStretch() const override { return true; }
  void PageSize(int& width, int& height) const override {
    width = painter_.device()->width();
    height = painter_.device()->height();
  }
  bool StretchPicture(const StereonImage& picture, int width, int height) override {
    // The picture's rows run bottom-up: seen as an image it stands on its
    // head, and is turned the right way up once.
    const QImage image(picture.pixels.data(), picture.width, picture.height, picture.width * 4,
                       QImage::Format_RGBA8888);
    painter_.drawImage(QRect(0, 0, width, height), image.mirrored(false, true));
    return true;
  }
  bool SetPagePixel(int x, int y, uint32_t rgb) override {
    painter_.fillRect(x, y, 1, 1, QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF));
    return true;
  }

 private:
  QPainter& painter_;
};

void PrintOn(QPrinter& printer, CStereonView& view) {
  QPainter painter;
  if (!painter.begin(&printer)) return;
  PainterPage page(painter);
  view.PrintPage(page);
  painter.end();
}

// Prints one page; a PDF is written beside its name first and renamed over
// it only when complete, so a failed print leaves the previous file.
void PrintPage(QPrinter& printer, CStereonView& view) {
  if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty()) {
    PrintOn(printer, view);
    return;
  }
  const QString target = printer.outputFileName();
  const QString partial = target + QStringLiteral(".partial");
  printer.setOutputFileName(partial);
  PrintOn(printer, view);
  printer.setOutputFileName(target);
  const std::filesystem::path from(partial.toStdString());
  std::error_code error;
  if (!std::filesystem::exists(from, error) || !RenameOver(from, target.toStdString())) {
    std::filesystem::remove(from, error);
    QMessageBox::critical(nullptr, QString::fromUtf8(output::kErrorCaption), QString::fromUtf8(output::kCannotSave));
  }
}

// Without any printer the page becomes a PDF in the current folder.
void UsePdfWhenNoPrinter(QPrinter& printer) {
  if (!QPrinterInfo::availablePrinterNames().isEmpty()) return;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QDir::current().absoluteFilePath(QString::fromUtf8(kPrintPdfName)));
}

}  // namespace

bool RunPrintCommand(QWidget* parent, CStereonView& view, int command) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QString::fromUtf8(output::kPrintDocumentName));
  switch (command) {
    case cmd::kPrint: {
      UsePdfWhenNoPrinter(printer);
      QPrintDialog dialog(&printer, parent);
      if (dialog.exec() != QDialog::Accepted) return true;
      PrintPage(printer, view);
      return true;
    }
    case cmd::kPrintDirect:
      UsePdfWhenNoPrinter(printer);
      PrintPage(printer, view);
      return true;
    case cmd::kPrintPreview: {
      UsePdfWhenNoPrinter(printer);
      QPrintPreviewDialog preview(&printer, parent);
      QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                       [&view](QPrinter* target) { PrintOn(*target, view); });
      preview.exec();
      return true;
    }
    case cmd::kTestPrint:
      UsePdfWhenNoPrinter(printer);
      printer.setPageSize(QPageSize(QPageSize::A4));
      printer.setPageOrientation(QPageLayout::Landscape);
      PrintPage(printer, view);
      return true;
    default: return false;
  }
}

}  // namespace korvex::gui
