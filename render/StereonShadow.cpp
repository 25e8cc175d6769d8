// Sun shadows: shadow volumes built from the casters, and the stencil pass
// that darkens what lies inside them.
#include <algorithm>
#include <cmath>

#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_triangulate.h"
#include "geometry/gm_vector.h"
#include "render/Stereon.h"
#include "render/gl_api.h"

namespace {

constexpr double kShadowTolerance = 1e-7;

GMVector Along(const GMVector& p, const GMVector& d, double s) { return {p.x + d.x * s, p.y + d.y * s, p.z + d.z * s}; }

bool HasUndefined(const GMVector& v) { return v.x == GM_UNDEFINED || v.y == GM_UNDEFINED || v.z == GM_UNDEFINED; }

// The faces of one caster's volume, each facing out of it: the near cap
// (only with a cap offset), the far cap and one quad per edge. The caster is
// first turned to face against d, so both orientations give one volume.
std::vector<GMPolygon> VolumePolygons(const GMPolygon& caster, const GMVector& d, double capOffset, double length) {
  std::vector<GMPolygon> out;
  if (caster.Count() < 3) return out;
  GMPolygon moved;
  moved.points.reserve(caster.points.size());
  for (const GMVector& p : caster.points) moved.points.push_back(Along(p, d, capOffset));
  const GMVector n = GMPolygonNormal(moved, kShadowTolerance);
  if (!HasUndefined(n) && GMDot(n, d) > 0.0) std::reverse(moved.points.begin(), moved.points.end());

  if (capOffset != 0.0) out.push_back(moved);
  GMPolygon far;
  far.points.reserve(moved.points.size());
  for (auto it = moved.points.rbegin(); it != moved.points.rend(); ++it) far.points.push_back(Along(*it, d, length));
  out.push_back(std::move(far));
  const int count = moved.Count();
  for (int i = 0; i < count; ++i) {
    const GMVector& a = moved[i];
    const GMVector& b = moved[(i + 1) % count];
    GMPolygon side;
    side.points = {a, Along(a, d, length), Along(b, d, length), b};
    out.push_back(std::move(side));
  }
  return out;
}

// The triangles of one face and the normal of its first triangle; false for
// a face that cannot be triangulated or has no direction.
bool TriangulateFace(const GMPolygon& face, std::vector<std::array<GMVector, 3>>& triangles, GMVector& normal) {
  GMPolygonSetPtr set = GMTriangulate(face, kShadowTolerance);
  if (!set || set->Count() == 0) return false;
  const GMPolygon& first = (*set)[0];
  normal = GMNormalize(GMTriangleNormal(first[0], first[1], first[2]), kShadowTolerance);
  if (HasUndefined(normal)) normal = GMPolygonNormal(face, kShadowTolerance);
  if (HasUndefined(normal)) return false;
  for (const GMPolygon& t : set->polygons)
    if (t.Count() == 3) triangles.push_back({t[0], t[1], t[2]});
  return true;
}

// A world point less the local origin the camera stands about.
void Vertex(const GMVector& p, const GMVector& origin) { glVertex3d(p.x - origin.x, p.y - origin.y, p.z - origin.z); }

// Moves a shadow list compiled about one local origin to the frame's
// origin, for as long as it lives; nothing to do when the two agree.
class ShadowListPlacement {
 public:
  ShadowListPlacement(const GMVector& compiledAbout, const GMVector& drawnAbout)
      : moved_(compiledAbout.x != drawnAbout.x || compiledAbout.y != drawnAbout.y || compiledAbout.z != drawnAbout.z) {
    if (!moved_) return;
    glPushMatrix();
    glTranslated(compiledAbout.x - drawnAbout.x, compiledAbout.y - drawnAbout.y, compiledAbout.z - drawnAbout.z);
  }
  ~ShadowListPlacement() {
    if (moved_) glPopMatrix();
  }
  ShadowListPlacement(const ShadowListPlacement&) = delete;
  ShadowListPlacement& operator=(const ShadowListPlacement&) = delete;

 private:
  bool moved_;
};

}  // namespace

void CStereon::MarkShadowExclusions(std::span<const GMPolygon>, const GMVector&, std::span<int> flags) {
  std::fill(flags.begin(), flags.end(), 0);
}

void CStereon::BuildShadowVolumes(std::span<const GMPolygon> polygons, double dx, double dy, double dz,
                                  double capOffset, double length, uint32_t color, int useArrays) {
  // Compiles a list only: relies on the engine's context being current and
  // changes no GL state.
  ReleaseShadowArrays();
  if (useArrays) {
    BuildShadowArrays(polygons, dx, dy, dz, capOffset, length, color);
    return;
  }
  // The old volumes no longer match the casters, even when none are left.
  DeleteShadowVolumes();
  if (polygons.empty()) return;
  const GMVector d = GMNormalize({dx, dy, dz}, kShadowTolerance);
  if (HasUndefined(d)) return;
  shadowColor = color;

  std::vector<int> excluded(polygons.size(), 0);
  MarkShadowExclusions(polygons, d, excluded);
  std::vector<GMPolygon> faces;
  for (size_t i = 0; i < polygons.size(); ++i) {
    if (excluded[i] != 0) continue;
    std::vector<GMPolygon> volume = VolumePolygons(polygons[i], d, capOffset, length);
    std::move(volume.begin(), volume.end(), std::back_inserter(faces));
  }

  const GLuint id = glGenLists(1);
  if (id == 0) return;
  shadowList = korvex::GLDisplayList(id);
  // The list holds the volumes less the local origin of this moment; a
  // frame drawn about another origin moves them by the difference.
  shadowListOrigin_ = LocalOrigin();
  const GMVector origin = shadowListOrigin_;
  glNewList(id, GL_COMPILE);
  glPushMatrix();
  std::vector<std::array<GMVector, 3>> triangles;
  for (const GMPolygon& face : faces) {
    triangles.clear();
    GMVector normal;
    if (!TriangulateFace(face, triangles, normal)) continue;
    glNormal3d(normal.x, normal.y, normal.z);
    for (const auto& t : triangles) {
      glBegin(GL_POLYGON);
      Vertex(t[0], origin);
      Vertex(t[1], origin);
      Vertex(t[2], origin);
      glEnd();
    }
  }
  glPopMatrix();
  glEndList();
}

void CStereon::BuildShadowArrays(std::span<const GMPolygon> polygons, double dx, double dy, double dz,
                                 double capOffset, double length, uint32_t color) {
  // Touches no GL state beyond deleting the old list.
  if (shadowList) DeleteShadowVolumes();
  ReleaseShadowArrays();
  const GMVector d = GMNormalize({dx, dy, dz}, kShadowTolerance);
  if (HasUndefined(d)) return;
  shadowColor = color;
  const GMVector l{d.x * length, d.y * length, d.z * length};
  for (const GMPolygon& caster : polygons) {
    std::vector<GMPolygon> volume = VolumePolygons(caster, d, capOffset, length);
    if (volume.empty()) continue;
    ShadowArray pair;
    const size_t caps = capOffset != 0.0 ? 2 : 1;
    for (size_t f = 0; f < caps; ++f) {
      std::vector<std::array<GMVector, 3>> triangles;
      GMVector normal;
      if (!TriangulateFace(volume[f], triangles, normal)) continue;
      for (const auto& t : triangles) {
        pair.triangles.push_back(t);
        pair.normals.push_back(normal);
      }
    }
    // Each side quad (a, a + L, b + L, b) as two triangles.
    for (size_t f = caps; f < volume.size(); ++f) {
      const GMVector& a = volume[f][0];
      const GMVector& b = volume[f][3];
      const GMVector al{a.x + l.x, a.y + l.y, a.z + l.z};
      const GMVector bl{b.x + l.x, b.y + l.y, b.z + l.z};
      for (const std::array<GMVector, 3>& t : {std::array<GMVector, 3>{a, al, bl}, std::array<GMVector, 3>{a, bl, b}}) {
        const GMVector n = GMNormalize(GMTriangleNormal(t[0], t[1], t[2]), kShadowTolerance);
        if (HasUndefined(n)) continue;  // a zero-length edge gives no side
        pair.triangles.push_back(t);
        pair.normals.push_back(n);
      }
    }
    shadowArrays.push_back(std::move(pair));
  }
}

void CStereon::DeleteShadowVolumes() {
  shadowList.Reset();
  ReleaseShadowArrays();
}

void CStereon::DrawScreenQuad(double halfWidth, double halfHeight, int flags, const StereonRect* rect) {
  // Relies on the model-view matrix holding the camera; changes no state.
  const GMVector f{target.x - eye.x, target.y - eye.y, target.z - eye.z};
  const GMVector r = GMNormalize(GMCross(f, up), kShadowTolerance);
  const GMVector u = GMNormalize(GMCross(r, f), kShadowTolerance);
  const GMVector forward = GMNormalize(f, kShadowTolerance);
  if (HasUndefined(r) || HasUndefined(u) || HasUndefined(forward)) return;
  GMVector centre = Along(eye, forward, frontPlane + 0.001);
  if (!(flags & frame::kParallel) && panEnabled && rect != nullptr && rect->right > 0) {
    // The same shift as the off-centre projection, on the front plane.
    const double s = 2.0 * halfWidth / rect->right;
    centre = Along(centre, r, (panX - rect->right / 2) * s);
    centre = Along(centre, u, (panY - rect->bottom / 2) * s);
  }
  const GMVector& origin = LocalOrigin();
  glBegin(GL_QUADS);
  Vertex(Along(Along(centre, r, halfWidth), u, halfHeight), origin);
  Vertex(Along(Along(centre, r, -halfWidth), u, halfHeight), origin);
  Vertex(Along(Along(centre, r, -halfWidth), u, -halfHeight), origin);
  Vertex(Along(Along(centre, r, halfWidth), u, -halfHeight), origin);
  glEnd();
}

void CStereon::DrawStencilShadow(double halfWidth, double halfHeight, int flags, const StereonRect* rect) {
  // Relies on: the model-view matrix holding the camera, the depth buffer
  // holding the scene, the stencil buffer cleared to 0. Leaves: lighting,
  // depth test and depth writes on, colour writes on, stencil test off (its
  // function NOTEQUAL 0 and operations keep), culling off with the cull face
  // BACK, both polygon faces filled, depth function LESS (the frame sets its
  // own again), blending on by source alpha, the
  // current colour the shadow colour.
  glDisable(GL_LIGHTING);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glStencilMask(0xFFFFFFFFu);
  glEnable(GL_STENCIL_TEST);
  glEnable(GL_CULL_FACE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glDepthFunc(GL_LESS);
  glStencilFunc(GL_ALWAYS, 0, 0xFFFFFFFFu);
  // The volumes run a far plane's length from their casters, so they cross
  // the far plane; clipped there, two volumes meeting over the sky leave
  // single pixels counted once. Clamped depth keeps them whole. (Where the
  // driver lacks depth clamping the call does nothing.)
  glEnable(GL_DEPTH_CLAMP);

  // Depth-pass counting: +1 for every front face in front of the scene,
  // -1 for every back face.
  const GMVector& origin = LocalOrigin();
  if (!shadowArrays.empty()) {
    for (const ShadowArray& pair : shadowArrays) {
      for (int pass = 0; pass < 2; ++pass) {
        glCullFace(pass == 0 ? GL_BACK : GL_FRONT);
        glStencilOp(GL_KEEP, GL_KEEP, pass == 0 ? GL_INCR : GL_DECR);
        for (size_t i = 0; i < pair.triangles.size(); ++i) {
          const GMVector& n = pair.normals[i];
          glNormal3d(n.x, n.y, n.z);
          glBegin(GL_POLYGON);
          Vertex(pair.triangles[i][0], origin);
          Vertex(pair.triangles[i][1], origin);
          Vertex(pair.triangles[i][2], origin);
          glEnd();
        }
      }
    }
  } else if (shadowList) {
    const ShadowListPlacement placement(shadowListOrigin_, origin);
    glCullFace(GL_BACK);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    glCallList(shadowList.Id());
    glCullFace(GL_FRONT);
    glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
    glCallList(shadowList.Id());
  }

  glDisable(GL_DEPTH_CLAMP);
  glCullFace(GL_BACK);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  glStencilFunc(GL_NOTEQUAL, 0, 0xFFFFFFFFu);
  glColor4ub(static_cast<GLubyte>(shadowColor & 0xFF), static_cast<GLubyte>((shadowColor >> 8) & 0xFF),
             static_cast<GLubyte>((shadowColor >> 16) & 0xFF), static_cast<GLubyte>(shadowColor >> 24));
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  DrawScreenQuad(halfWidth, halfHeight, flags, rect);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  glDisable(GL_STENCIL_TEST);
}

void CStereon::DrawAccumShadow() {
  // Relies on: the model-view matrix holding the camera, the colour and
  // depth buffers holding the scene. Leaves: depth writes, depth test and
  // lighting on, culling on with the cull face FRONT, both polygon faces
  // filled, depth function LESS, clear colour black, the current colour
  // black, the colour buffer holding the volumes' faces and the
  // accumulation buffer the scene plus half of them.
  glDisable(GL_LIGHTING);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glEnable(GL_CULL_FACE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glClearAccum(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_ACCUM_BUFFER_BIT);
  glDepthFunc(GL_LESS);
  glAccum(GL_LOAD, 1.0f);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  if (shadowList) {
    const ShadowListPlacement placement(shadowListOrigin_, LocalOrigin());
    const auto channel = [this](int shift) { return 1.0f - static_cast<float>((shadowColor >> shift) & 0xFF) / 255.0f; };
    glCullFace(GL_BACK);
    glColor4f(channel(0), channel(8), channel(16), 1.0f);
    glCallList(shadowList.Id());
    glCullFace(GL_FRONT);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glCallList(shadowList.Id());
  }
  glAccum(GL_ACCUM, 0.5f);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
}

void CStereon::OffsetOutline(GMPolygon& polygon, const GMVector& normal) {
  const int count = polygon.Count();
  if (count < 3) return;
  const GMVector n = GMNormalize(normal, kShadowTolerance);
  if (HasUndefined(n)) return;
  const GMPolygon original = polygon;
  for (int i = 0; i < count; ++i) {
    const GMVector& prev = original[(i + count - 1) % count];
    const GMVector& at = original[i];
    const GMVector& next = original[(i + 1) % count];
    const GMVector back = GMNormalize(GMSubtract(at, prev), kShadowTolerance);   // towards the previous vertex
    const GMVector ahead = GMNormalize(GMSubtract(at, next), kShadowTolerance);  // towards the next vertex
    if (HasUndefined(back) || HasUndefined(ahead)) continue;
    // The bisector points into the corner; outwards is against it, unless
    // the corner is reflex.
    GMVector dir = GMNormalize({back.x + ahead.x, back.y + ahead.y, back.z + ahead.z}, kShadowTolerance);
    const GMVector outOfEdge = GMNormalize(GMCross(GMNegate(back), n), kShadowTolerance);  // out of the incoming edge
    if (HasUndefined(dir)) {
      dir = outOfEdge;  // a straight corner: out of the edge
    } else {
      const double angle = GMAngleAround(ahead, back, n, kShadowTolerance);  // the inside angle at the corner
      if (angle <= GMPi()) dir = GMNegate(dir);
    }
    if (HasUndefined(dir)) continue;
    polygon[i] = Along(at, dir, 0.1);
  }
}
