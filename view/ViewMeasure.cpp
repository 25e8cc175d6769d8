// The measure mode: two clicks measure a distance, a double click the whole
// planar face under the cursor; the marks are drawn over the picture.
#include <cmath>

#include "view/Measure.h"
#include "view/ViewTexts.h"
#include "view/StereonView.h"
#include "view/WindowProjector.h"
#include "common/user_interface.h"
#include "model/InkSolid.h"

namespace korvex {

namespace {
constexpr uint32_t kMeasureLine = 0xFFD000;
constexpr uint32_t kMeasureFace = 0xFF8000;
constexpr uint32_t kSnapCorner = 0x00FF40;
constexpr uint32_t kSnapEdge = 0x00C0FF;
constexpr double kMarkPixels = 4;
}  // namespace

MeasureScene* CStereonView::MeasureSurfaces() {
  // Made on a worker when measuring begins and after every change of the
  // model or its display; a model that is only looked at never pays for it.
  if (!measureBuild_.Started() && scene_) {
    ViewShell* shell = shell_;
    measureBuild_.Start(scene_->GetRoot(), [shell] { shell->Wake(); });
  }
  return measureBuild_.Ready();
}

MeasureScene& CStereonView::MeasureSurfacesNow() {
  if (MeasureScene* ready = MeasureSurfaces()) return *ready;
  // Without a scene there is nothing to wait for: empty surfaces catch
  // nothing.
  static MeasureScene none;
  if (MeasureScene* made = measureBuild_.Wait()) return *made;
  return none;
}

void CStereonView::StopMeasureBuild() { measureBuild_.Stop(); }

void CStereonView::RestartMeasureBuild() {
  measureBuild_.Stop();
  measureHover_ = {};
  // Started again once the change is complete (a command may change many
  // nodes one after another), from the window's own loop.
  if (state_.mouseMode == MouseMode::Measure) shell_->Wake();
}

bool CStereonView::MeasurePending() {
  if (MeasureSurfaces() != nullptr) {
    if (measurePendingShown_) Status(text::kReady);
    measurePendingShown_ = false;
    return false;
  }
  if (!measurePendingShown_) Status(text::kMeasurePreparing);
  measurePendingShown_ = true;
  return true;
}

bool CStereonView::MeasureSurfacesReady() { return measureBuild_.Ready() != nullptr; }

bool CStereonView::WaitForMeasureSurfaces() {
  MeasureSurfaces();
  if (!measureBuild_.Started()) return false;
  measureBuild_.Wait();
  return true;
}

void CStereonView::OnWake() {
  // The surfaces have come, or the model has changed while measuring: the
  // waiting text goes, or the making starts again.
  if (state_.mouseMode == MouseMode::Measure) MeasurePending();
}

void CStereonView::SetModifiers(bool shift, bool ctrl) {
  shiftHeld_ = shift;
  ctrlHeld_ = ctrl;
}

void CStereonView::MeasureMove(int x, int y) {
  const int w = ClientWidth(), h = ClientHeight();
  if (!engine_ || w <= 0 || h <= 0) return;
  if (MeasurePending()) {
    // Nothing is caught until the surfaces are ready; the window never
    // waits for them.
    measureHover_ = {};
    Redraw();
    return;
  }
  const WindowProjector projector = MakeProjector(*engine_, state_, w, h);
  measureHover_ = MeasureSurfaces()->Snap(projector, x, y, SectionShownTest());
  if (measureFirst_ && !measureDone_) {
    const MeasureConstraint constraint = shiftHeld_  ? MeasureConstraint::Vertical
                                         : ctrlHeld_ ? MeasureConstraint::Horizontal
                                                     : MeasureConstraint::None;
    std::optional<GMVector> second;
    if (measureHover_.kind != SnapKind::None) {
      second = ConstrainPoint(*measureFirst_, measureHover_.at, constraint);
    } else {
      GMVector origin, direction;
      if (projector.Ray(x, y, origin, direction))
        second = ConstrainRay(*measureFirst_, origin, direction, constraint);
    }
    measureSecond_ = second;
    if (second)
      Status(DistanceText(MeasureBetween(*measureFirst_, *second), MeasureUnitFor(launch_.modelPath)));
  }
  Redraw();
}

void CStereonView::MeasureClick(int x, int y) {
  MeasureMove(x, y);
  if (!measureFirst_ || measureDone_) {
    // The first point must lie on the model.
    measureFace_.reset();
    measureSecond_.reset();
    measureDone_ = false;
    measureFirst_.reset();
    if (measureHover_.kind != SnapKind::None) measureFirst_ = measureHover_.at;
    Redraw();
    return;
  }
  if (!measureSecond_) return;
  measureDone_ = true;
  measureResult_ = DistanceText(MeasureBetween(*measureFirst_, *measureSecond_), MeasureUnitFor(launch_.modelPath));
  Status(measureResult_);
  Redraw();
}

void CStereonView::OnLeftDoubleClick(int x, int y) {
  // The window system sends the double click in place of the second press;
  // outside measuring it is that press, as before.
  if (state_.mouseMode == MouseMode::Measure) {
    // Where a press came before it all the same, its release starts no
    // new distance over the face.
    leftHeld_ = false;
    MeasureFaceAt(x, y);
  } else
    OnLeftDown(x, y);
}

void CStereonView::MeasureFaceAt(int x, int y) {
  const int w = ClientWidth(), h = ClientHeight();
  if (!engine_ || w <= 0 || h <= 0) return;
  const WindowProjector projector = MakeProjector(*engine_, state_, w, h);
  GMVector origin, direction;
  if (!projector.Ray(x, y, origin, direction)) return;
  // The click before the double click began a distance: the face replaces it.
  measureFirst_.reset();
  measureSecond_.reset();
  measureDone_ = false;
  measureFace_.reset();
  if (MeasurePending()) {
    Redraw();
    return;
  }
  MeasureScene& surfaces = *MeasureSurfaces();
  if (const auto hit = surfaces.FirstHit(origin, direction, SectionShownTest()))
    measureFace_ = surfaces.FaceOf(hit->triangle);
  if (measureFace_) {
    measureResult_ = FaceText(*measureFace_, MeasureUnitFor(launch_.modelPath));
    Status(measureResult_);
  }
  Redraw();
}

bool CStereonView::EndMeasure() {
  // The caught-point mark alone is no measurement: a right click then still
  // opens the menu.
  const bool shown = measureFirst_ || measureFace_;
  const bool marked = shown || measureHover_.kind != SnapKind::None;
  measureFirst_.reset();
  measureSecond_.reset();
  measureDone_ = false;
  measureFace_.reset();
  measureHover_ = {};
  if (shown) Status({});
  if (marked) Redraw();
  return shown;
}

void CStereonView::BuildMeasureOverlay() {
  const int w = ClientWidth(), h = ClientHeight();
  if (state_.mouseMode != MouseMode::Measure || !engine_ || w <= 0 || h <= 0) return;
  const WindowProjector projector = MakeProjector(*engine_, state_, w, h);
  // The marks are drawn the way a study's lines and labels are.
  auto line = [&](const GMSegment& s, uint32_t rgb, double width, bool dashed = false) {
    ViewOverlay::StudySegment segment{{}, rgb, width, dashed};
    if (projector.Segment(s, state_.camera.nearPlane, segment.window)) overlay_.study.push_back(segment);
  };
  if (measureFace_) {
    // The area is that of the whole face: where a section has cut part of
    // it away, that part of its outline is dashed, so that the figure
    // drawn is the figure counted and the cut face still reads as cut.
    for (const GMSegment& s : measureFace_->outline) {
      double from = 0.0, to = 1.0;
      if (!KeptStretch(s, from, to)) {
        line(s, kMeasureFace, 3, true);
        continue;
      }
      auto at = [&s](double t) { return s.start + (s.end - s.start) * t; };
      const GMVector keptStart = from > 0.0 ? at(from) : s.start;
      const GMVector keptEnd = to < 1.0 ? at(to) : s.end;
      if (from > 0.0) line({s.start, keptStart}, kMeasureFace, 3, true);
      line({keptStart, keptEnd}, kMeasureFace, 3);
      if (to < 1.0) line({keptEnd, s.end}, kMeasureFace, 3, true);
    }
  }
  if (measureFirst_ && measureSecond_) {
    line({*measureFirst_, *measureSecond_}, kMeasureLine, 2);
    const GMVector middle = (*measureFirst_ + *measureSecond_) * 0.5;
    ViewOverlay::StudyLabel label{0, 0, DistanceText(MeasureBetween(*measureFirst_, *measureSecond_),
                                                     MeasureUnitFor(launch_.modelPath)),
                                  kMeasureLine};
    if (projector.Project(middle, label.x, label.y)) {
      label.x += 8;
      overlay_.studyLabels.push_back(std::move(label));
    }
  }
  // A caught corner is marked with a square, a caught edge with a diamond.
  if (measureHover_.kind == SnapKind::Vertex || measureHover_.kind == SnapKind::Edge) {
    double cx = 0, cy = 0;
    if (projector.Project(measureHover_.at, cx, cy)) {
      const bool corner = measureHover_.kind == SnapKind::Vertex;
      const double r = kMarkPixels;
      const GMVector pts[4] = {corner ? GMVector{cx - r, cy - r, 0} : GMVector{cx, cy - r, 0},
                               corner ? GMVector{cx + r, cy - r, 0} : GMVector{cx + r, cy, 0},
                               corner ? GMVector{cx + r, cy + r, 0} : GMVector{cx, cy + r, 0},
                               corner ? GMVector{cx - r, cy + r, 0} : GMVector{cx - r, cy, 0}};
      for (int k = 0; k < 4; ++k)
        overlay_.study.push_back({{pts[k], pts[(k + 1) % 4]}, corner ? kSnapCorner : kSnapEdge, 2, false});
    }
  }
}

}  // namespace korvex
