#include "sheet/ContactSheet.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "sheet/FontApplication.h"
#include "output/JpegWriter.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex {

namespace {

// Thumbnails are at most this wide; a sheet of a whole day stays a few
// thousand pixels across.
constexpr int kThumbWidth = 480;
constexpr int kGap = 8;
constexpr int kLabelHeight = 30;
constexpr int kTitleHeight = 44;
constexpr const char* kFontFamily = "Noto Sans CJK JP";

QString FrameLabel(const SunStudyFrame& frame) {
  return Tr("%1:%2  方位 %3°  高度 %4°")
      .arg(frame.minutes / 60, 2, 10, QLatin1Char('0'))
      .arg(frame.minutes % 60, 2, 10, QLatin1Char('0'))
      .arg(frame.sun.viewer.azimuthFromSouth, 0, 'f', 1)
      .arg(frame.sun.viewer.altitude, 0, 'f', 1);
}

void Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

}  // namespace

std::string SunStudyTitle(const SunStudyPlan& plan) {
  const SolarInput& s = plan.site;
  const QString text = Tr("日影図  %1年%2月%3日  %4 %5°  %6 %7°  UTC%8%9")
                           .arg(s.year)
                           .arg(s.month)
                           .arg(s.day)
                           .arg(s.latitude >= 0 ? Tr("北緯") : Tr("南緯"))
                           .arg(std::abs(s.latitude), 0, 'f', 4)
                           .arg(s.longitude >= 0 ? Tr("東経") : Tr("西経"))
                           .arg(std::abs(s.longitude), 0, 'f', 4)
                           .arg(s.utcOffsetHours >= 0 ? QStringLiteral("+") : QStringLiteral("-"))
                           .arg(std::abs(s.utcOffsetHours));
  return text.toStdString();
}

bool WriteContactSheet(const std::filesystem::path& folder, std::span<const SunStudyFrame> frames,
                       const std::string& title, std::string* error) {
  const FontApplication application;
  std::vector<QImage> thumbs;
  std::vector<const SunStudyFrame*> shown;
  for (const SunStudyFrame& frame : frames) {
    QImage picture(QString::fromStdString((folder / frame.fileName).string()));
    if (picture.isNull()) continue;  // a picture gone since: the rest still make a sheet
    if (picture.width() > kThumbWidth)
      picture = picture.scaledToWidth(kThumbWidth, Qt::SmoothTransformation);
    thumbs.push_back(std::move(picture));
    shown.push_back(&frame);
  }
  if (thumbs.empty()) {
    Fail(error, "no picture of the study could be read for the sheet");
    return false;
  }

  int cellWidth = 0, cellHeight = 0;
  for (const QImage& t : thumbs) {
    cellWidth = std::max(cellWidth, t.width());
    cellHeight = std::max(cellHeight, t.height());
  }
  cellWidth = std::max(cellWidth, 240);  // room for the label
  const int count = static_cast<int>(thumbs.size());
  const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
  const int rows = (count + columns - 1) / columns;
  const int width = kGap + columns * (cellWidth + kGap);
  const int height = kTitleHeight + rows * (cellHeight + kLabelHeight + kGap) + kGap;
  if (width > 65535 || height > 65535) {
    Fail(error, "the sheet would be too large");
    return false;
  }

  QImage sheet(width, height, QImage::Format_RGBA8888);
  sheet.fill(Qt::white);
  {
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QString::fromLatin1(kFontFamily));
    font.setPixelSize(22);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(kGap, 0, width - 2 * kGap, kTitleHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     QString::fromStdString(title));
    font.setPixelSize(17);
    painter.setFont(font);
    for (int i = 0; i < count; ++i) {
      const int x = kGap + (i % columns) * (cellWidth + kGap);
      const int y = kTitleHeight + (i / columns) * (cellHeight + kLabelHeight + kGap);
      painter.drawImage(x + (cellWidth - thumbs[i].width()) / 2, y, thumbs[i]);
      painter.drawText(QRect(x, y + cellHeight, cellWidth, kLabelHeight), Qt::AlignCenter, FrameLabel(*shown[i]));
    }
  }
  // The writer takes rows from the bottom up, as the engine reads them back.
  const QImage flipped = sheet.mirrored(false, true);
  std::string why;
  if (!WriteJpegFile((folder / kContactSheetName).string(), flipped.constBits(), width, height,
                     JpegPixels::RgbaBottomUp, kJpegQuality, &why)) {
    Fail(error, why.empty() ? "the sheet could not be written" : why);
    return false;
  }
  return true;
}

}  // namespace korvex
