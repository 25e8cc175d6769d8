#include "formats/K3dSolids.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geometry/gm_boolean.h"
#include "geometry/gm_mesh_build.h"
#include "geometry/gm_mesh_merge.h"
#include "geometry/gm_polygon.h"

namespace korvex::k3d {

namespace {

constexpr double kTolerance = GM_TOLERANCE;
// Boolean steps cut along the drawable edges and repair their result.
constexpr int kBooleanOptions = INK_BOOLEAN_BY_EDGES | INK_BOOLEAN_POST_MERGE;

GMPolygon PolygonOf(std::span<const GMVector> points) {
  return GMPolygon{std::vector<GMVector>(points.begin(), points.end())};
}

bool HasFaces(const GMMeshPtr& mesh) { return mesh && mesh->faceCount > 0; }

// shell minus hole, merged; the shell itself when the step gives nothing.
GMMeshPtr CutOut(GMMeshPtr shell, const GMMesh& hole) {
  GMMeshPtr cut = BooleanSolids(shell.get(), &hole, INK_BOOLEAN_DIFFERENCE, kBooleanOptions, kTolerance);
  if (!HasFaces(cut)) return shell;
  GMMeshPtr merged = MergeCoplanarFaces(*cut, kTolerance);
  return HasFaces(merged) ? std::move(merged) : std::move(cut);
}

}  // namespace

double MeshVolume(const GMMesh& mesh) {
  if (mesh.vertexCount == 0) return 0.0;
  // Measured from a vertex of the mesh, so that a site far from the origin
  // loses no digits.
  const GMVector o = mesh.Position(0);
  double sum = 0.0;
  for (const GMMeshFace& face : mesh.Faces()) {
    if (face.count < 3) continue;
    const GMVector& p0 = mesh.Position(face.indices[0]);
    const GMVector a{p0.x - o.x, p0.y - o.y, p0.z - o.z};
    for (int i = 1; i + 1 < face.count; ++i) {
      const GMVector& p1 = mesh.Position(face.indices[i]);
      const GMVector& p2 = mesh.Position(face.indices[i + 1]);
      const GMVector b{p1.x - o.x, p1.y - o.y, p1.z - o.z};
      const GMVector c{p2.x - o.x, p2.y - o.y, p2.z - o.z};
      sum += a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) + a.z * (b.x * c.y - b.y * c.x);
    }
  }
  return sum / 6.0;
}

GMMeshPtr BuildRingPrism(std::span<const GMVector> ring0, std::span<const GMVector> ring1) {
  const std::size_t n = ring0.size();
  if (n < 3 || ring1.size() != n) return nullptr;
  std::vector<GMPolygon> polygons;
  polygons.reserve(n + 2);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t j = i + 1 == n ? 0 : i + 1;
    polygons.push_back(GMPolygon{{ring0[i], ring0[j], ring1[j], ring1[i]}});
  }
  // The side quads run round the rings in their own sense; the far cap
  // (ring 1) runs the same way and the near cap (ring 0) the other way, so
  // that each cap meets its neighbours along opposite edges.
  GMPolygon bottom = PolygonOf(ring0);
  std::reverse(bottom.points.begin(), bottom.points.end());
  polygons.push_back(std::move(bottom));
  polygons.push_back(PolygonOf(ring1));

  GMMeshPtr mesh = MergeCoplanarPolygons(polygons, kTolerance);
  if (!HasFaces(mesh)) return nullptr;
  const double volume = MeshVolume(*mesh);
  // Coinciding rings make a flat sheet, which is no solid.
  if (std::fabs(volume) <= kTolerance) return nullptr;
  // Rings given clockwise seen from ring 1 make the whole surface face
  // inward: turn every face round.
  if (volume < 0.0) {
    for (int f = 0; f < mesh->faceCount; ++f) ReverseMeshFace(*mesh, f);
  }
  return mesh;
}

GMMeshPtr BuildExtrusion(std::span<const GMVector> base, const GMVector& v) {
  if (base.size() < 3) return nullptr;
  return ExtrudePolygon(PolygonOf(base), v);
}

GMMeshPtr BuildShell(std::span<const GMVector> outer, const GMVector& v,
                     std::span<const std::vector<GMVector>> holes) {
  GMMeshPtr shell = BuildExtrusion(outer, v);
  if (!HasFaces(shell)) return nullptr;
  for (const std::vector<GMVector>& hole : holes) {
    GMMeshPtr cutter = BuildExtrusion(hole, v);
    if (!HasFaces(cutter)) continue;
    shell = CutOut(std::move(shell), *cutter);
  }
  FinaliseMeshEdges(*shell, 0.0, kTolerance);
  return shell;
}

std::vector<GMVector> CircleRing(const GMVector& centre, int count, double radius) {
  std::vector<GMVector> ring;
  if (count <= 0) return ring;
  // Whole degrees per step, as the host has always stepped its rings.
  const int step = 360 / count;
  ring.reserve(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    const double theta = static_cast<double>(k * step) * std::numbers::pi / 180.0;
    ring.push_back({centre.x + radius * std::cos(theta), centre.y + radius * std::sin(theta), centre.z});
  }
  return ring;
}

GMMeshPtr BuildPile(const GMVector& base, int count, double radius, double length) {
  return BuildExtrusion(CircleRing(base, count, radius), GMVector{0.0, 0.0, length});
}

GMMeshPtr BuildPipe(const GMVector& base, int count, double inner, double outer, double length) {
  // A bore no narrower than the pipe, or one whose wall would be thinner
  // than the tolerance, leaves the pipe solid.
  if (!(outer - inner > kTolerance)) {
    GMMeshPtr pile = BuildPile(base, count, outer, length);
    if (HasFaces(pile)) FinaliseMeshEdges(*pile, 0.0, kTolerance);
    return HasFaces(pile) ? std::move(pile) : nullptr;
  }
  if (count < 3 || !(length > kTolerance)) return nullptr;
  // The bore is built with the pipe, not cut out of it: the two rings share
  // their angles, so the walls and the annular ends are known quads. Cutting
  // it as a Boolean step cost a quarter of a second for a round pipe, and a
  // site holds hundreds of them.
  const GMVector top{base.x, base.y, base.z + length};
  const std::vector<GMVector> o0 = CircleRing(base, count, outer), o1 = CircleRing(top, count, outer);
  const std::vector<GMVector> i0 = CircleRing(base, count, inner), i1 = CircleRing(top, count, inner);
  const std::size_t n = o0.size();
  std::vector<GMPolygon> polygons;
  polygons.reserve(4 * n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t j = i + 1 == n ? 0 : i + 1;
    // The rings run counter-clockwise seen from above: the outer wall faces
    // away from the axis, the bore's wall towards it, the ends down and up.
    polygons.push_back(GMPolygon{{o0[i], o0[j], o1[j], o1[i]}});
    polygons.push_back(GMPolygon{{i0[j], i0[i], i1[i], i1[j]}});
    polygons.push_back(GMPolygon{{o0[i], i0[i], i0[j], o0[j]}});
    polygons.push_back(GMPolygon{{o1[i], o1[j], i1[j], i1[i]}});
  }
  GMMeshPtr pipe = MergeCoplanarPolygons(polygons, kTolerance);
  if (!HasFaces(pipe) || !(MeshVolume(*pipe) > 0.0)) return nullptr;
  FinaliseMeshEdges(*pipe, 0.0, kTolerance);
  return pipe;
}

Tilt PileTilt(const GMVector& a) {
  Tilt tilt;
  // z × a, whose length is |a| sin(angle).
  const GMVector cross{-a.y, a.x, 0.0};
  const double sine = std::hypot(cross.x, cross.y);
  const double angle = std::atan2(sine, a.z);
  if (!(std::fabs(angle) > kTolerance)) return tilt;
  tilt.angle = angle;
  // A pile pointing straight down turns about x.
  tilt.axis = sine < kTolerance ? GMVector{1.0, 0.0, 0.0} : cross;
  return tilt;
}

}  // namespace korvex::k3d
