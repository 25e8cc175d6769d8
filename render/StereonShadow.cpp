// Sun shadows: shadow volumes built from the casters, and the stencil pass
// that darkens what lies inside them.
#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <unordered_map>

#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_triangulate.h"
#include "geometry/gm_vector.h"
#include "render/Stereon.h"
#include "render/gl_api.h"

namespace {

constexpr double kShadowTolerance = 1e-7;
// A sun at least this steep (the downward part of the unit direction the
// light travels) ends the volumes on a level plane below the site; a lower
// sun ends them on a plane across its rays.
constexpr double kLevelEndSlope = 0.05;

GMVector Along(const GMVector& p, const GMVector& d, double s) { return p + d * s; }

bool HasUndefined(const GMVector& v) { return v.x == GM_UNDEFINED || v.y == GM_UNDEFINED || v.z == GM_UNDEFINED; }

// Where a point of a caster's ring ends when extruded: `length` along d, or
// onto the plane beyond the site when one is given.
struct VolumeEnd {
  GMVector d;
  double length = 0.0;
  bool toPlane = false;
  GMVector planeNormal;  // unit; the end plane is planeNormal·p = planeLevel
  double planeLevel = 0.0;

  GMVector operator()(const GMVector& p) const {
    if (!toPlane) return Along(p, d, length);
    return Along(p, d, (planeLevel - GMDot(planeNormal, p)) / GMDot(planeNormal, d));
  }
};

// An end plane that the whole of `box` lies before, a margin clear of it so
// that no far cap ever touches a surface the shadows fall on.
VolumeEnd EndBeyond(const GMBox& box, const GMVector& d) {
  VolumeEnd end;
  end.d = d;
  end.toPlane = true;
  const double diagonal =
      std::sqrt((box.maxX - box.minX) * (box.maxX - box.minX) + (box.maxY - box.minY) * (box.maxY - box.minY) +
                (box.maxZ - box.minZ) * (box.maxZ - box.minZ));
  const double margin = 1.0 + 0.01 * diagonal;
  if (-d.z >= kLevelEndSlope) {
    // Level, below the lowest point: the shortest volumes for a sun above
    // the horizon.
    end.planeNormal = {0.0, 0.0, -1.0};
    end.planeLevel = -(box.minZ - margin);
  } else {
    end.planeNormal = d;
    double furthest = -DBL_MAX;
    for (int corner = 0; corner < 8; ++corner) {
      const GMVector c{corner & 1 ? box.maxX : box.minX, corner & 2 ? box.maxY : box.minY,
                       corner & 4 ? box.maxZ : box.minZ};
      furthest = std::max(furthest, GMDot(d, c));
    }
    end.planeLevel = furthest + margin;
  }
  return end;
}

// The triangles of a volume, appended as floats relative to one origin.
struct TriangleSink {
  GMVector origin;
  std::vector<float>& out;
  void Point(const GMVector& p) {
    out.push_back(static_cast<float>(p.x - origin.x));
    out.push_back(static_cast<float>(p.y - origin.y));
    out.push_back(static_cast<float>(p.z - origin.z));
  }
  void Triangle(const GMVector& a, const GMVector& b, const GMVector& c) {
    Point(a);
    Point(b);
    Point(c);
  }
  // The side quad (a, a', b', b) over edge a→b, as the triangles
  // (a, a', b') and (a, b', b).
  void Side(const GMVector& a, const GMVector& b, const VolumeEnd& end) {
    const GMVector ae = end(a);
    const GMVector be = end(b);
    Triangle(a, ae, be);
    Triangle(a, be, b);
  }
};

// A ring that turns the same way at every corner about `normal`.
bool IsConvex(const GMPolygon& ring, const GMVector& normal) {
  const int count = ring.Count();
  for (int i = 0; i < count; ++i) {
    const GMVector& a = ring[i];
    const GMVector& b = ring[(i + 1) % count];
    const GMVector& c = ring[(i + 2) % count];
    if (GMDot(GMCross(b - a, c - b), normal) < 0.0) return false;
  }
  return true;
}

// The ring's triangles in its own turning sense: a fan when it is convex,
// ear clipping otherwise. False when it has none.
bool CapTriangles(const GMPolygon& ring, const GMVector& normal, std::vector<std::array<GMVector, 3>>& triangles) {
  triangles.clear();
  if (ring.Count() == 3 || (ring.Count() == 4 && IsConvex(ring, normal))) {
    for (int i = 1; i + 1 < ring.Count(); ++i) triangles.push_back({ring[0], ring[i], ring[i + 1]});
    return true;
  }
  GMPolygonSetPtr set = GMTriangulate(ring, kShadowTolerance);
  if (!set) return false;
  for (const GMPolygon& t : set->polygons)
    if (t.Count() == 3) triangles.push_back({t[0], t[1], t[2]});
  return !triangles.empty();
}

// Exact identity of a point: two casters meet on an edge when their
// vertices are the same numbers.
struct PointKey {
  uint64_t x, y, z;
  bool operator==(const PointKey&) const = default;
};
struct PointKeyHash {
  size_t operator()(const PointKey& k) const {
    uint64_t h = k.x * 0x9E3779B97F4A7C15ull;
    h ^= (k.y + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2));
    h ^= (k.z + 0x85157AF5ull + (h << 6) + (h >> 2));
    return static_cast<size_t>(h);
  }
};
PointKey KeyOf(const GMVector& p) {
  // +0.0 and -0.0 are one point.
  const auto bits = [](double v) { return std::bit_cast<uint64_t>(v == 0.0 ? 0.0 : v); };
  return {bits(p.x), bits(p.y), bits(p.z)};
}

// The side faces still owed after opposite edges have cancelled: an edge
// a→b cancels one b→a met before, else it is owed.
class SideLedger {
 public:
  explicit SideLedger(size_t edges) {
    ids_.reserve(edges);
    points_.reserve(edges);
    edges_.reserve(edges);
  }
  void Add(const GMVector& a, const GMVector& b) {
    const uint32_t ia = Intern(a), ib = Intern(b);
    if (ia == ib) return;  // no length, no side
    if (auto back = edges_.find(Edge(ib, ia)); back != edges_.end() && back->second > 0) {
      if (--back->second == 0) edges_.erase(back);
      return;
    }
    ++edges_[Edge(ia, ib)];
  }
  template <typename Emit>
  void ForEachOwed(Emit&& emit) const {
    for (const auto& [edge, count] : edges_)
      for (int i = 0; i < count; ++i) emit(points_[edge >> 32], points_[edge & 0xFFFFFFFFu]);
  }

 private:
  static uint64_t Edge(uint32_t a, uint32_t b) { return (static_cast<uint64_t>(a) << 32) | b; }
  uint32_t Intern(const GMVector& p) {
    const auto [it, added] = ids_.try_emplace(KeyOf(p), static_cast<uint32_t>(points_.size()));
    if (added) points_.push_back(p);
    return it->second;
  }
  std::unordered_map<PointKey, uint32_t, PointKeyHash> ids_;
  std::vector<GMVector> points_;
  std::unordered_map<uint64_t, int> edges_;
};

// The column-major camera matrix with the model moved by `origin`,
// reckoned in doubles: the camera's own translation and the origin's cancel
// before anything is rounded to the floats GL keeps its matrices in.
std::array<double, 16> CameraAt(const GMVector& eye, const GMVector& target, const GMVector& up,
                                const GMVector& origin) {
  // The rows of gluLookAt: side, up, backwards.
  GMVector f = target - eye;
  const double fl = std::sqrt(GMDot(f, f));
  if (fl > 0.0) f = {f.x / fl, f.y / fl, f.z / fl};
  GMVector s = GMCross(f, up);
  const double sl = std::sqrt(GMDot(s, s));
  if (sl > 0.0) s = {s.x / sl, s.y / sl, s.z / sl};
  const GMVector u = GMCross(s, f);
  const GMVector shift = origin - eye;
  return {s.x, u.x, -f.x, 0.0, s.y, u.y, -f.y, 0.0, s.z, u.z, -f.z, 0.0,
          GMDot(s, shift), GMDot(u, shift), -GMDot(f, shift), 1.0};
}

void Vertex(const GMVector& p) { glVertex3d(p.x, p.y, p.z); }

}  // namespace

void CStereon::MarkShadowExclusions(std::span<const GMPolygon>, const GMVector&, std::span<int> flags) {
  std::fill(flags.begin(), flags.end(), 0);
}

void CStereon::BuildShadowVolumes(std::span<const GMPolygon> polygons, double dx, double dy, double dz,
                                  double capOffset, double length, uint32_t color, int useArrays) {
  ReleaseShadowArrays();
  if (useArrays) {
    BuildShadowArrays(polygons, dx, dy, dz, capOffset, length, color);
    return;
  }
  BuildVolumes(polygons, {}, nullptr, dx, dy, dz, capOffset, length, color, false, false);
}

void CStereon::BuildShadowArrays(std::span<const GMPolygon> polygons, double dx, double dy, double dz,
                                 double capOffset, double length, uint32_t color) {
  BuildVolumes(polygons, {}, nullptr, dx, dy, dz, capOffset, length, color, true, false);
}

void CStereon::BuildSiteShadowVolumes(std::span<const GMPolygon> polygons, std::span<const uint8_t> drawn,
                                      const GMBox* reach, double dx, double dy, double dz, double capOffset,
                                      double length, uint32_t color, int useArrays) {
  BuildVolumes(polygons, drawn, reach, dx, dy, dz, capOffset, length, color, useArrays != 0, true);
}

void CStereon::BuildVolumes(std::span<const GMPolygon> polygons, std::span<const uint8_t> drawn, const GMBox* reach,
                            double dx, double dy, double dz, double capOffset, double length, uint32_t color,
                            bool useArrays, bool merge) {
  // Compiles a list only: relies on the engine's context being current and
  // changes no GL state. The old volumes no longer match the casters, even
  // when none are left.
  DeleteShadowVolumes();
  if (polygons.empty()) return;
  const GMVector d = GMNormalize({dx, dy, dz}, kShadowTolerance);
  if (HasUndefined(d)) return;
  shadowColor = color;

  // The array form has always let every caster cast.
  std::vector<int> excluded(polygons.size(), 0);
  if (!useArrays) MarkShadowExclusions(polygons, d, excluded);

  VolumeEnd end;
  end.d = d;
  end.length = length;
  GMVector origin{0.0, 0.0, 0.0};
  bool haveOrigin = false;
  if (reach != nullptr) {
    // The casters are part of what the volumes must reach past, even those
    // not drawn.
    GMBox box = *reach;
    for (const GMPolygon& p : polygons)
      for (const GMVector& v : p.points) box.Extend(v);
    end = EndBeyond(box, d);
    origin = {(box.minX + box.maxX) * 0.5, (box.minY + box.maxY) * 0.5, (box.minZ + box.maxZ) * 0.5};
    haveOrigin = true;
  }
  for (size_t i = 0; i < polygons.size() && !haveOrigin; ++i)
    if (!polygons[i].points.empty()) {
      origin = polygons[i].points[0];
      haveOrigin = true;
    }

  ShadowArray array;
  array.origin = origin;
  TriangleSink sink{origin, array.vertices};
  size_t ringPoints = 0;
  for (const GMPolygon& p : polygons) ringPoints += p.points.size();
  // Each ring point starts one edge; a merged site keeps about half of them.
  SideLedger ledger(merge ? ringPoints : 0);
  array.vertices.reserve(ringPoints * 12);
  GMPolygon moved;
  std::vector<std::array<GMVector, 3>> caps;
  for (size_t i = 0; i < polygons.size(); ++i) {
    const GMPolygon& caster = polygons[i];
    if (excluded[i] != 0 || caster.Count() < 3) continue;
    // A caster drawn before the shadows is its own near cap.
    const bool nearCap = merge ? !(i < drawn.size() && drawn[i] != 0) : capOffset != 0.0;
    const double offset = nearCap ? capOffset : 0.0;
    moved.points.clear();
    for (const GMVector& p : caster.points) moved.points.push_back(Along(p, d, offset));
    // Turned to face against d, so both orientations give one volume.
    GMVector n = GMPolygonNormal(moved, kShadowTolerance);
    if (HasUndefined(n)) continue;  // no area, no volume
    if (GMDot(n, d) > 0.0) {
      std::reverse(moved.points.begin(), moved.points.end());
      n = GMNegate(n);
    }
    if (CapTriangles(moved, n, caps)) {
      for (const auto& t : caps) {
        if (nearCap) sink.Triangle(t[0], t[1], t[2]);
        sink.Triangle(end(t[2]), end(t[1]), end(t[0]));
      }
    }
    const int count = moved.Count();
    for (int k = 0; k < count; ++k) {
      const GMVector& a = moved[k];
      const GMVector& b = moved[(k + 1) % count];
      if (merge)
        ledger.Add(a, b);
      else if (KeyOf(a) != KeyOf(b))
        sink.Side(a, b, end);
    }
  }
  ledger.ForEachOwed([&](const GMVector& a, const GMVector& b) { sink.Side(a, b, end); });
  if (array.vertices.empty()) return;

  if (useArrays) {
    shadowArrays.push_back(std::move(array));
    return;
  }
  const GLuint id = glGenLists(1);
  if (id == 0) return;
  shadowList = korvex::GLDisplayList(id);
  shadowListOrigin = origin;
  glNewList(id, GL_COMPILE);
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, array.vertices.data());
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(array.vertices.size() / 3));
  glPopClientAttrib();
  glEndList();
}

void CStereon::DrawShadowTriangles(const GMVector& origin, unsigned list, const ShadowArray* array) {
  const std::array<double, 16> camera = CameraAt(eye, target, up, origin);
  glPushMatrix();
  glLoadMatrixd(camera.data());
  if (array != nullptr) {
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, array->vertices.data());
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(array->vertices.size() / 3));
    glPopClientAttrib();
  } else {
    glCallList(list);
  }
  glPopMatrix();
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
  // Measured from the eye in doubles: far from the world's origin the
  // floats of the camera matrix could otherwise put the quad before the
  // front plane, where it is clipped away.
  const std::array<double, 16> camera = CameraAt(eye, target, up, eye);
  glPushMatrix();
  glLoadMatrixd(camera.data());
  centre = centre - eye;
  glBegin(GL_QUADS);
  Vertex(Along(Along(centre, r, halfWidth), u, halfHeight));
  Vertex(Along(Along(centre, r, -halfWidth), u, halfHeight));
  Vertex(Along(Along(centre, r, -halfWidth), u, -halfHeight));
  Vertex(Along(Along(centre, r, halfWidth), u, -halfHeight));
  glEnd();
  glPopMatrix();
}

void CStereon::DrawStencilShadow(double halfWidth, double halfHeight, int flags, const StereonRect* rect) {
  // Relies on: the model-view matrix holding the camera, the depth buffer
  // holding the scene, the stencil buffer cleared to 0. Leaves: lighting,
  // depth test and depth writes on, colour writes on, stencil test off (its
  // function NOTEQUAL 0 and operations keep), culling off with the cull face
  // BACK, both polygon faces filled, depth function LESS (the frame sets its
  // own again), blending on by source alpha, the
  // current colour the shadow colour.
  // A section leaves the volumes whole: cut, a volume would lose the faces
  // that close its count. The view builds them from the casters as the
  // section leaves them, and the quad is the screen's.
  SectionClipping(false);
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
  for (int pass = 0; pass < 2; ++pass) {
    glCullFace(pass == 0 ? GL_BACK : GL_FRONT);
    glStencilOp(GL_KEEP, GL_KEEP, pass == 0 ? GL_INCR : GL_DECR);
    if (!shadowArrays.empty()) {
      for (const ShadowArray& array : shadowArrays) DrawShadowTriangles(array.origin, 0, &array);
    } else if (shadowList) {
      DrawShadowTriangles(shadowListOrigin, shadowList.Id(), nullptr);
    }
  }

  glDisable(GL_DEPTH_CLAMP);
  glCullFace(GL_BACK);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  glStencilFunc(GL_NOTEQUAL, 0, 0xFFFFFFFFu);
  glColor4ub(static_cast<GLubyte>(shadowColor & 0xFF), static_cast<GLubyte>((shadowColor >> 8) & 0xFF),
             static_cast<GLubyte>((shadowColor >> 16) & 0xFF), static_cast<GLubyte>(shadowColor >> 24));
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // Shadows fall on drawn faces only. The quad is laid at the far end of the
  // depth range and passes only where something nearer was drawn, so the
  // background keeps its colour whatever a volume left in its count.
  glDepthRange(1.0, 1.0);
  glDepthFunc(GL_GREATER);
  DrawScreenQuad(halfWidth, halfHeight, flags, rect);
  glDepthRange(0.0, 1.0);
  glDepthFunc(GL_LESS);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  glDisable(GL_STENCIL_TEST);
  SectionClipping(true);
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
    const auto channel = [this](int shift) { return 1.0f - static_cast<float>((shadowColor >> shift) & 0xFF) / 255.0f; };
    glCullFace(GL_BACK);
    glColor4f(channel(0), channel(8), channel(16), 1.0f);
    DrawShadowTriangles(shadowListOrigin, shadowList.Id(), nullptr);
    glCullFace(GL_FRONT);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    DrawShadowTriangles(shadowListOrigin, shadowList.Id(), nullptr);
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
