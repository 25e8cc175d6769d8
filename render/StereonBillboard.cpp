// Drawing the engine's pictures: the background image behind the scene and
// the billboards, sorted by depth and turned towards the eye.
#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/gm_vector.h"
#include "common/PlainList.h"
#include "render/Stereon.h"
#include "render/gl_api.h"

namespace {

GMVector Along(const GMVector& p, const GMVector& d, double s) {
  return {p.x + d.x * s, p.y + d.y * s, p.z + d.z * s};
}
bool IsUndefined(const GMVector& v) { return v.x == GM_UNDEFINED || v.y == GM_UNDEFINED || v.z == GM_UNDEFINED; }
// v set to length `length` (reversed for a negative one); undefined for a
// zero vector.
GMVector WithLength(const GMVector& v, double length, double tol) {
  const GMVector unit = GMNormalize(v, tol);
  if (IsUndefined(unit)) return unit;
  return {unit.x * length, unit.y * length, unit.z * length};
}
// A world point less the local origin the camera stands about.
void Vertex(const GMVector& p, const GMVector& origin) { glVertex3d(p.x - origin.x, p.y - origin.y, p.z - origin.z); }

}  // namespace

void CStereon::DrawBackground(int flags, const StereonRect& rect) {
  // Relies on: the model-view matrix holding the camera, the depth buffer
  // holding the scene. Leaves lighting on, fog and texturing off.
  if (backTexture == 0 || rect.right <= 0 || rect.bottom <= 0) return;
  const bool parallel = (flags & frame::kParallel) != 0;
  const double aspect = static_cast<double>(rect.right) / rect.bottom;
  double left, right, bottom, top, nearPlane, farPlane;
  if (parallel) {
    GetParallelFrustum(aspect, left, right, bottom, top, nearPlane, farPlane);
  } else {
    GetPerspectiveFrustum(aspect, left, right, bottom, top, nearPlane, farPlane);
    // The frustum's extent at the back plane, where the picture stands.
    right *= backPlane / frontPlane;
    top *= backPlane / frontPlane;
  }
  const GMVector f = GMNormalize(GMSubtract(eye, target), tolerance);
  if (IsUndefined(f)) return;
  const GMVector r = GMNormalize(GMCross(f, up), tolerance);
  if (IsUndefined(r)) return;
  const GMVector u = GMNormalize(GMCross(r, f), tolerance);
  GMVector centre = Along(eye, f, backPlane - 1.0);
  if (!parallel && panEnabled) {
    // The off-centre projection's shift, carried to the back plane.
    const double s = 2.0 * right / rect.right;
    centre = Along(centre, r, (panX - rect.right / 2) * s);
    centre = Along(centre, u, (panY - rect.bottom / 2) * s);
  }
  const GMVector& origin = LocalOrigin();
  glDisable(GL_LIGHTING);
  glDisable(GL_FOG);
  glBindTexture(GL_TEXTURE_2D, backTexture);
  glEnable(GL_TEXTURE_2D);
  glColor4d(1.0, 1.0, 1.0, 1.0);
  glBegin(GL_QUADS);
  glTexCoord2d(1.0, 1.0);
  Vertex(Along(Along(centre, r, right), u, top), origin);
  glTexCoord2d(0.0, 1.0);
  Vertex(Along(Along(centre, r, -right), u, top), origin);
  glTexCoord2d(0.0, 0.0);
  Vertex(Along(Along(centre, r, -right), u, -top), origin);
  glTexCoord2d(1.0, 0.0);
  Vertex(Along(Along(centre, r, right), u, -top), origin);
  glEnd();
  glEnable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
}

void CStereon::DrawBillboards(int flags) {
  // Relies on: the model-view matrix holding the camera, blending by source
  // alpha. Leaves lighting on, texturing off, the material as set here.
  const int count = GetBillboardCount();
  if (count == 0) return;
  const bool parallel = (flags & frame::kParallel) != 0;
  const GMVector f = GMNormalize(GMSubtract(eye, target), tolerance);
  if (IsUndefined(f)) return;

  // Nearest first in the list; drawn from the farthest, so that the
  // pictures' transparent edges blend over what lies behind them.
  struct Entry {
    double depth;
    StereonBillboard* billboard;
  };
  std::vector<Entry> order;
  order.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    StereonBillboard* b = GetBillboard(i);
    const double depth =
        parallel ? std::fabs(GMDot(GMSubtract(eye, b->position), f)) : GMDistance(eye, b->position);
    order.push_back({depth, b});
  }
  std::stable_sort(order.begin(), order.end(), [](const Entry& a, const Entry& b) { return a.depth < b.depth; });
  // SetAt leaves the list's cursor where it was, so alone it would walk from
  // the head for every index: a site with 100,000 trees took minutes a
  // frame. Reaching each index first keeps every step one link long.
  for (int i = 0; i < count; ++i) {
    billboards->GetAt(i);
    billboards->SetAt(i, order[static_cast<size_t>(i)].billboard);
  }

  const GMVector& origin = LocalOrigin();
  glEnable(GL_LIGHTING);
  const GLfloat ambient[4] = {0.75f, 0.75f, 0.75f, 1.0f};
  const GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const StereonBillboard& b = *it->billboard;
    // Only billboards in front of the eye: one behind it would be drawn
    // mirrored through the projection.
    if (GMDot(GMSubtract(eye, b.position), f) <= tolerance) continue;
    const GMVector n = parallel ? GMNegate(f) : GMNormalize(GMSubtract(b.position, eye), tolerance);
    if (IsUndefined(n)) continue;
    const GMVector r = WithLength(GMCross(up, n), b.width / 2.0, tolerance);
    const GMVector h = WithLength(up, b.height, tolerance);
    // Looking straight along `up` the billboard has no side to turn.
    if (IsUndefined(r) || IsUndefined(h)) continue;
    const GMVector bottomRight = Along(b.position, r, 1.0);
    const GMVector bottomLeft = Along(b.position, r, -1.0);
    glBindTexture(GL_TEXTURE_2D, b.textureId);
    glEnable(GL_TEXTURE_2D);
    glColor4d(1.0, 1.0, 1.0, 1.0);
    glBegin(GL_QUADS);
    glNormal3d(n.x, n.y, n.z);
    glTexCoord2d(1.0, 0.0);
    Vertex(bottomRight, origin);
    glTexCoord2d(1.0, 1.0);
    Vertex(Along(bottomRight, h, 1.0), origin);
    glTexCoord2d(0.0, 1.0);
    Vertex(Along(bottomLeft, h, 1.0), origin);
    glTexCoord2d(0.0, 0.0);
    Vertex(bottomLeft, origin);
    glEnd();
    glDisable(GL_TEXTURE_2D);
  }
}
