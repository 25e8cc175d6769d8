#include "app/gui/CommandIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include <cmath>
#include <functional>

#include "view/ViewCommands.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex::gui {

namespace {

constexpr int kSize = 24;

const QColor kInk(40, 40, 40);
const QColor kBlue(40, 90, 200);
const QColor kRed(200, 40, 40);
const QColor kGreen(30, 140, 60);

QIcon Draw(const std::function<void(QPainter&)>& draw) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kInk, 1.5));
  draw(p);
  p.end();
  return QIcon(pixmap);
}

void Arrowhead(QPainter& p, QPointF tip, double angle, const QColor& colour) {
  const double a = 6.0;
  QPolygonF head;
  head << tip << tip - QPointF(a * std::cos(angle - 0.5), a * std::sin(angle - 0.5))
       << tip - QPointF(a * std::cos(angle + 0.5), a * std::sin(angle + 0.5));
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPolygon(head);
  p.restore();
}

// An elliptic arc from one angle to another (degrees, counter-clockwise
// from three o'clock) with an arrowhead at its end, along the way it runs.
void ArcArrow(QPainter& p, const QRectF& ellipse, double fromDegrees, double toDegrees) {
  const auto at = [&](double degrees) {
    const double a = degrees * 3.14159265358979 / 180.0;
    return QPointF(ellipse.center().x() + ellipse.width() / 2 * std::cos(a),
                   ellipse.center().y() - ellipse.height() / 2 * std::sin(a));
  };
  p.setPen(QPen(kBlue, 2));
  p.setBrush(Qt::NoBrush);
  p.drawArc(ellipse, static_cast<int>(fromDegrees * 16), static_cast<int>((toDegrees - fromDegrees) * 16));
  const QPointF tip = at(toDegrees);
  const QPointF before = at(toDegrees - (toDegrees > fromDegrees ? 15.0 : -15.0));
  Arrowhead(p, tip + (tip - before) * 0.4, std::atan2(tip.y() - before.y(), tip.x() - before.x()), kBlue);
}

// A box and the turn of the rotate buttons around it.
// direction: 0 left, 1 right, 2 up, 3 down.
void RotateArrow(QPainter& p, int direction) {
  p.drawRect(QRectF(8, 7, 8, 8));
  const QRectF flat(2, 5, 20, 14);
  const QRectF tall(5, 2, 14, 20);
  switch (direction) {
    case 0: ArcArrow(p, flat, 340, 200); break;
    case 1: ArcArrow(p, flat, 200, 340); break;
    case 2: ArcArrow(p, tall, -70, 70); break;
    default: ArcArrow(p, tall, 70, -70); break;
  }
}

// A cube seen in the view a standard view looks along; `letter` names it.
void StandardView(QPainter& p, const QString& letter, int face) {
  const QRectF front(3, 8, 12, 12);
  QPolygonF top, side;
  top << QPointF(3, 8) << QPointF(9, 3) << QPointF(21, 3) << QPointF(15, 8);
  side << QPointF(15, 8) << QPointF(21, 3) << QPointF(21, 15) << QPointF(15, 20);
  p.setBrush(face == 0 ? QBrush(kBlue) : QBrush(Qt::white));
  p.drawPolygon(top);
  p.setBrush(face == 1 ? QBrush(kBlue) : QBrush(Qt::white));
  p.drawRect(front);
  p.setBrush(face == 2 ? QBrush(kBlue) : QBrush(Qt::white));
  p.drawPolygon(side);
  QFont font = p.font();
  font.setPixelSize(9);
  font.setBold(true);
  p.setFont(font);
  p.setPen(face == 1 ? Qt::white : kInk);
  p.drawText(front, Qt::AlignCenter, letter);
}

void Magnifier(QPainter& p, bool plus) {
  p.setPen(QPen(kInk, 2));
  p.drawEllipse(QRectF(3, 3, 13, 13));
  p.drawLine(QPointF(14, 14), QPointF(21, 21));
  p.setPen(QPen(kBlue, 2));
  p.drawLine(QPointF(6, 9.5), QPointF(13, 9.5));
  if (plus) p.drawLine(QPointF(9.5, 6), QPointF(9.5, 13));
}

void ShadowBox(QPainter& p) {
  QPolygonF shadow;
  shadow << QPointF(12, 18) << QPointF(22, 22) << QPointF(22, 14) << QPointF(12, 10);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(90, 90, 90, 160));
  p.drawPolygon(shadow);
  p.setPen(QPen(kInk, 1.5));
  p.setBrush(QColor(230, 200, 120));
  p.drawRect(QRectF(4, 6, 8, 12));
}

}  // namespace

QIcon CommandIcon(int id) {
  switch (id) {
    case cmd::kOpen:
      return Draw([](QPainter& p) {  // an opening folder
        p.setBrush(QColor(240, 200, 80));
        QPolygonF back;
        back << QPointF(2, 6) << QPointF(9, 6) << QPointF(11, 8) << QPointF(20, 8) << QPointF(20, 19) << QPointF(2, 19);
        p.drawPolygon(back);
        p.setBrush(QColor(250, 220, 120));
        QPolygonF flap;
        flap << QPointF(2, 19) << QPointF(6, 11) << QPointF(23, 11) << QPointF(20, 19);
        p.drawPolygon(flap);
      });
    case cmd::kFileOutput:
      return Draw([](QPainter& p) {  // a picture leaving for a file
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2, 3, 14, 17));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 180, 240));
        p.drawRect(QRectF(4, 5, 10, 6));
        p.setBrush(kGreen);
        p.drawRect(QRectF(4, 11, 10, 3));
        p.setPen(QPen(kRed, 2));
        p.drawLine(QPointF(12, 17), QPointF(21, 17));
        Arrowhead(p, QPointF(23, 17), 0.0, kRed);
      });
    case cmd::kModeSelect:
      return Draw([](QPainter& p) {  // the pointer
        QPolygonF arrow;
        arrow << QPointF(6, 2) << QPointF(6, 19) << QPointF(10, 15) << QPointF(13, 22) << QPointF(16, 21)
              << QPointF(13, 14) << QPointF(18, 14);
        p.setBrush(Qt::white);
        p.drawPolygon(arrow);
      });
    case cmd::kModeRotate:
      return Draw([](QPainter& p) {  // a full turn
        p.setPen(QPen(kBlue, 2));
        p.drawArc(QRectF(4, 4, 16, 16), 60 * 16, 300 * 16);
        Arrowhead(p, QPointF(17, 5), -0.3, kBlue);
        p.setPen(QPen(kInk, 1.5));
        p.drawEllipse(QPointF(12, 12), 2, 2);
      });
    case cmd::kRotateLeft: return Draw([](QPainter& p) { RotateArrow(p, 0); });
    case cmd::kRotateRight: return Draw([](QPainter& p) { RotateArrow(p, 1); });
    case cmd::kRotateUp: return Draw([](QPainter& p) { RotateArrow(p, 2); });
    case cmd::kRotateDown: return Draw([](QPainter& p) { RotateArrow(p, 3); });
    case cmd::kParallel:
      return Draw([](QPainter& p) {  // parallel rays onto a plane
        p.setPen(QPen(kBlue, 1.5));
        for (int y : {5, 10, 15, 20}) p.drawLine(QPointF(2, y), QPointF(16, y));
        p.setPen(QPen(kInk, 2));
        p.drawLine(QPointF(19, 3), QPointF(19, 22));
      });
    case cmd::kPlanView: return Draw([](QPainter& p) { StandardView(p, Tr("上"), 0); });
    case cmd::kElevation: return Draw([](QPainter& p) { StandardView(p, Tr("前"), 1); });
    case cmd::kBackView: return Draw([](QPainter& p) { StandardView(p, Tr("後"), 1); });
    case cmd::kLeftView: return Draw([](QPainter& p) { StandardView(p, Tr("左"), 2); });
    case cmd::kRightView: return Draw([](QPainter& p) { StandardView(p, Tr("右"), 2); });
    case cmd::kShowFrames:
      return Draw([](QPainter& p) {  // a wire-frame box
        p.setPen(QPen(kInk, 1.2));
        p.drawRect(QRectF(3, 8, 12, 12));
        p.drawRect(QRectF(9, 3, 12, 12));
        for (auto [a, b] : {std::pair{QPointF(3, 8), QPointF(9, 3)}, {QPointF(15, 8), QPointF(21, 3)},
                            {QPointF(3, 20), QPointF(9, 15)}, {QPointF(15, 20), QPointF(21, 15)}})
          p.drawLine(a, b);
      });
    case cmd::kShowFaces:
      return Draw([](QPainter& p) {  // a shaded solid box
        QPolygonF top, side;
        top << QPointF(3, 8) << QPointF(9, 3) << QPointF(21, 3) << QPointF(15, 8);
        side << QPointF(15, 8) << QPointF(21, 3) << QPointF(21, 15) << QPointF(15, 20);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(150, 190, 240));
        p.drawPolygon(top);
        p.setBrush(QColor(60, 110, 190));
        p.drawPolygon(side);
        p.setBrush(QColor(100, 150, 220));
        p.drawRect(QRectF(3, 8, 12, 12));
      });
    case cmd::kFitAll:
      return Draw([](QPainter& p) {  // a frame with the model fitted inside
        p.drawRect(QRectF(2, 2, 20, 20));
        p.setBrush(QColor(100, 150, 220));
        p.drawRect(QRectF(7, 7, 10, 10));
        p.setPen(QPen(kRed, 1.5));
        p.drawLine(QPointF(3, 3), QPointF(6, 6));
        p.drawLine(QPointF(21, 3), QPointF(18, 6));
        p.drawLine(QPointF(3, 21), QPointF(6, 18));
        p.drawLine(QPointF(21, 21), QPointF(18, 18));
      });
    case cmd::kZoomIn: return Draw([](QPainter& p) { Magnifier(p, true); });
    case cmd::kZoomOut: return Draw([](QPainter& p) { Magnifier(p, false); });
    case cmd::kResetEye:
      return Draw([](QPainter& p) {  // an eye with a return arrow
        QPainterPath eye;
        eye.moveTo(2, 12);
        eye.quadTo(12, 2, 22, 12);
        eye.quadTo(12, 22, 2, 12);
        p.setBrush(Qt::white);
        p.drawPath(eye);
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(12, 12), 3.5, 3.5);
        p.setPen(QPen(kRed, 1.5));
        p.drawArc(QRectF(14, 14, 8, 8), 90 * 16, 270 * 16);
        Arrowhead(p, QPointF(18, 14), 0.0, kRed);
      });
    case cmd::kMakeShadows: return Draw([](QPainter& p) { ShadowBox(p); });
    case cmd::kDeleteShadows:
      return Draw([](QPainter& p) {
        ShadowBox(p);
        p.setPen(QPen(kRed, 2.5));
        p.drawLine(QPointF(13, 12), QPointF(22, 21));
        p.drawLine(QPointF(22, 12), QPointF(13, 21));
      });
    case cmd::kSunDirection:
      return Draw([](QPainter& p) {  // the sun and its rays
        p.setBrush(QColor(250, 190, 40));
        p.setPen(QPen(QColor(220, 140, 0), 1.5));
        p.drawEllipse(QPointF(12, 12), 5, 5);
        for (int i = 0; i < 8; ++i) {
          const double a = i * 3.14159265 / 4.0;
          p.drawLine(QPointF(12 + 7 * std::cos(a), 12 + 7 * std::sin(a)),
                     QPointF(12 + 10 * std::cos(a), 12 + 10 * std::sin(a)));
        }
      });
    case cmd::kModeMeasure:
      return Draw([](QPainter& p) {  // a dimension line over a ruler
        p.setPen(QPen(kRed, 1.5));
        p.drawLine(QPointF(3, 3), QPointF(3, 10));
        p.drawLine(QPointF(21, 3), QPointF(21, 10));
        p.drawLine(QPointF(6, 6.5), QPointF(18, 6.5));
        Arrowhead(p, QPointF(4, 6.5), 3.14159265358979, kRed);
        Arrowhead(p, QPointF(20, 6.5), 0.0, kRed);
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(QColor(240, 210, 110));
        p.drawRect(QRectF(2, 13, 20, 8));
        for (int x = 5; x <= 19; x += 3) p.drawLine(QPointF(x, 13), QPointF(x, (x - 5) % 6 == 0 ? 18 : 16));
      });
    default: return {};
  }
}

}  // namespace korvex::gui
