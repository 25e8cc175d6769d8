#include "dialogs/ColorButton.h"

#include <QColorDialog>
#include <QPainter>

#include "dialogs/ControlIds.h"

namespace korvex::dialogs {

ColorButton::ColorButton(uint32_t colour, QWidget* parent) : QPushButton(parent), colour_(colour & 0x00FFFFFFu) {
  setObjectName(QString::number(ids::kColourButton));
  setMinimumSize(48, 24);
  connect(this, &QPushButton::clicked, this, &ColorButton::Choose);
}

void ColorButton::SetColour(uint32_t colour) {
  colour_ = colour & 0x00FFFFFFu;
  update();
}

uint32_t ColorButton::Contrast(uint32_t colour) {
  uint32_t contrast = 0;
  for (int shift = 0; shift < 24; shift += 8)
    if (((colour >> shift) & 0xFFu) < 128) contrast |= 0xFFu << shift;
  return contrast;
}

QColor ColorButton::ToQColor(uint32_t colour) {
  return QColor(static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
                static_cast<int>((colour >> 16) & 0xFFu));
}

void ColorButton::paintEvent(QPaintEvent*) {
  // Every paint draws the whole item, so a frame that no longer applies is
  // simply not drawn again (the colour fill erases it).
  QPainter painter(this);
  const QRect whole = rect();
  painter.fillRect(whole, ToQColor(colour_));
  const QColor contrast = ToQColor(Contrast(colour_));
  painter.setPen(contrast);
  painter.setBrush(Qt::NoBrush);
  if (hasFocus()) painter.drawRect(whole.adjusted(2, 2, -3, -3));
  if (isDown()) painter.drawRect(whole.adjusted(1, 1, -2, -2));
}

void ColorButton::Choose() {
  const QColor chosen = QColorDialog::getColor(ToQColor(colour_), this);
  if (!chosen.isValid()) return;
  SetColour(static_cast<uint32_t>(chosen.red()) | static_cast<uint32_t>(chosen.green()) << 8 |
            static_cast<uint32_t>(chosen.blue()) << 16);
  if (window() != nullptr) window()->update();
}

}  // namespace korvex::dialogs
