#include "app/gui/ViewWidget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QPainterPath>
#include <QSurfaceFormat>
#include <QUrl>
#include <QWheelEvent>

#include "common/UiText.h"
#include "view/StereonView.h"

namespace korvex::gui {

ViewWidget::ViewWidget(QWidget* parent) : QOpenGLWidget(parent) {
  // The engine is fixed-function GL and draws shadow volumes in the stencil.
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setDepthBufferSize(24);
  format.setStencilBufferSize(8);
  setFormat(format);
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(true);
  setMouseTracking(true);
}

ViewWidget::~ViewWidget() {
  // By the time the base class destroys the context this object is no longer
  // a ViewWidget, so the release cannot wait for the context's signal, and
  // the signal must no longer reach it.
  if (QOpenGLContext* own = context()) disconnect(own, &QOpenGLContext::aboutToBeDestroyed, this, nullptr);
  ReleaseGL();
}

void ViewWidget::initializeGL() {
  // A context also goes without the widget, when the widget moves to
  // another window.
  connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &ViewWidget::ReleaseGL, Qt::DirectConnection);
}

void ViewWidget::ReleaseGL() {
  if (view_ == nullptr) return;
  if (isValid()) makeCurrent();
  view_->ReleaseWindow();
  view_ = nullptr;
  if (isValid()) doneCurrent();
}

bool ViewWidget::PrepareContext() {
  // Grabbing initialises the widget's context and framebuffer without
  // showing the window; the context stays when the window is shown.
  if (!isValid()) grabFramebuffer();
  return isValid();
}

bool ViewWidget::MakeCurrent() {
  if (!isValid()) return false;
  makeCurrent();
  return true;
}

void ViewWidget::DoneCurrent() {
  if (isValid()) doneCurrent();
}

void ViewWidget::Size(int& width, int& height) const {
  const qreal ratio = devicePixelRatioF();
  width = qRound(this->width() * ratio);
  height = qRound(this->height() * ratio);
}

QPoint ViewWidget::ToView(QPointF logical) const {
  const qreal ratio = devicePixelRatioF();
  return QPoint(qRound(logical.x() * ratio), qRound(logical.y() * ratio));
}

void ViewWidget::paintGL() {
  if (view_ == nullptr) return;
  view_->Paint();
  DrawOverlay();
  if (afterPaint_) afterPaint_();
}

void ViewWidget::DrawOverlay() {
  const ViewOverlay& overlay = view_->Overlay();
  if (overlay.highlight.empty() && !overlay.lightMarks && !overlay.rubberBand && overlay.study.empty() &&
      overlay.studyLabels.empty())
    return;
  QPainter painter(this);
  // The overlay is given in device pixels.
  const qreal ratio = devicePixelRatioF();
  painter.scale(1.0 / ratio, 1.0 / ratio);
  if (!overlay.study.empty() || !overlay.studyLabels.empty()) {
    // The study under the selection: its lines, then its labels on a white
    // halo, readable over any part of the model.
    painter.setRenderHint(QPainter::Antialiasing);
    for (const auto& s : overlay.study) {
      painter.setPen(QPen(QColor::fromRgb(s.rgb), s.width * ratio, s.dashed ? Qt::DashLine : Qt::SolidLine));
      painter.drawLine(QPointF(s.window.start.x, s.window.start.y), QPointF(s.window.end.x, s.window.end.y));
    }
    QFont font = painter.font();
    font.setPixelSize(qRound(13 * ratio));
    for (const auto& label : overlay.studyLabels) {
      QPainterPath path;
      path.addText(QPointF(label.x + 4, label.y - 4), font, QString::fromStdString(UiText(label.text)));
      painter.setPen(QPen(Qt::white, 3 * ratio));
      painter.setBrush(Qt::NoBrush);
      painter.drawPath(path);
      painter.setPen(Qt::NoPen);
      painter.setBrush(QColor::fromRgb(label.rgb));
      painter.drawPath(path);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);
  }
  if (!overlay.highlight.empty()) {
    painter.setPen(QPen(QColor(255, 0, 255), 0));
    for (const GMSegment& s : overlay.highlight)
      painter.drawLine(QPointF(s.start.x, s.start.y), QPointF(s.end.x, s.end.y));
  }
  if (overlay.lightMarks) {
    painter.setPen(QPen(QColor(0, 255, 128), 0));
    const int cx = overlay.centreX;
    const int cy = overlay.centreY;
    painter.drawLine(cx - 16, cy, cx + 16, cy);
    painter.drawLine(cx, cy - 16, cx, cy + 16);
    const int r = overlay.circleRadius;
    painter.drawEllipse(QPoint(cx, cy), r, r);
  }
  if (overlay.rubberBand) {
    const ViewRect& r = *overlay.rubberBand;
    const QRect rect = QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)).normalized();
    // White under black dashes: visible on any background.
    painter.setPen(QPen(Qt::white, 0));
    painter.drawRect(rect);
    painter.setPen(QPen(Qt::black, 0, Qt::DashLine));
    painter.drawRect(rect);
  }
}

void ViewWidget::resizeGL(int, int) {
  if (afterResize_) afterResize_();
  update();
}

void ViewWidget::Input() {
  if (afterInput_) afterInput_();
}

void ViewWidget::Modifiers(Qt::KeyboardModifiers modifiers) {
  view_->SetModifiers((modifiers & Qt::ShiftModifier) != 0, (modifiers & Qt::ControlModifier) != 0);
}

void ViewWidget::ModifierKey(QKeyEvent* event, bool pressed) {
  // The event's modifiers may still tell the state before the key changed.
  const Qt::KeyboardModifier own = event->key() == Qt::Key_Shift ? Qt::ShiftModifier : Qt::ControlModifier;
  Qt::KeyboardModifiers modifiers = event->modifiers();
  modifiers.setFlag(own, pressed);
  Modifiers(modifiers);
  // A measurement under way turns vertical or level at once, not only when
  // the mouse next moves.
  if (view_->State().mouseMode == MouseMode::Measure && underMouse()) {
    const QPoint cursor = ToView(mapFromGlobal(QCursor::pos()));
    view_->OnMouseMove(cursor.x(), cursor.y());
  }
}

void ViewWidget::mousePressEvent(QMouseEvent* event) {
  if (view_ == nullptr) return;
  const QPoint p = ToView(event->position());
  Modifiers(event->modifiers());
  switch (event->button()) {
    case Qt::LeftButton: view_->OnLeftDown(p.x(), p.y()); break;
    case Qt::RightButton: view_->OnRightDown(p.x(), p.y()); break;
    case Qt::MiddleButton: view_->OnMiddleDown(p.x(), p.y()); break;
    default: return;
  }
  Input();
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (view_ == nullptr) return;
  const QPoint p = ToView(event->position());
  Modifiers(event->modifiers());
  switch (event->button()) {
    case Qt::LeftButton: view_->OnLeftUp(p.x(), p.y()); break;
    case Qt::RightButton: view_->OnRightUp(p.x(), p.y()); break;  // may open the context menu
    case Qt::MiddleButton: view_->OnMiddleUp(p.x(), p.y()); break;
    default: return;
  }
  Input();
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event) {
  if (view_ == nullptr) return;
  const QPoint p = ToView(event->position());
  Modifiers(event->modifiers());
  view_->OnMouseMove(p.x(), p.y());
}

void ViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (view_ == nullptr) return;
  const QPoint p = ToView(event->position());
  Modifiers(event->modifiers());
  switch (event->button()) {
    case Qt::LeftButton: view_->OnLeftDoubleClick(p.x(), p.y()); break;
    // The other buttons' second press is a press like any other.
    case Qt::RightButton: view_->OnRightDown(p.x(), p.y()); break;
    case Qt::MiddleButton: view_->OnMiddleDown(p.x(), p.y()); break;
    default: return;
  }
  Input();
}

void ViewWidget::wheelEvent(QWheelEvent* event) {
  if (view_ == nullptr) return;
  const int delta = event->angleDelta().y();
  if (delta == 0) return;
  view_->OnWheel(delta, (event->modifiers() & Qt::ControlModifier) != 0);
  event->accept();
}

void ViewWidget::keyPressEvent(QKeyEvent* event) {
  if (view_ == nullptr) return;
  ViewKey key;
  switch (event->key()) {
    case Qt::Key_Left: key = ViewKey::Left; break;
    case Qt::Key_Right: key = ViewKey::Right; break;
    case Qt::Key_Up: key = ViewKey::Up; break;
    case Qt::Key_Down: key = ViewKey::Down; break;
    case Qt::Key_PageUp: key = ViewKey::PageUp; break;
    case Qt::Key_PageDown: key = ViewKey::PageDown; break;
    case Qt::Key_Escape: key = ViewKey::Escape; break;
    case Qt::Key_Shift:
    case Qt::Key_Control: ModifierKey(event, true); return;
    default: QOpenGLWidget::keyPressEvent(event); return;
  }
  const QPoint cursor = ToView(mapFromGlobal(QCursor::pos()));
  view_->OnKey(key, cursor.x(), cursor.y());
  Input();
}

void ViewWidget::keyReleaseEvent(QKeyEvent* event) {
  if (view_ == nullptr) return;
  if (event->key() == Qt::Key_Shift || event->key() == Qt::Key_Control) {
    ModifierKey(event, false);
    return;
  }
  QOpenGLWidget::keyReleaseEvent(event);
}

void ViewWidget::focusInEvent(QFocusEvent* event) {
  QOpenGLWidget::focusInEvent(event);
  if (view_ == nullptr) return;
  view_->OnFocusGained();  // reloads when the model file changed
  Input();
}

QString FirstLocalFile(const QList<QUrl>& urls) {
  for (const QUrl& url : urls)
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

void ViewWidget::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && !FirstLocalFile(event->mimeData()->urls()).isEmpty())
    event->acceptProposedAction();
}

void ViewWidget::dragMoveEvent(QDragMoveEvent* event) { event->acceptProposedAction(); }

void ViewWidget::dropEvent(QDropEvent* event) {
  if (view_ == nullptr) return;
  const QString file = FirstLocalFile(event->mimeData()->urls());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  const QPoint p = ToView(event->position());
  view_->OnDropFile(QFile::encodeName(file).toStdString(), p.x(), p.y());
  Input();
}

}  // namespace korvex::gui
