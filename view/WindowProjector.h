// Where a world point lands in the window as the engine projects it, and the
// viewing ray back through a window pixel: the camera of the last frame,
// without the engine, so that the overlay and measuring agree with the
// picture to the pixel.
#pragma once

#include "geometry/gm_types.h"
#include "geometry/gm_vector.h"

class CStereon;

namespace korvex {

struct ViewState;

// The same frame as the look-at, the same view volume and picture shift.
struct WindowProjector {
  GMVector eye, f, s, u;  // the eye, then forward, right and up (unit)
  double left = 0, right = 0, bottom = 0, top = 0, nearPlane = 1;
  bool parallel = true;
  int w = 0, h = 0;

  bool Project(const GMVector& p, double& wx, double& wy) const {
    const GMVector rel = p - eye;
    double xe = GMDot(rel, s);
    double ye = GMDot(rel, u);
    if (!parallel) {
      const double ze = GMDot(rel, f);
      if (ze <= 0.0) return false;
      xe = xe * nearPlane / ze;
      ye = ye * nearPlane / ze;
    }
    if (right == left || top == bottom) return false;
    const double xn = (2.0 * xe - (right + left)) / (right - left);
    const double yn = (2.0 * ye - (top + bottom)) / (top - bottom);
    wx = (xn + 1.0) * 0.5 * w;
    wy = h - (yn + 1.0) * 0.5 * h;
    return true;
  }

  // The ray through window point (wx, wy): where it starts (the eye in
  // perspective, a point of the eye's plane in parallel projection) and a
  // direction that is not of unit length.
  bool Ray(double wx, double wy, GMVector& origin, GMVector& direction) const {
    if (w <= 0 || h <= 0 || right == left || top == bottom) return false;
    const double xe = left + (wx / w) * (right - left);
    const double ye = bottom + ((h - wy) / h) * (top - bottom);
    if (parallel) {
      origin = eye + s * xe + u * ye;
      direction = f;
    } else {
      origin = eye;
      direction = f * nearPlane + s * xe + u * ye;
    }
    return true;
  }

  // The part of a segment in front of the near plane, in the window.
  bool Segment(GMSegment segment, double nearDistance, GMSegment& onWindow) const {
    const double da = GMDot(segment.start - eye, f) - nearDistance;
    const double db = GMDot(segment.end - eye, f) - nearDistance;
    if (da < -GM_TOLERANCE && db < -GM_TOLERANCE) return false;
    if (da < -GM_TOLERANCE || db < -GM_TOLERANCE) {
      const double t = da / (da - db);
      const GMVector cut = segment.start + (segment.end - segment.start) * t;
      (da < -GM_TOLERANCE ? segment.start : segment.end) = cut;
    }
    return Project(segment.start, onWindow.start.x, onWindow.start.y) &&
           Project(segment.end, onWindow.end.x, onWindow.end.y);
  }
};

// The projector of the engine's last frame in a window of w × h.
WindowProjector MakeProjector(CStereon& engine, const ViewState& state, int w, int h);

}  // namespace korvex
