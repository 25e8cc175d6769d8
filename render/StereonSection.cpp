// Sections: the model cut open by up to three planes, each cut through a
// closed solid filled in the solid's colour.
//
// The cut is found with the stencil buffer, one solid and one plane at a
// time: the faces of the solid beyond that plane, seen from the viewer,
// are counted into one stencil bit without drawing. Along the ray through
// a pixel the count is odd exactly where the ray meets the plane inside the
// solid, as long as the counted stretch of the ray ends outside the solid.
// That stretch starts on the plane, before which the front clipping plane
// lies wherever the cut shows, so a viewer standing inside a building, or
// so close that the front plane cuts into it, still sees its cut filled.
// Its far end must not be cut off by the back plane: the count is taken
// with the back plane moved out beyond the solid, so a building cut by the
// front and the back plane at once is filled as well. A quad on the plane,
// cut by the other planes, is then drawn where the bit is set, in the
// solid's material, and the bit is cleared again over the solid's whole
// place on the screen.
#include <algorithm>
#include <array>
#include <utility>
#include <cmath>

#include "geometry/gm_vector.h"
#include "render/Stereon.h"
#include "render/gl_api.h"

namespace {

constexpr double kSectionTolerance = 1e-12;

GLenum ClipPlaneId(size_t i) { return static_cast<GLenum>(GL_CLIP_PLANE0 + i); }
// GL has at least six planes: the ones after the section planes hold them
// turned round, for counting the removed side of a solid.
GLenum TurnedPlaneId(size_t i) { return static_cast<GLenum>(GL_CLIP_PLANE0 + CStereon::kMaxSectionPlanes + i); }

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
  // tested against them whatever its placement. The same planes turned
  // round go into the spare slots, loaded as they are.
  std::array<std::array<GLdouble, 4>, kMaxSectionPlanes> eyePlanes{};
  for (size_t i = 0; i < sectionPlanes_.size(); ++i) glGetClipPlane(ClipPlaneId(i), eyePlanes[i].data());
  glPushMatrix();
  glLoadIdentity();
  for (size_t i = 0; i < sectionPlanes_.size(); ++i) {
    const GLdouble turned[4] = {-eyePlanes[i][0], -eyePlanes[i][1], -eyePlanes[i][2], -eyePlanes[i][3]};
    glClipPlane(TurnedPlaneId(i), turned);
  }
  glPopMatrix();

  // The viewer in eye coordinates: the eye, or for a parallel view the
  // point far out behind it, towards +z.
  const bool parallel = (flags & frame::kParallel) != 0;
  GLdouble projection[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  // The depth row of the projection gives the front and back planes as GL
  // has them (a picture drawn in tiles scales only the other rows).
  const double depthScale = projection[10], depthOffset = projection[14];
  if (!(depthScale != 0.0) || !std::isfinite(depthScale) || !std::isfinite(depthOffset)) return;
  double frontAt = 0.0, backAt = 0.0;
  if (parallel) {
    frontAt = (depthOffset + 1.0) / depthScale;  // -z where depth is -1 and +1
    backAt = (depthOffset - 1.0) / depthScale;
  } else {
    frontAt = depthOffset / (depthScale - 1.0);
    backAt = depthOffset / (depthScale + 1.0);
  }
  // Counting projection: the same picture with the back plane past `far`.
  auto countingProjection = [&](double far, GLdouble out[16]) {
    std::copy(projection, projection + 16, out);
    if (parallel) {
      out[10] = -2.0 / (far - frontAt);
      out[14] = -(far + frontAt) / (far - frontAt);
    } else {
      out[10] = -(far + frontAt) / (far - frontAt);
      out[14] = -2.0 * far * frontAt / (far - frontAt);
    }
  };
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);

  struct Quad {
    GMVector corner[4];
    GMVector normal;
  };
  auto drawQuad = [](const Quad& q) {
    glBegin(GL_QUADS);
    glNormal3d(q.normal.x, q.normal.y, q.normal.z);
    for (const GMVector& c : q.corner) glVertex3d(c.x, c.y, c.z);
    glEnd();
  };

  glPushAttrib(GL_LIGHTING_BIT | GL_SCISSOR_BIT);
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
    // The corners of the solid's box in eye coordinates, how far they lie
    // before the viewer, and the rectangle of the window they cover.
    GMVector corners[8];
    double nearest = 0.0, farthest = 0.0;
    double lowX = viewport[0] + viewport[2], highX = viewport[0], lowY = viewport[1] + viewport[3], highY = viewport[1];
    for (int c = 0; c < 8; ++c) {
      const double x = (c & 1) ? b.maxX : b.minX;
      const double y = (c & 2) ? b.maxY : b.minY;
      const double z = (c & 4) ? b.maxZ : b.minZ;
      double e[3];
      for (int r = 0; r < 3; ++r) e[r] = placed[r] * x + placed[4 + r] * y + placed[8 + r] * z + placed[12 + r];
      corners[c] = {e[0], e[1], e[2]};
      nearest = c == 0 ? -e[2] : std::min(nearest, -e[2]);
      farthest = c == 0 ? -e[2] : std::max(farthest, -e[2]);
      double clip[4];
      for (int r = 0; r < 4; ++r)
        clip[r] = projection[r] * e[0] + projection[4 + r] * e[1] + projection[8 + r] * e[2] + projection[12 + r];
      if (clip[3] > 0.0) {
        const double wx = viewport[0] + (clip[0] / clip[3] + 1.0) * 0.5 * viewport[2];
        const double wy = viewport[1] + (clip[1] / clip[3] + 1.0) * 0.5 * viewport[3];
        lowX = std::min(lowX, wx), highX = std::max(highX, wx), lowY = std::min(lowY, wy), highY = std::max(highY, wy);
      }
    }
    const bool reachesFront = nearest < frontAt;
    // Beyond the solid's farthest corner by a margin that no rounding of
    // the depth at that distance can take back.
    const double countingBack = std::max(backAt, farthest + 0.01 * std::fabs(farthest) + 1.0);
    GLdouble counting[16];
    countingProjection(countingBack, counting);
    // Where the box reaches before the front plane its corners do not
    // bound it on the window: then the bit is cleared everywhere.
    GLint box[4] = {viewport[0], viewport[1], viewport[2], viewport[3]};
    if (!reachesFront) {
      const double left = std::max<double>(viewport[0], std::floor(lowX) - 1.0);
      const double bottom = std::max<double>(viewport[1], std::floor(lowY) - 1.0);
      const double right = std::min<double>(viewport[0] + viewport[2], std::ceil(highX) + 1.0);
      const double top = std::min<double>(viewport[1] + viewport[3], std::ceil(highY) + 1.0);
      if (right <= left || top <= bottom) return;
      box[0] = static_cast<GLint>(left), box[1] = static_cast<GLint>(bottom);
      box[2] = static_cast<GLint>(right - left), box[3] = static_cast<GLint>(top - bottom);
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
      // The viewer on the plane sees it edge on: nothing to fill.
      const double viewerSide = parallel ? ep[2] : ep[3];
      if (viewerSide == 0.0) continue;
      const bool viewerKept = viewerSide > 0.0;

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
      // A face towards the viewer: on the removed side (the quad runs
      // counter-clockwise about m), or looking through the kept solid from
      // the other, where it is turned round.
      quad.normal = m;
      if (viewerKept) {
        std::swap(quad.corner[1], quad.corner[3]);
        quad.normal = m * -1.0;
      }

      // Count the solid's faces beyond the plane as the viewer sees it:
      // the removed side for a viewer on the kept one, and the other way.
      SectionClipping(false);
      glEnable(viewerKept ? TurnedPlaneId(i) : ClipPlaneId(i));
      glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
      glDepthMask(GL_FALSE);
      glDisable(GL_DEPTH_TEST);
      glStencilFunc(GL_ALWAYS, 0, 1u);
      glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
      glMatrixMode(GL_PROJECTION);
      glLoadMatrixd(counting);
      glMatrixMode(GL_MODELVIEW);
      node.DrawOwnFaces();
      glMatrixMode(GL_PROJECTION);
      glLoadMatrixd(projection);
      glMatrixMode(GL_MODELVIEW);
      glDisable(TurnedPlaneId(i));

      // The fill: on the plane, cut by the others, where the bit is set.
      glPushMatrix();
      glLoadIdentity();
      SectionClipping(true);
      glDisable(ClipPlaneId(i));
      glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
      glDepthMask(GL_TRUE);
      glEnable(GL_DEPTH_TEST);
      glStencilFunc(GL_NOTEQUAL, 0, 1u);
      glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
      glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, lists.cutAmbient.data());
      glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, lists.cutDiffuse.data());
      drawQuad(quad);
      glPopMatrix();
      SectionClipping(true);
      // Every bit the count set, under the fill or not (where the front
      // plane or the other planes cut the quad), is cleared for the next.
      glEnable(GL_SCISSOR_TEST);
      glScissor(box[0], box[1], box[2], box[3]);
      glClear(GL_STENCIL_BUFFER_BIT);
      glDisable(GL_SCISSOR_TEST);
    }
  });
  glStencilMask(0xFFFFFFFFu);
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
