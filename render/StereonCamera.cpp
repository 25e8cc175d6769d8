// Camera, view volume and projection of the engine.
#include <cmath>

#include "geometry/gm_vector.h"
#include "render/Stereon.h"
#include "render/gl_api.h"

namespace {
constexpr double kDegree = M_PI / 180.0;

// v set to a signed length (a negative length reverses it); a vector without
// direction contributes nothing.
GMVector WithLength(GMVector v, double length) {
  GMScaleToLength(v, length);
  if (GMIsUndefined(v)) return {};
  return v;
}
}  // namespace

void CStereon::SetCamera(const GMVector& eyePoint, const GMVector& targetPoint, const GMVector& upVector) {
  eye = eyePoint;
  target = targetPoint;
  up = upVector;
}

void CStereon::SetEyeTarget(const GMVector& eyePoint, const GMVector& targetPoint) {
  eye = eyePoint;
  target = targetPoint;
}

void CStereon::SetPlanes(double front, double back, double angle) {
  if (front != 0.0) frontPlane = front;
  if (back != 0.0) backPlane = back;
  if (angle != 0.0) viewAngle = angle;
}

double CStereon::GetViewAngle() const { return viewAngle; }
double CStereon::GetFrontPlane() const { return frontPlane; }
double CStereon::GetBackPlane() const { return backPlane; }

double CStereon::SetZoom(double factor) { return std::exchange(zoom, factor); }
double CStereon::GetZoom() const { return zoom; }

const GMVector& CStereon::LocalOrigin() const {
  return sharedFrom != nullptr ? sharedFrom->LocalOrigin() : localOrigin_;
}

GMVector CStereon::ToLocal(const GMVector& world) const { return world - LocalOrigin(); }

void CStereon::ApplyLookAt() {
  // Eye and target less the local origin: the matrix then holds small
  // numbers, and nothing large cancels in single precision.
  const GMVector e = ToLocal(eye);
  const GMVector t = ToLocal(target);
  gluLookAt(e.x, e.y, e.z, t.x, t.y, t.z, up.x, up.y, up.z);
}

double CStereon::TallerPictureFactor(double aspect) const {
  // A picture relatively taller than the window it copies keeps the
  // window's width and shows more above and below; a wider one keeps the
  // height and shows more at the sides. Either way it holds all the window
  // shows.
  if (windowAspect <= 0.0 || aspect <= 0.0 || aspect >= windowAspect) return 1.0;
  return windowAspect / aspect;
}

void CStereon::GetPerspectiveFrustum(double aspect, double& left, double& right, double& bottom, double& top,
                                     double& nearPlane, double& farPlane) const {
  top = std::tan(viewAngle * 0.5 * kDegree) * frontPlane * zoom * TallerPictureFactor(aspect);
  bottom = -top;
  right = top * aspect;
  left = -right;
  nearPlane = frontPlane;
  farPlane = backPlane;
}

void CStereon::GetParallelFrustum(double aspect, double& left, double& right, double& bottom, double& top,
                                  double& nearPlane, double& farPlane) const {
  // The box shows at every depth what the perspective view shows at the
  // target's distance.
  const double d = GMDistance(eye, target);
  top = std::fabs(std::tan(viewAngle * 0.5 * kDegree) * d) * zoom * TallerPictureFactor(aspect);
  bottom = -top;
  right = top * aspect;
  left = -right;
  nearPlane = frontPlane;
  farPlane = backPlane;
}

void CStereon::SetProjection(int flags, const StereonRect& rect) {
  if (rect.right <= 0 || rect.bottom <= 0) return;
  const double aspect = static_cast<double>(rect.right) / rect.bottom;
  double left, right, bottom, top, nearPlane, farPlane;
  if (flags & frame::kParallel) {
    GetParallelFrustum(aspect, left, right, bottom, top, nearPlane, farPlane);
    // Depth starts at the eye, not at the front plane.
    glOrtho(left, right, bottom, top, 0.0, backPlane);
    return;
  }
  GetPerspectiveFrustum(aspect, left, right, bottom, top, nearPlane, farPlane);
  if (panEnabled) {
    // Off-centre projection: pixel (panX, panY) of the unshifted picture
    // (y up) comes to the centre; the camera does not move.
    const int w = rect.right;
    const int h = rect.bottom;
    const double s = (right - left) / w;
    const double dx = panX - w / 2;
    const double dy = panY - h / 2;
    left += dx * s;
    right += dx * s;
    top += dy * s;
    bottom += dy * s;
  }
  glFrustum(left, right, bottom, top, frontPlane, backPlane);
}

GMSegment CStereon::ScreenToRay(int flags, int x, int y, int width, int height) const {
  GMSegment ray{eye, target};
  if (width <= 0 || height <= 0) return ray;
  const double aspect = static_cast<double>(width) / height;
  const double dx = x - width * 0.5;
  const double dy = -(y - height * 0.5);
  double left, right, bottom, top, nearPlane, farPlane;
  if (flags & frame::kParallel)
    GetParallelFrustum(aspect, left, right, bottom, top, nearPlane, farPlane);
  else
    GetPerspectiveFrustum(aspect, left, right, bottom, top, nearPlane, farPlane);
  const double s = (right - left) / width;

  const GMVector dir = target - eye;
  const GMVector r = GMCross(dir, up);
  const GMVector u = GMCross(r, dir);
  const GMVector offset = WithLength(r, s * dx) + WithLength(u, s * dy);

  if (flags & frame::kParallel) return {eye + offset, target + offset};
  GMSegment toFront{eye, target};
  GMSetSegmentLength(toFront, frontPlane, 0.0);  // a zero-length segment stays as it is
  return {eye, toFront.end + offset};
}
