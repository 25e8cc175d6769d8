#include "sheet/ShadowPlan.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <algorithm>
#include <cmath>

#include "sheet/FontApplication.h"
#include "output/JpegWriter.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex {

namespace {

using analysis::Point2;
using analysis::Polyline;
using analysis::Ring2Set;

constexpr const char* kFontFamily = "Noto Sans CJK JP";
constexpr int kMapSide = 1600;  // the longer side of the map, pixels
constexpr int kMargin = 40;
constexpr int kTitleHeight = 64;
constexpr int kLegendWidth = 360;

// The equal-time lines, in an order that keeps neighbours apart.
const QColor kLineColours[] = {QColor(220, 30, 30),  QColor(240, 140, 0), QColor(30, 150, 40), QColor(20, 90, 220),
                               QColor(150, 40, 190), QColor(0, 160, 170), QColor(120, 80, 20), QColor(230, 0, 140)};
const QColor kOutlineColour = QColor::fromRgb(kShadowOutlineRgb);
const QColor kFootprintColour(190, 190, 190);
const QColor kRegulatedColours[] = {QColor(200, 0, 0), QColor(0, 0, 180)};

QColor LineColour(std::size_t k) { return kLineColours[k % std::size(kLineColours)]; }

QString Hours(double hours) { return QString::number(hours, 'g', 4) + Tr("時間"); }

// Model coordinates to the picture: north (+y) up.
struct Map {
  analysis::Area area;
  double scale = 1;
  QPointF operator()(const Point2& p) const {
    return {kMargin + (p.x - area.x0) * scale, kTitleHeight + kMargin + (area.y1 - p.y) * scale};
  }
  QPainterPath Path(const Polyline& line) const {
    QPainterPath path;
    for (std::size_t i = 0; i < line.size(); ++i) i == 0 ? path.moveTo((*this)(line[i])) : path.lineTo((*this)(line[i]));
    return path;
  }
  QPainterPath Polygons(const std::vector<Ring2Set>& polygons) const {
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const Ring2Set& polygon : polygons)
      for (const Polyline& ring : polygon.rings) path.addPath(Path(ring));
    return path;
  }
};

// Text with a white halo, readable over any line.
void Label(QPainter& painter, QPointF at, const QString& text, const QColor& colour) {
  QPainterPath path;
  path.addText(at, painter.font(), text);
  painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(path);
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  painter.drawPath(path);
}

void Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

}  // namespace

uint32_t ShadowLineRgb(std::size_t k) { return LineColour(k).rgb() & 0xFFFFFFu; }
uint32_t RegulatedLineRgb(std::size_t k) { return kRegulatedColours[k % 2].rgb() & 0xFFFFFFu; }

std::string ShadowPlanTitle(const analysis::StudyResult& result) {
  const auto& plan = result.plan;
  const SolarInput& s = plan.window.site;
  const QString text =
      Tr("等時間日影図・時刻日影図  %1年%2月%3日  %4%5°  測定面 %6m  %7 %8〜%9")
          .arg(s.year)
          .arg(s.month)
          .arg(s.day)
          .arg(s.latitude >= 0 ? Tr("北緯") : Tr("南緯"))
          .arg(std::abs(s.latitude), 0, 'f', 4)
          .arg(plan.height, 0, 'f', 1)
          .arg(plan.window.clockTime ? Tr("時刻") : Tr("真太陽時"))
          .arg(QString::fromStdString(analysis::ClockText(plan.window.fromHours)))
          .arg(QString::fromStdString(analysis::ClockText(plan.window.toHours)));
  return text.toStdString();
}

bool WriteShadowPlan(const analysis::StudyResult& result, const std::filesystem::path& folder, std::string* error) {
  const FontApplication application;
  const analysis::Area& area = result.grid.area;
  Map map{area, kMapSide / std::max(area.x1 - area.x0, area.y1 - area.y0)};
  const int mapWidth = static_cast<int>(std::ceil((area.x1 - area.x0) * map.scale));
  const int mapHeight = static_cast<int>(std::ceil((area.y1 - area.y0) * map.scale));
  const int width = kMargin + mapWidth + kMargin + kLegendWidth;
  const int height = kTitleHeight + kMargin + std::max(mapHeight, 560) + kMargin;

  QImage picture(width, height, QImage::Format_RGBA8888);
  picture.fill(Qt::white);
  {
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QString::fromLatin1(kFontFamily));
    font.setPixelSize(24);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(kMargin, 0, width - 2 * kMargin, kTitleHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     QString::fromStdString(ShadowPlanTitle(result)));
    painter.setClipRect(QRectF(kMargin, kTitleHeight + kMargin, mapWidth, mapHeight));

    // The model from above, then the shadows of each step over it.
    painter.setPen(QPen(QColor(120, 120, 120), 1));
    painter.setBrush(kFootprintColour);
    painter.drawPath(map.Polygons(result.footprint));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kOutlineColour, 1.2));
    for (const auto& outline : result.outlines) painter.drawPath(map.Polygons(outline.polygons));

    // The equal-time lines, each labelled where it is long enough.
    const auto levels = analysis::StudyContours(result);
    font.setPixelSize(17);
    painter.setFont(font);
    for (std::size_t k = 0; k < levels.size(); ++k) {
      painter.setPen(QPen(LineColour(k), 2.5));
      painter.setBrush(Qt::NoBrush);
      for (const Polyline& line : levels[k]) {
        const QPainterPath path = map.Path(line);
        painter.drawPath(path);
        if (path.length() > 80) Label(painter, path.pointAtPercent(0.5), Hours(result.plan.contours[k]), LineColour(k));
        painter.setPen(QPen(LineColour(k), 2.5));
        painter.setBrush(Qt::NoBrush);
      }
    }

    // The site, the regulated lines and their worst points.
    if (!result.plan.site.empty()) {
      Polyline site = result.plan.site;
      site.push_back(site.front());
      painter.setPen(QPen(Qt::black, 2.5));
      painter.drawPath(map.Path(site));
    }
    for (std::size_t k = 0; k < result.lines.size(); ++k) {
      const auto& check = result.lines[k];
      const QColor colour = kRegulatedColours[k % 2];
      painter.setPen(QPen(colour, 2, Qt::DashLine));
      painter.setBrush(Qt::NoBrush);
      painter.drawPath(map.Path(check.line));
      if (!check.maxHours) continue;
      const QPointF at = map(check.at);
      painter.setPen(QPen(colour, 2));
      painter.setBrush(Qt::white);
      painter.drawEllipse(at, 7, 7);
      Label(painter, at + QPointF(10, -10),
            Tr("%1m 最大 %2").arg(check.offset, 0, 'f', 0).arg(Hours(*check.maxHours)), colour);
    }
    painter.setClipping(false);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(kMargin, kTitleHeight + kMargin, mapWidth, mapHeight));

    // True north, turned from the drawing's up by the site's north angle.
    const QPointF arrow(kMargin + mapWidth - 40, kTitleHeight + kMargin + 50);
    const double north = result.plan.window.north;
    const QPointF tip = arrow + QPointF(30 * std::sin(north), -30 * std::cos(north));
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(arrow - (tip - arrow), tip);
    painter.setBrush(Qt::black);
    painter.drawEllipse(tip, 4, 4);
    font.setPixelSize(16);
    painter.setFont(font);
    painter.drawText(QRectF(arrow.x() - 40, arrow.y() + 32, 80, 22), Qt::AlignCenter, Tr("真北"));

    // The legend.
    const int x = kMargin + mapWidth + kMargin;
    int y = kTitleHeight + kMargin;
    font.setPixelSize(18);
    painter.setFont(font);
    auto entry = [&](const QPen& pen, const QString& text, bool filled = false) {
      painter.setPen(pen);
      painter.setBrush(filled ? QBrush(kFootprintColour) : Qt::NoBrush);
      if (filled)
        painter.drawRect(QRectF(x, y + 4, 36, 16));
      else
        painter.drawLine(QPointF(x, y + 12), QPointF(x + 36, y + 12));
      painter.setPen(Qt::black);
      painter.drawText(QRectF(x + 46, y, kLegendWidth - 56, 26), Qt::AlignVCenter | Qt::AlignLeft, text);
      y += 30;
    };
    painter.setPen(Qt::black);
    painter.drawText(QRectF(x, y, kLegendWidth, 26), Qt::AlignVCenter | Qt::AlignLeft, Tr("凡例"));
    y += 34;
    entry(QPen(QColor(120, 120, 120), 1), Tr("建物"), true);
    entry(QPen(kOutlineColour, 1.2),
          Tr("時刻日影 (%1分毎)").arg(result.plan.outlineStepMinutes));
    for (std::size_t k = 0; k < result.plan.contours.size(); ++k)
      entry(QPen(LineColour(k), 2.5), Tr("等時間日影 ") + Hours(result.plan.contours[k]));
    if (!result.plan.site.empty()) {
      entry(QPen(Qt::black, 2.5), Tr("敷地境界線"));
      for (std::size_t k = 0; k < result.lines.size(); ++k) {
        const auto& check = result.lines[k];
        QString text = Tr("%1m 測定線").arg(check.offset, 0, 'f', 0);
        if (result.plan.limits) {
          const double limit = (*result.plan.limits)[k];
          const bool pass = !check.maxHours || *check.maxHours <= limit;
          text += Tr(" 規制 %1 %2").arg(Hours(limit), pass ? Tr("適合") : Tr("不適合"));
        }
        entry(QPen(kRegulatedColours[k % 2], 2, Qt::DashLine), text);
      }
    }
    y += 10;
    painter.setPen(Qt::black);
    painter.drawText(QRectF(x, y, kLegendWidth, 26), Qt::AlignVCenter | Qt::AlignLeft,
                     Tr("格子 %1m  %2点").arg(result.plan.grid).arg(result.grid.Points()));
  }
  // The writer takes rows from the bottom up, as the engine reads them back.
  const QImage flipped = picture.mirrored(false, true);
  std::string why;
  if (!WriteJpegFile((folder / kShadowPlanName).string(), flipped.constBits(), width, height,
                     JpegPixels::RgbaBottomUp, kJpegQuality, &why)) {
    Fail(error, why.empty() ? "the plan could not be written" : why);
    return false;
  }
  return true;
}

}  // namespace korvex
