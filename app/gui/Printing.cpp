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
#include "common/UiText.h"

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

// How a page is measured: in the printer's own pixels (the framework's
// print), or in hundredths of an inch mapped onto them (the test print).
enum class PageUnits { DevicePixels, HundredthsOfAnInch };

// The same page measured in the painter's logical units.
class HundredthsPage final : public PrintDevice {
 public:
  HundredthsPage(QPainter& painter, QSize extent) : page_(painter), extent_(extent) {}
  bool CanStretch() const override { return true; }
  void PageSize(int& width, int& height) const override {
    width = extent_.width();
    height = extent_.height();
  }
  bool StretchPicture(const StereonImage& picture, int width, int height) override {
    return page_.StretchPicture(picture, width, height);
  }
  bool SetPagePixel(int x, int y, uint32_t rgb) override { return page_.SetPagePixel(x, y, rgb); }

 private:
  PainterPage page_;
  QSize extent_;
};

void PrintOn(QPrinter& printer, CStereonView& view, PageUnits units = PageUnits::DevicePixels) {
  QPainter painter;
  if (!painter.begin(&printer)) return;
  if (units == PageUnits::HundredthsOfAnInch) {
    // The printable area in hundredths of an inch, stretched over all its
    // device pixels: the picture's size no longer grows with the printer's
    // resolution.
    const QSize extent = TestPrintExtent(printer);
    painter.setWindow(QRect(QPoint(0, 0), extent));
    painter.setViewport(QRect(0, 0, printer.width(), printer.height()));
    HundredthsPage page(painter, extent);
    view.PrintPage(page);
  } else {
    PainterPage page(painter);
    view.PrintPage(page);
  }
  painter.end();
}

// Prints one page; a PDF is written beside its name first and renamed over
// it only when complete, so a failed print leaves the previous file.
void PrintPage(QPrinter& printer, CStereonView& view, PageUnits units = PageUnits::DevicePixels) {
  if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty()) {
    PrintOn(printer, view, units);
    return;
  }
  const QString target = printer.outputFileName();
  const QString partial = target + QStringLiteral(".partial");
  printer.setOutputFileName(partial);
  PrintOn(printer, view, units);
  printer.setOutputFileName(target);
  const std::filesystem::path from(partial.toStdString());
  std::error_code error;
  if (!std::filesystem::exists(from, error) || !RenameOver(from, target.toStdString())) {
    std::filesystem::remove(from, error);
    QMessageBox::critical(nullptr, QString::fromStdString(UiText(output::kErrorCaption)),
                          QString::fromStdString(UiText(output::kCannotSave)));
  }
}

// Without any printer the page becomes a PDF in the current folder.
void UsePdfWhenNoPrinter(QPrinter& printer) {
  if (!QPrinterInfo::availablePrinterNames().isEmpty()) return;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QDir::current().absoluteFilePath(QString::fromUtf8(kPrintPdfName)));
}

}  // namespace

QSize TestPrintExtent(const QPrinter& printer) {
  const QRectF area = printer.pageRect(QPrinter::Millimeter);
  return QSize(static_cast<int>(area.width() * 1000.0 / 254.0), static_cast<int>(area.height() * 1000.0 / 254.0));
}

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
      PrintPage(printer, view, PageUnits::HundredthsOfAnInch);
      return true;
    default: return false;
  }
}

}  // namespace korvex::gui
