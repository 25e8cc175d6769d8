// Navigation: the camera under the mouse, the wheel, the keys and the
// navigation commands.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include "common/user_interface.h"
#include "geometry/gm_matrix.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "view/ModelPoints.h"
#include "view/StereonView.h"
#include "view/ViewMath.h"
#include "view/ViewShell.h"
#include "view/ViewTexts.h"

namespace korvex {

using namespace vm;

namespace {

constexpr int kClickTolerance = 2;      // pixels, inclusive, per axis
constexpr double kDragRate = 0.2;       // degrees per pixel
constexpr double kWheelStep = 10.0;     // model units
constexpr double kPoleThreshold = 0.3;  // degrees
constexpr double kFitMargin = 1.05;

bool Within(int a, int b) { return std::abs(a - b) <= kClickTolerance; }

}  // namespace

// --- the camera's arithmetic -----------------------------------------------

double CStereonView::PixelsPerUnit() {
  const int w = ClientWidth();
  const int h = ClientHeight();
  if (!engine_ || w <= 0 || h <= 0) return 1.0;
  ApplyEngineState();
  const double aspect = static_cast<double>(w) / h;
  double left = 0, right = 0, bottom = 0, top = 0, nearPlane = 0, farPlane = 0;
  double width = 0.0;
  if (state_.displayFlags & frame::kParallel) {
    engine_->GetParallelFrustum(aspect, left, right, bottom, top, nearPlane, farPlane);
    width = right - left;
  } else {
    // The perspective volume is given at the near plane; at the target it is
    // wider by distance / near.
    engine_->GetPerspectiveFrustum(aspect, left, right, bottom, top, nearPlane, farPlane);
    width = (right - left) * GMDistance(state_.camera.eye, state_.camera.target) / nearPlane;
  }
  return width > 0.0 && std::isfinite(width) ? w / width : 1.0;
}

GMVector CStereonView::PanVector(double u, double v) const {
  const GMVector view = state_.camera.eye - state_.camera.target;
  const GMVector across = GMCross(state_.camera.up, view);
  const GMVector turned = Rotate(across, {}, view, std::atan2(v, u));
  return WithLength(turned, std::hypot(u, v));
}

void CStereonView::MoveBy(const GMVector& offset) {
  state_.camera.eye = state_.camera.eye + offset;
  state_.camera.target = state_.camera.target + offset;
}

GMVector CStereonView::TrackballDirection(int x, int y) const {
  const int w = ClientWidth();
  const int h = ClientHeight();
  const double radius = std::min(w, h) / 2.0;
  const double dx = x - w / 2;
  const double dy = h - h / 2 - y;
  double r = std::hypot(dx, dy);
  if (r > radius || std::fabs(r - radius) <= GM_TOLERANCE) r = radius;
  const GMVector view = state_.camera.eye - state_.camera.target;
  GMVector across = GMCross(state_.camera.up, view);
  GMVector upward = GMCross(view, across);
  const double theta = std::atan2(dy, dx);
  across = Rotate(across, {}, view, theta);
  upward = Rotate(upward, {}, view, theta);
  const double tilt = radius > 0.0 ? std::acos(r / radius) : 0.0;
  return Rotate(across, {}, upward, -tilt);
}

void CStereonView::ZoomAbout(int x, int y, double factor) {
  const int w = ClientWidth();
  const int h = ClientHeight();
  const double scale = PixelsPerUnit();
  const double dx = x - w / 2;
  const double dy = y - h / 2;
  const double u = dx / scale;
  const double v = -dy / scale;
  if (!(std::fabs(u) <= GM_TOLERANCE && std::fabs(v) <= GM_TOLERANCE)) {
    const bool parallel = (state_.displayFlags & frame::kParallel) != 0;
    if (!state_.shiftMode || parallel) {
      MoveBy(PanVector(u, v));
    } else if (engine_) {
      // Shift mode in perspective: move the picture, not the camera.
      if (!engine_->panEnabled) {
        engine_->panX = x;
        engine_->panY = h - y;
        engine_->panEnabled = 1;
      } else {
        engine_->panX += x - w / 2;
        engine_->panY += h - h / 2 - y;
      }
    }
  }
  if (factor != 0.0) state_.zoom *= factor;
  DropHighlight();
  Redraw();
}

void CStereonView::OrbitStep(int dx, int dy) {
  const double horizontal = kDragRate * dx;
  const double vertical = kDragRate * dy;
  state_.camera.eye = Rotate(state_.camera.eye, state_.camera.target, state_.camera.up, -Radians(horizontal));
  const GMVector across = Unit(GMCross(state_.camera.target - state_.camera.eye, state_.camera.up));
  const GMVector before = state_.camera.eye;
  state_.camera.eye = Rotate(state_.camera.eye, state_.camera.target, across, -Radians(vertical));
  // Looking along the up vector there is no horizontal axis to turn about:
  // the drag has carried the view over the pole, so turn the picture over.
  if (SamePoint(before, state_.camera.eye, GM_TOLERANCE) && std::fabs(vertical) > kPoleThreshold)
    state_.camera.up = state_.camera.up * -1.0;
  DropHighlight();
  Redraw();
}

void CStereonView::RotateBy(double horizontalDegrees, double verticalDegrees) {
  if (horizontalDegrees != 0.0)
    state_.camera.eye = Rotate(state_.camera.eye, state_.camera.target, state_.camera.up, Radians(horizontalDegrees));
  if (verticalDegrees != 0.0) {
    const GMVector across = Unit(GMCross(state_.camera.target - state_.camera.eye, state_.camera.up));
    const GMVector before = state_.camera.eye;
    state_.camera.eye = Rotate(state_.camera.eye, state_.camera.target, across, Radians(verticalDegrees));
    if (SamePoint(before, state_.camera.eye, GM_TOLERANCE)) state_.camera.up = state_.camera.up * -1.0;
  }
  DropHighlight();
  Redraw();
}

void CStereonView::TargetMoveClick(int x, int y) {
  const int w = ClientWidth();
  const int h = ClientHeight();
  if (!engine_ || h <= 0) return;
  const double dx = x - w / 2;
  const double dy = h - h / 2 - y;
  if (std::fabs(dx) <= GM_TOLERANCE && std::fabs(dy) <= GM_TOLERANCE) return;
  const double distance = GMDistance(state_.camera.eye, state_.camera.target);
  const double pixel = std::tan(Radians(engine_->GetViewAngle()) / 2.0) * distance / (h / 2.0);
  const double ox = pixel * dx;
  const double oy = pixel * dy;
  // The axis lies in the screen plane at right angles to the offset, so the
  // target swings toward the clicked point.
  const GMVector axis = PanVector(-oy, ox);
  const double angle = std::atan(std::hypot(ox, oy) / distance);
  state_.camera.target = Rotate(state_.camera.target, state_.camera.eye, axis, -angle);
  DropHighlight();
  Redraw();
}

// --- mouse ------------------------------------------------------------------

void CStereonView::OnLeftDown(int x, int y) {
  downX_ = x;
  downY_ = y;
  leftHeld_ = true;
}

void CStereonView::OnMouseMove(int x, int y) {
  if (state_.mouseMode == MouseMode::Measure) {
    // Measuring follows the cursor; a drag draws no zoom rectangle.
    if (!leftHeld_) MeasureMove(x, y);
  } else if (leftHeld_ && !(Within(x, downX_) && Within(y, downY_))) {
    if (state_.mouseMode == MouseMode::Rotate) {
      OrbitStep(x - downX_, y - downY_);
      downX_ = x;
      downY_ = y;
    } else if (state_.mouseMode == MouseMode::SectionMove) {
      DragSection(x - downX_, y - downY_);
      downX_ = x;
      downY_ = y;
    } else {
      range_ = ViewRect{downX_, downY_, x, y};
      moveX_ = x;
      moveY_ = y;
      Redraw();  // the rubber band follows the cursor
    }
  }
  if (middleHeld_ && !(Within(x, middleX_) && Within(y, middleY_))) {
    const int w = ClientWidth();
    const int h = ClientHeight();
    ZoomAbout(middleX_ + w / 2 - x, middleY_ + h / 2 - y, 0.0);
    middleX_ = x;
    middleY_ = y;
  }
}

void CStereonView::OnLeftUp(int x, int y) {
  const bool wasHeld = leftHeld_;
  leftHeld_ = false;
  if (wasHeld && Within(x, downX_) && Within(y, downY_)) {
    range_.left = -1;
    ClickAction(x, y);
  } else if (wasHeld && range_.left != -1) {
    Redraw();  // the rubber band goes; the rectangle stays for zoom in
  }
  upX_ = x;
  upY_ = y;
}

void CStereonView::ClickAction(int x, int y) {
  switch (state_.mouseMode) {
    case MouseMode::EyeMove: {
      const double distance = GMDistance(state_.camera.eye, state_.camera.target);
      const GMVector direction = Unit(TrackballDirection(x, y));
      if (GMLength(direction) == 0.0) return;
      state_.camera.eye = state_.camera.target + direction * distance;
      DropHighlight();
      Redraw();
      break;
    }
    case MouseMode::TargetMove:
      TargetMoveClick(x, y);
      break;
    case MouseMode::Light: {
      const GMVector direction = Unit(TrackballDirection(x, y));
      if (GMLength(direction) == 0.0) return;
      state_.lightPosition = direction;
      DropHighlight();
      Redraw();
      break;
    }
    case MouseMode::Select:
      PickAt(x, y);
      break;
    case MouseMode::EyeTargetMove:
      ZoomAbout(x, y, 0.0);
      break;
    case MouseMode::Rotate:
      break;
    case MouseMode::Measure:
      MeasureClick(x, y);
      break;
    case MouseMode::SectionMove:
      break;  // a plane moves only while dragged
  }
}

void CStereonView::OnMiddleDown(int x, int y) {
  middleX_ = x;
  middleY_ = y;
  middleHeld_ = true;
}

void CStereonView::OnMiddleUp(int x, int y) {
  middleHeld_ = false;
  upX_ = x;
  upY_ = y;
}

void CStereonView::OnRightDown(int x, int y) {
  rightX_ = x;
  rightY_ = y;
  rightHeld_ = true;
}

void CStereonView::OnRightUp(int x, int y) {
  const bool wasHeld = rightHeld_;
  rightHeld_ = false;
  if (!wasHeld || !Within(x, rightX_) || !Within(y, rightY_)) return;
  // While measuring, a right click ends the measurement before anything else.
  if (state_.mouseMode == MouseMode::Measure && EndMeasure()) return;
  shell_->ShowContextMenu(x, y);
}

// --- wheel and keys ---------------------------------------------------------

void CStereonView::OnWheel(int delta, bool ctrl) {
  if (state_.wheelReverse) delta = -delta;
  if (delta == 0) return;
  const bool away = delta > 0;
  const GMVector forward = Unit(state_.camera.target - state_.camera.eye);
  if (ctrl) {
    MoveBy(forward * (away ? kWheelStep : -kWheelStep));
  } else if (state_.displayFlags & frame::kParallel) {
    state_.zoom *= away ? 0.8 : 1.2;
  } else {
    double step = away ? kWheelStep : -kWheelStep;
    // Forward never closer than one unit to the target.
    if (away) step = std::min(step, std::max(0.0, GMDistance(state_.camera.eye, state_.camera.target) - 1.0));
    state_.camera.eye = state_.camera.eye + forward * step;
  }
  DropHighlight();
  Redraw();
}

void CStereonView::OnKey(ViewKey key, int cursorX, int cursorY) {
  const double step = state_.rotationStep;
  switch (key) {
    case ViewKey::Left: RotateBy(step, 0.0); break;
    case ViewKey::Right: RotateBy(-step, 0.0); break;
    case ViewKey::Up: RotateBy(0.0, step); break;
    case ViewKey::Down: RotateBy(0.0, -step); break;
    case ViewKey::PageUp:
    case ViewKey::PageDown:
      ZoomAbout(cursorX, cursorY, key == ViewKey::PageUp ? 0.5 : 2.0);
      shell_->MoveCursor(ClientWidth() / 2, ClientHeight() / 2);
      break;
    case ViewKey::Escape: EndMeasure(); break;
  }
}

// --- zoom commands ----------------------------------------------------------

void CStereonView::ZoomIn() {
  const int w = ClientWidth();
  const int h = ClientHeight();
  if (range_.left == -1) {
    ZoomAbout(w / 2, h / 2, 0.5);
    return;
  }
  const int left = std::min(range_.left, range_.right);
  const int right = std::max(range_.left, range_.right);
  const int top = std::min(range_.top, range_.bottom);
  const int bottom = std::max(range_.top, range_.bottom);
  const int rw = right - left;
  const int rh = bottom - top;
  const int cx = static_cast<int>(std::lround((left + right) / 2.0));
  const int cy = static_cast<int>(std::lround((top + bottom) / 2.0));
  double factor = 0.5;
  if (w > 0 && h > 0) {
    const bool wider = rh == 0 || static_cast<double>(rw) / rh > static_cast<double>(w) / h;
    factor = wider ? static_cast<double>(rw) / w : static_cast<double>(rh) / h;
  }
  range_.left = -1;
  ZoomAbout(cx, cy, factor);
}

// --- fit, reset and the standard views -------------------------------------

bool CStereonView::ModelBox(GMBox& box, bool auxiliary) const {
  if (!scene_ || !scene_->GetRoot()) return false;
  BoxBuilder builder;
  ForEachModelPoint(*scene_->GetRoot(), [&](const GMVector& p) { builder.Extend(p); }, auxiliary);
  box = builder.box;
  return !builder.empty;
}

void CStereonView::FitAll() {
  const int w = ClientWidth();
  const int h = ClientHeight();
  if (w == 0 || h <= 0) return;
  state_.zoom = 1.0;
  const bool parallel = (state_.displayFlags & frame::kParallel) != 0;
  // Nothing behind the eye is drawn in parallel projection, and a camera
  // from another model (an eye file) may stand inside this one.
  if (parallel) KeepEyeOutsideModel(false);
  if (parallel || !FitPerspective(w, h)) {
    const GMVector view = state_.camera.eye - state_.camera.target;
    const GMVector across = Unit(GMCross(state_.camera.up, view));
    const GMVector upward = Unit(GMCross(view, across));
    double xmin = DBL_MAX, xmax = -DBL_MAX, ymin = DBL_MAX, ymax = -DBL_MAX;
    if (scene_ && scene_->GetRoot()) {
      ForEachModelPoint(*scene_->GetRoot(), [&](const GMVector& p) {
        const GMVector rel = p - state_.camera.target;
        const double x = GMDot(rel, across);
        const double y = GMDot(rel, upward);
        xmin = std::min(xmin, x);
        xmax = std::max(xmax, x);
        ymin = std::min(ymin, y);
        ymax = std::max(ymax, y);
      });
    }
    if (xmin > xmax) {
      xmin = ymin = 0.0;
      xmax = ymax = 100.0;
    }
    const double k = PixelsPerUnit();
    const double bw = xmax - xmin;
    const double bh = ymax - ymin;
    // A model that projects to a single point has no extent to fill the
    // window with; it keeps zoom 1 rather than collapse the view volume.
    if (bw > 0.0 || bh > 0.0) {
      if (bh == 0.0 || bw / bh > static_cast<double>(w) / h)
        state_.zoom = kFitMargin * k * bw / w;
      else
        state_.zoom = kFitMargin * k * bh / h;
    }
    const double cx = (xmin + xmax) * 0.5;
    const double cy = (ymin + ymax) * 0.5;
    if (!(std::fabs(cx) <= GM_TOLERANCE && std::fabs(cy) <= GM_TOLERANCE)) MoveBy(PanVector(cx, cy));
  }
  FitPlanes();
  DropHighlight();
  Redraw();
}

bool CStereonView::FitPerspective(int w, int h) {
  // In perspective a point nearer the eye than the target looks larger than
  // its projection on the plane through the target: fitting that projection
  // crops the near part of the model. Here every point's own direction from
  // the eye is fitted instead.
  if (!scene_ || !scene_->GetRoot()) return false;
  const GMVector view = state_.camera.eye - state_.camera.target;
  const GMVector forward = Unit(view * -1.0);
  const GMVector across = Unit(GMCross(state_.camera.up, view));
  const GMVector upward = Unit(GMCross(view, across));
  if (GMLength(forward) == 0.0 || GMLength(across) == 0.0) return false;
  // Each point as (across, up, depth) from the eye; single precision is
  // plenty for a fit and halves the memory a district takes.
  std::vector<float> xs, ys, zs;
  ForEachModelPoint(*scene_->GetRoot(), [&](const GMVector& p) {
    const GMVector rel = p - state_.camera.eye;
    xs.push_back(static_cast<float>(GMDot(rel, across)));
    ys.push_back(static_cast<float>(GMDot(rel, upward)));
    zs.push_back(static_cast<float>(GMDot(rel, forward)));
  });
  if (xs.empty()) return false;
  const auto [zlo, zhi] = std::minmax_element(zs.begin(), zs.end());
  const auto [xlo, xhi] = std::minmax_element(xs.begin(), xs.end());
  const auto [ylo, yhi] = std::minmax_element(ys.begin(), ys.end());
  const double zmin = *zlo;
  double margin = 0.05 * std::max({static_cast<double>(*zhi) - zmin, static_cast<double>(*xhi) - *xlo,
                                   static_cast<double>(*yhi) - *ylo});
  if (!(margin > 0.0)) margin = 1.0;
  // A perspective view shows nothing at or behind the eye: when the model
  // reaches there, the eye steps back along the view direction.
  double behind = 0.0;
  if (zmin < margin) {
    behind = margin - zmin;
    state_.camera.eye = state_.camera.eye - forward * behind;
  }
  // Per axis the smallest slope t (half the view's width per unit of depth)
  // for which some centre c has |x - c| <= t·z for every point: where the
  // highest of x - t·z meets the lowest of x + t·z. That gap shrinks with t
  // as a convex broken line, so Newton's steps from t = 0 reach it from
  // below in a few passes.
  auto solve = [&](const std::vector<float>& v, double& centre) {
    double t = 0.0;
    centre = 0.0;
    for (int pass = 0; pass < 100; ++pass) {
      double high = -DBL_MAX, low = DBL_MAX;
      size_t ih = 0, il = 0;
      for (size_t i = 0; i < v.size(); ++i) {
        const double z = zs[i] + behind;
        const double a = v[i] - t * z;
        const double b = v[i] + t * z;
        if (a > high) high = a, ih = i;
        if (b < low) low = b, il = i;
      }
      centre = 0.5 * (high + low);
      if (high <= low) break;
      const double next = (static_cast<double>(v[ih]) - v[il]) / (zs[ih] + zs[il] + 2.0 * behind);
      if (!(next > t)) break;
      t = next;
    }
    return t;
  };
  double cx = 0.0, cy = 0.0;
  const double tx = solve(xs, cx);
  const double ty = solve(ys, cy);
  const double slope = std::tan(Radians(state_.camera.viewAngle) / 2.0);
  const double aspect = static_cast<double>(w) / h;
  const double need = std::max(ty / slope, tx / (slope * aspect));
  // A model that is a single point seen head-on keeps zoom 1.
  if (need > 0.0 && std::isfinite(need)) state_.zoom = kFitMargin * need;
  if (!(std::fabs(cx) <= GM_TOLERANCE && std::fabs(cy) <= GM_TOLERANCE)) MoveBy(PanVector(cx, cy));
  return true;
}

bool CStereonView::ResetEye() {
  // Any corner but 1, 2 and 3 — also "none chosen" — is the first one.
  static constexpr double azimuths[4] = {45.0, 135.0, 225.0, 315.0};
  const int corner = state_.isometricCorner >= 0 && state_.isometricCorner <= 3 ? state_.isometricCorner : 0;
  const double az = Radians(azimuths[corner]);
  GMBox box;
  if (!ModelBox(box)) {
    Status(text::kEmptyModel);
    return false;
  }
  state_.camera.target = Centre(box);
  double distance = 1.5 * std::sqrt((box.maxX - box.minX) * (box.maxX - box.minX) +
                                    (box.maxY - box.minY) * (box.maxY - box.minY) +
                                    (box.maxZ - box.minZ) * (box.maxZ - box.minZ));
  // A model of one point: keep the eye off the target.
  if (!(distance > 0.0)) distance = 1.0;
  const double alpha = std::acos(std::sqrt(1.0 / 3.0));
  state_.camera.eye =
      state_.camera.target + GMVector{distance * std::sin(alpha) * std::cos(az),
                               -distance * std::sin(alpha) * std::sin(az), distance * std::cos(alpha)};
  state_.yUp = 0;
  state_.camera.up = {0.0, 0.0, 1.0};
  state_.zoom = 1.0;
  FitAll();
  return true;
}

void CStereonView::TargetToModel() {
  GMBox box;
  if (!ModelBox(box)) {
    Status(text::kEmptyModel);
    return;
  }
  state_.camera.target = Centre(box);
  DropHighlight();
  Redraw();
}

void CStereonView::TargetToSelection() {
  CInkNode* node = Selection();
  if (node == nullptr || state_.mouseMode == MouseMode::Rotate || IsAuxiliaryNodeName(node->GetName(nullptr, 0)))
    return;
  BoxBuilder builder;
  ForEachOwnPoint(*node, [&](const GMVector& p) { builder.Extend(p); });
  if (builder.empty) return;
  state_.camera.target = Centre(builder.box);
  DropHighlight();
  Redraw();
}

void CStereonView::StandardView(int command) {
  const double d = GMDistance(state_.camera.eye, state_.camera.target);
  const GMVector& t = state_.camera.target;
  switch (command) {
    case cmd::kPlanView:
      // A hair south of straight above, so that the up vector still has a
      // horizontal axis to turn about.
      state_.camera.eye = {t.x, t.y - 0.01 * state_.camera.up.z, t.z + d};
      break;
    case cmd::kElevation: state_.camera.eye = {t.x, t.y - d, t.z}; break;
    case cmd::kBackView: state_.camera.eye = {t.x, t.y + d, t.z}; break;
    case cmd::kLeftView: state_.camera.eye = {t.x - d, t.y, t.z}; break;
    case cmd::kRightView: state_.camera.eye = {t.x + d, t.y, t.z}; break;
    default: return;
  }
  if (command != cmd::kPlanView) {
    state_.camera.up = {0.0, 0.0, 1.0};
    state_.yUp = 0;
  }
  FitAll();
}

void CStereonView::FreeCamera() {
  state_.yUp = 0;
  state_.camera.up = {0.0, 0.0, 1.0};
  state_.zoom = 1.0;
  state_.displayFlags |= frame::kParallel;
  DropHighlight();
  Redraw();
}

}  // namespace korvex
