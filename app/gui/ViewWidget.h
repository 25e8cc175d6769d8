// The view's window: an OpenGL widget that gives the engine its context and
// turns Qt's input events into the plain events of the view core. It does
// nothing else: every decision lies with CStereonView.
#pragma once

#include <QOpenGLWidget>

#include <functional>

#include "render/GLWindowContext.h"

namespace korvex {
class CStereonView;
}

namespace korvex::gui {

class ViewWidget final : public QOpenGLWidget, public GLWindowContext {
 public:
  explicit ViewWidget(QWidget* parent = nullptr);
  ~ViewWidget() override;

  // Creates the GL context while the window is still hidden, so that the
  // view can build its engine (and load the model) before anything shows.
  bool PrepareContext();
  void SetView(CStereonView* view) { view_ = view; }
  // Called after each paint (the main window re-applies the project title)
  // and after each input event that may have changed a command's state.
  void SetAfterPaint(std::function<void()> f) { afterPaint_ = std::move(f); }
  void SetAfterInput(std::function<void()> f) { afterInput_ = std::move(f); }
  // Called when the widget's size changed.
  void SetAfterResize(std::function<void()> f) { afterResize_ = std::move(f); }

  // GLWindowContext.
  bool MakeCurrent() override;
  void DoneCurrent() override;
  void Size(int& width, int& height) const override;
  void Present() override {}  // the widget composes its framebuffer itself

 protected:
  void initializeGL() override;
  void paintGL() override;
  void resizeGL(int width, int height) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Window pixels of the view core (device pixels) from a logical position.
  QPoint ToView(QPointF logical) const;
  void DrawOverlay();
  void Input();
  // Hands Shift and Ctrl to the view, which holds a measurement to the
  // vertical or the level with them.
  void Modifiers(Qt::KeyboardModifiers modifiers);
  void ModifierKey(QKeyEvent* event, bool pressed);
  // The engine's lists and textures belong to the widget's context: they go
  // while it is current, before the context does.
  void ReleaseGL();

  CStereonView* view_ = nullptr;
  std::function<void()> afterPaint_;
  std::function<void()> afterInput_;
  std::function<void()> afterResize_;
};

// The first local file of a drop's URL list, as a path in the file system's
// encoding; empty when the list names none.
QString FirstLocalFile(const QList<QUrl>& urls);

}  // namespace korvex::gui
