// Sections: the model cut open by up to three planes, each cut through a
// closed solid filled in the solid's colour.
//
// The cut is found with the stencil buffer, one solid and one plane at a
// time: the solid's faces, cut by that plane alone, are counted into one
// stencil bit without drawing. A ray that leaves through the opening the
// plane made crosses the rest of the surface an odd number of times, so
// the bit is set exactly where the cut shows. A quad on the plane, cut by
// the other planes, is then drawn where the bit is set, in the solid's
// material, and the bit is cleared again under the whole quad.
#include <algorithm>
#include <utility>
#include <cmath>

#include "geometry/gm_vector.h"
#include "render/Stereon.h"
#include "render/gl_api.h"

namespace {

constexpr double kSectionTolerance = 1e-12;

GLenum ClipPlaneId(size_t i) { return static_cast<GLenum>(GL_CLIP_PLANE0 + i); }

// Two unit vectors across the unit normal n.
void Across(const GMVector& n, GMVector& u, GMVector& v) {
  const GMVector helper = std::fabs(n.z) < 0.9 ? GMVector{0.0, 0.0, 1.0} : GMVector{1.0, 0.0, 0.0};
  u = GMNormalize(GMCross(helper, n), kSectionTolerance);
  v = GMCross(n, u);
}

}  // namespace

bool CStereon::UnitSectionPlane(const GMPlane& p, GMPlane& unit) {
  const double length = std::sqrt(p.nx * p.nx + p.ny * p.ny + p.nz * p.nz);
  if (!std::isfinite(length) || !std::isfinite(p.d) || length <= kSectionTolerance) return false;
  unit = {p.nx / length, p.ny / length, p.nz / length, p.d / length};
  return true;
}

bool CStereon::SetSectionPlanes(std::span<const GMPlane> planes) {
  if (planes.size() > static_cast<size_t>(kMaxSectionPlanes)) return false;
  std::vector<GMPlane> unit(planes.size());
  for (size_t i = 0; i < planes.size(); ++i)
    if (!UnitSectionPlane(planes[i], unit[i])) return false;
  // The same planes again (every frame hands them over) keep their lines.
  if (unit != sectionPlanes_)
    for (auto& outline : sectionOutlines_) outline.clear();
  sectionPlanes_ = std::move(unit);
  return true;
}

void CStereon::SetSectionOutline(size_t index, std::vector<GMSegment> segments) {
  if (index < sectionOutlines_.size()) sectionOutlines_[index] = std::move(segments);
}

std::span<const GMSegment> CStereon::SectionOutline(size_t index) const {
  if (index >= sectionOutlines_.size()) return {};
  return sectionOutlines_[index];
}

void CStereon::DrawSectionOutlines(int flags) {
  // Relies on: the model-view matrix holding the camera, the planes loaded.
  // Leaves lighting on and every plane on.
  GLint mode = GL_RENDER;
  glGetIntegerv(GL_RENDER_MODE, &mode);
  if (mode != GL_RENDER) return;
  bool any = false;
  for (size_t i = 0; i < sectionPlanes_.size(); ++i) any = any || !sectionOutlines_[i].empty();
  if (!any) return;
  glDisable(GL_LIGHTING);
  glColor3ub(0, 0, 0);
  glPushMatrix();
  ApplyLinePull(flags, false);
  for (size_t i = 0; i < sectionPlanes_.size(); ++i) {
    if (sectionOutlines_[i].empty()) continue;
    // The lines lie on their own plane, which would cut them at random;
    // the other planes cut them as they cut the faces.
    SectionClipping(true);
    glDisable(ClipPlaneId(i));
    glBegin(GL_LINES);
    for (const GMSegment& segment : sectionOutlines_[i]) {
      const GMVector a = ToLocal(segment.start), b = ToLocal(segment.end);
      glVertex3d(a.x, a.y, a.z);
      glVertex3d(b.x, b.y, b.z);
    }
    glEnd();
  }
  SectionClipping(true);
  glPopMatrix();
  glEnable(GL_LIGHTING);
}

void CStereon::LoadSectionPlanes() {
  // GL keeps the side where its equation is >= 0, in the coordinates GL
  // draws in: less the local origin, so the plane's constant moves with it.
  const GMVector origin = LocalOrigin();
  for (size_t i = 0; i < sectionPlanes_.size(); ++i) {
    const GMPlane& p = sectionPlanes_[i];
    const GLdouble equation[4] = {-p.nx, -p.ny, -p.nz, -(p.d + p.nx * origin.x + p.ny * origin.y + p.nz * origin.z)};
    glClipPlane(ClipPlaneId(i), equation);
    glEnable(ClipPlaneId(i));
  }
}

void CStereon::SectionClipping(bool on) {
  for (size_t i = 0; i < sectionPlanes_.size(); ++i) {
    if (on)
      glEnable(ClipPlaneId(i));
    else
      glDisable(ClipPlaneId(i));
  }
}

void CStereon::DrawSectionCuts(int flags) {
  // Relies on: the model-view matrix holding the camera, the planes loaded,
  // the stencil buffer cleared. Leaves the planes on, lighting on, the
  // stencil buffer cleared, culling as the flags ask.
  if (sectionPlanes_.empty()) return;
  COGLDispTree* tree = GetDispTree();
  if (tree == nullptr) return;
  GLint mode = GL_RENDER;
  glGetIntegerv(GL_RENDER_MODE, &mode);
  GLint stencilBits = 0;
  glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
  if (mode != GL_RENDER || stencilBits <= 0) return;

  // The planes as GL keeps them, in eye coordinates: a solid's box is
  // tested against them whatever its placement.
  std::array<std::array<GLdouble, 4>, kMaxSectionPlanes> eyePlanes{};
  for (size_t i = 0; i < sectionPlanes_.size(); ++i) glGetClipPlane(ClipPlaneId(i), eyePlanes[i].data());

  struct Quad {
    GMVector corner[4];
    GMVector normal;
  };
  auto drawQuad = [](const Quad& q, bool withNormal) {
    glBegin(GL_QUADS);
    if (withNormal) glNormal3d(q.normal.x, q.normal.y, q.normal.z);
    for (const GMVector& c : q.corner) glVertex3d(c.x, c.y, c.z);
    glEnd();
  };

  glPushAttrib(GL_LIGHTING_BIT);
  glEnable(GL_STENCIL_TEST);
  glStencilMask(1u);
  glDisable(GL_CULL_FACE);
  tree->VisitFaceLists([&](const COGLDispTree& node) {
    const OGLDispLists& lists = *node.GetLists();
    if (!lists.closed) return;
    const GMBox& b = lists.faceBox;
    if (b.minX > b.maxX) return;
    GLdouble placed[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, placed);
    // The corners of the solid's box in eye coordinates.
    GMVector corners[8];
    for (int c = 0; c < 8; ++c) {
      const double x = (c & 1) ? b.maxX : b.minX;
      const double y = (c & 2) ? b.maxY : b.minY;
      const double z = (c & 4) ? b.maxZ : b.minZ;
      double e[3];
      for (int r = 0; r < 3; ++r) e[r] = placed[r] * x + placed[4 + r] * y + placed[8 + r] * z + placed[12 + r];
      corners[c] = {e[0], e[1], e[2]};
    }
    for (size_t i = 0; i < sectionPlanes_.size(); ++i) {
      // Only a plane that passes through the solid's box cuts it.
      bool kept = false;
      bool removed = false;
      const auto& ep = eyePlanes[i];
      for (const GMVector& e : corners) {
        const double side = ep[0] * e.x + ep[1] * e.y + ep[2] * e.z + ep[3];
        (side > 0.0 ? kept : removed) = true;
      }
      if (!kept || !removed) continue;

      // The fill is a quad on the plane just over the solid's box, in eye
      // coordinates: a quad over the whole screen for every solid would
      // cost a site of thousands of buildings the whole picture each.
      const double length = std::sqrt(ep[0] * ep[0] + ep[1] * ep[1] + ep[2] * ep[2]);
      if (!(length > 0.0)) continue;
      const GMVector m{-ep[0] / length, -ep[1] / length, -ep[2] / length};  // towards the removed side
      const double offset = -ep[3] / length;                               // m·p + offset = 0 on the plane
      GMVector u, v;
      Across(m, u, v);
      double lowU = 0.0, highU = 0.0, lowV = 0.0, highV = 0.0;
      for (int c = 0; c < 8; ++c) {
        const GMVector p = corners[c];
        const double pu = GMDot(p, u), pv = GMDot(p, v);
        lowU = c == 0 ? pu : std::min(lowU, pu);
        highU = c == 0 ? pu : std::max(highU, pu);
        lowV = c == 0 ? pv : std::min(lowV, pv);
        highV = c == 0 ? pv : std::max(highV, pv);
      }
      const double margin = 0.01 * std::max(highU - lowU, highV - lowV) + 1e-6;
      lowU -= margin, highU += margin, lowV -= margin, highV += margin;
      const GMVector onPlane = m * -offset;
      Quad quad;
      quad.corner[0] = onPlane + u * lowU + v * lowV;
      quad.corner[1] = onPlane + u * highU + v * lowV;
      quad.corner[2] = onPlane + u * highU + v * highV;
      quad.corner[3] = onPlane + u * lowU + v * highV;
      // A face towards the viewer, who stands at the eye's origin: on the
      // removed side (the quad runs counter-clockwise about m), or looking
      // through the kept solid from the other, where it is turned round.
      quad.normal = m;
      if (offset <= 0.0) {
        std::swap(quad.corner[1], quad.corner[3]);
        quad.normal = m * -1.0;
      }

      // Count the solid's faces, cut by this plane alone.
      SectionClipping(false);
      glEnable(ClipPlaneId(i));
      glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
      glDepthMask(GL_FALSE);
      glDisable(GL_DEPTH_TEST);
      glStencilFunc(GL_ALWAYS, 0, 1u);
      glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
      node.DrawOwnFaces();

      glPushMatrix();
      glLoadIdentity();
      // The fill: on the plane, cut by the others, where the bit is set.
      SectionClipping(true);
      glDisable(ClipPlaneId(i));
      glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
      glDepthMask(GL_TRUE);
      glEnable(GL_DEPTH_TEST);
      glStencilFunc(GL_NOTEQUAL, 0, 1u);
      glStencilOp(GL_ZERO, GL_ZERO, GL_ZERO);
      glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, lists.cutAmbient.data());
      glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, lists.cutDiffuse.data());
      drawQuad(quad, true);
      // Whatever the other planes kept from the fill is cleared as well.
      SectionClipping(false);
      glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
      glDepthMask(GL_FALSE);
      glDisable(GL_DEPTH_TEST);
      glStencilFunc(GL_ALWAYS, 0, 1u);
      drawQuad(quad, false);
      glPopMatrix();
      SectionClipping(true);
    }
  });
  // A solid cut by the front plane as well leaves bits the quads do not
  // cover; the shadow pass needs a clean count.
  glStencilMask(0xFFFFFFFFu);
  glClear(GL_STENCIL_BUFFER_BIT);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  glStencilFunc(GL_ALWAYS, 0, 0xFFFFFFFFu);
  glDisable(GL_STENCIL_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  glPopAttrib();
  if (flags & frame::kCullBack) {
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
  }
}
