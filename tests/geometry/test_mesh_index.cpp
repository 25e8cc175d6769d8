// The indexed mesh operations against plain scans of every face, edge and
// vertex on generated meshes: the index may only make them faster, never
// change an answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>

#include "geometry/gm_mesh_build.h"
#include "geometry/gm_mesh_make.h"
#include "geometry/gm_mesh_merge.h"
#include "geometry/gm_mesh_repair.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_vector.h"
#include "mesh_samples.h"

namespace {

using meshtest::Ring;

// --- the plain scans --------------------------------------------------------------

int ScanFinalise(GMMesh& mesh, double threshold, double tol) {
  int closed = 1;
  std::vector<GMMeshEdge> kept;
  for (const GMMeshEdge& edge : mesh.Edges()) {
    int first = -1, second = -1;
    FindEdgeFaces(mesh, edge.first, edge.second, first, second);
    if (first < 0) continue;
    if (second < 0) {
      kept.push_back({edge.first, edge.second, first});
      closed = 0;
      continue;
    }
    if (threshold < 0) {
      kept.push_back({edge.first, edge.second, -1});
      continue;
    }
    const GMVector n1 = GMPolygonNormal(*MeshFacePolygon(mesh, first), tol);
    const GMVector n2 = GMPolygonNormal(*MeshFacePolygon(mesh, second), tol);
    if (GMIsUndefined(n1) || GMIsUndefined(n2)) {
      kept.push_back({edge.first, edge.second, -1});
      continue;
    }
    double angle = GMAngleBetween(n1, n2, tol);
    if (angle > GMPi()) angle = 2 * GMPi() - angle;
    if (std::abs(angle - GMPi()) <= tol) closed = 0;
    if (angle >= threshold && std::abs(angle - threshold) > tol) kept.push_back({edge.first, edge.second, -1});
  }
  mesh.SetEdges(kept);
  return closed;
}

// Orientation as described: the walk goes on from the last face turned;
// when it stops, the lowest face not yet reached that shares an edge (as
// FindEdgeFaces pairs them) with a reached face is found by a scan of all
// faces, and the walk resumes from that reached neighbour.
int ScanOrient(GMMesh& mesh, int start) {
  if (start < 0 || start >= mesh.faceCount) return 0;
  std::vector<char> done(static_cast<size_t>(mesh.faceCount), 0);
  int result = 1;
  done[static_cast<size_t>(start)] = 1;
  int current = start;
  for (;;) {
    int lastTurned = -1;
    const GMMeshFace& face = mesh.faces[current];
    for (int k = 0; k < face.count; ++k) {
      const int a = face.indices[k], b = face.indices[(k + 1) % face.count];
      int first = -1, second = -1;
      const int consistent = FindEdgeFaces(mesh, a, b, first, second);
      if (first != current && second != current) continue;
      if (consistent) {
        done[static_cast<size_t>(first)] = done[static_cast<size_t>(second)] = 1;
      } else if (second < 0) {
        result = 0;
      } else {
        const int neighbour = first == current ? second : first;
        if (!done[static_cast<size_t>(neighbour)]) {
          ReverseMeshFace(mesh, neighbour);
          done[static_cast<size_t>(neighbour)] = 1;
          lastTurned = neighbour;
        }
      }
    }
    if (lastTurned >= 0) {
      current = lastTurned;
      continue;
    }
    current = -1;
    for (int g = 0; g < mesh.faceCount && current < 0; ++g) {
      if (done[static_cast<size_t>(g)]) continue;
      const GMMeshFace& other = mesh.faces[g];
      for (int k = 0; k < other.count && current < 0; ++k) {
        int first = -1, second = -1;
        FindEdgeFaces(mesh, other.indices[k], other.indices[(k + 1) % other.count], first, second);
        const int h = first == g ? second : (second == g ? first : -1);
        if (h >= 0 && done[static_cast<size_t>(h)]) current = h;
      }
    }
    if (current < 0) return result;
  }
}

void ScanRebuild(GMMesh& mesh, double tol) {
  std::vector<GMMeshEdge> edges;
  for (const GMMeshFace& face : mesh.Faces()) {
    for (int k = 0; k < face.count; ++k) {
      const int a = face.indices[k], b = face.indices[(k + 1) % face.count];
      const GMVector &pa = mesh.Position(a), &pb = mesh.Position(b);
      if (GMIsSamePoint(pa, pb, tol)) continue;
      bool listed = false;
      for (const GMMeshEdge& e : edges)
        listed = listed || GMCompareSegments(mesh.Position(e.first), mesh.Position(e.second), pa, pb, tol) != 0;
      if (!listed) edges.push_back({a, b, -1});
    }
  }
  mesh.SetEdges(edges);
}

GMMeshPtr ScanMakeMesh(const std::vector<GMPolygon>& polygons, double tol) {
  std::vector<GMVector> points;
  std::vector<std::vector<int32_t>> loops;
  std::vector<GMMeshEdge> edges;
  for (const GMPolygon& polygon : polygons) {
    std::vector<int32_t> loop;
    for (const GMVector& p : polygon.points) {
      int found = -1;
      for (size_t i = 0; i < points.size() && found < 0; ++i)
        if (GMIsSamePoint(points[i], p, tol)) found = static_cast<int>(i);
      if (found < 0) {
        found = static_cast<int>(points.size());
        points.push_back(p);
      }
      loop.push_back(found);
    }
    for (size_t k = 0; k < loop.size(); ++k) {
      const int a = loop[k], b = loop[(k + 1) % loop.size()];
      if (a == b) continue;
      const bool listed = std::any_of(edges.begin(), edges.end(), [&](const GMMeshEdge& e) {
        return (e.first == a && e.second == b) || (e.first == b && e.second == a);
      });
      if (!listed) edges.push_back({a, b, -1});
    }
    loops.push_back(std::move(loop));
  }
  return GMNewMesh(points, edges, loops);
}

GMMeshPtr ScanMerge(const std::vector<GMPolygon>& polygons, double tol) {
  const size_t n = polygons.size();
  std::vector<GMPlane> planes(n);
  for (size_t i = 0; i < n; ++i) planes[i] = GMPolygonPlane(polygons[i]);
  auto samePlane = [&](const GMPlane& p, const GMPlane& q) {
    return GMIsNear(p.nx, q.nx, tol) && GMIsNear(p.ny, q.ny, tol) && GMIsNear(p.nz, q.nz, tol) &&
           GMIsNear(p.d, q.d, tol);
  };
  std::vector<char> used(n, 0);
  std::vector<GMPolygon> pieces;
  for (size_t i = 0; i < n; ++i) {
    if (used[i]) continue;
    used[i] = 1;
    GMPolygon piece = polygons[i];
    for (size_t j = 0; j < n; ++j) {
      if (used[j] || !samePlane(planes[j], planes[i])) continue;
      if (GMPolygonPtr joined = JoinCoplanarPolygons(piece, polygons[j], tol)) {
        piece = *joined;
        used[j] = 1;
        j = static_cast<size_t>(-1);  // from the first again
      }
    }
    if (piece.points.empty()) continue;
    const bool repeated = std::any_of(pieces.begin(), pieces.end(),
                                      [&](const GMPolygon& p) { return GMIsSamePolygon(p, piece, 1e-7) != 0; });
    if (!repeated) pieces.push_back(piece);
  }
  return ScanMakeMesh(pieces, tol);
}

// --- comparison and generated meshes --------------------------------------------------

::testing::AssertionResult SameMesh(const GMMesh& got, const GMMesh& want) {
  if (got.vertexCount != want.vertexCount)
    return ::testing::AssertionFailure() << "vertices " << got.vertexCount << " vs " << want.vertexCount;
  for (int v = 0; v < got.vertexCount; ++v)
    if (std::memcmp(&got.Position(v), &want.Position(v), sizeof(GMVector)) != 0)  // to the bit, NaN too
      return ::testing::AssertionFailure() << "vertex " << v;
  if (got.faceCount != want.faceCount)
    return ::testing::AssertionFailure() << "faces " << got.faceCount << " vs " << want.faceCount;
  for (int f = 0; f < got.faceCount; ++f)
    if (meshtest::Loop(got, f) != meshtest::Loop(want, f)) return ::testing::AssertionFailure() << "face " << f;
  if (got.edgeCount != want.edgeCount)
    return ::testing::AssertionFailure() << "edges " << got.edgeCount << " vs " << want.edgeCount;
  for (int e = 0; e < got.edgeCount; ++e)
    if (!(got.edges[e] == want.edges[e])) return ::testing::AssertionFailure() << "edge " << e;
  return ::testing::AssertionSuccess();
}

// Polygons of a few boxes split into quads or triangles, some faces turned,
// some dropped, some repeated, a fin or two, in shuffled order.
std::vector<GMPolygon> Scramble(unsigned seed, bool jitter) {
  std::mt19937 random(seed);
  std::vector<GMPolygon> polygons;
  for (int box = 0; box < 3; ++box) {
    auto sides = meshtest::SplitBoxPolygons(1 + box, 2, 1.5, 2 + box, box == 1);
    for (GMPolygon& p : sides)
      for (GMVector& q : p.points) q.x += (box == 2 ? 1.0 : 3.0 * box);  // boxes 0 and 2 overlap and touch
    polygons.insert(polygons.end(), sides.begin(), sides.end());
  }
  std::uniform_int_distribution<int> pick(0, 99);
  std::vector<GMPolygon> out;
  for (GMPolygon& p : polygons) {
    const int r = pick(random);
    if (r < 4) continue;                                           // a hole
    if (r < 14) std::reverse(p.points.begin(), p.points.end());    // turned
    out.push_back(p);
    if (r >= 97) out.push_back(p);                                 // the same face again
  }
  out.push_back(Ring({{0, 0, 1.5}, {1, 0, 1.5}, {1, -1, 2.5}}));  // a fin on an edge
  std::shuffle(out.begin(), out.end(), random);
  // Last, in shuffled order, a Moebius band: no orientation fits all of it,
  // so where the walk meets the conflict depends on the order in which it
  // visits the faces. The last face, a start below, lies in it.
  const int steps = 9;
  auto band = [&](int k, double side) {
    const double t = 2 * std::numbers::pi * k / steps, twist = t / 2;
    const double r = 3 + side * std::cos(twist);
    return GMVector{20 + r * std::cos(t), r * std::sin(t), side * std::sin(twist)};
  };
  std::vector<GMPolygon> strip;
  for (int k = 0; k < steps; ++k) {
    // At the last step the half twist brings the far sides round exchanged.
    GMPolygon quad = Ring({band(k, -0.5), band(k, 0.5), band(k + 1, 0.5), band(k + 1, -0.5)});
    if (pick(random) < 50) std::reverse(quad.points.begin(), quad.points.end());
    strip.push_back(quad);
  }
  std::shuffle(strip.begin(), strip.end(), random);
  out.insert(out.end(), strip.begin(), strip.end());
  if (jitter) {
    // Move the shared vertices by the same amount, so the faces still meet.
    GMMeshPtr mesh = GMMakeMeshFromPolygons(out, 1e-7);
    meshtest::Jitter(*mesh, 0.02, seed);
    out.clear();
    for (int f = 0; f < mesh->faceCount; ++f) out.push_back(*MeshFacePolygon(*mesh, f));
  }
  return out;
}

class MeshIndexSameness : public ::testing::TestWithParam<unsigned> {};

}  // namespace

TEST_P(MeshIndexSameness, FacesOnEveryEdge) {
  for (bool jitter : {false, true}) {
    const GMMeshPtr mesh = GMMakeMeshFromPolygons(Scramble(GetParam(), jitter), 1e-7);
    const CGMEdgeFaceIndex index(*mesh);
    std::mt19937 random(GetParam());
    std::uniform_int_distribution<int> vertex(0, mesh->vertexCount - 1);
    int checked = 0;
    auto check = [&](int a, int b) {
      int f1, s1, f2, s2;
      const int r1 = FindEdgeFaces(*mesh, a, b, f1, s1);
      const int r2 = index.Find(a, b, f2, s2);
      ASSERT_EQ(r1, r2) << a << "-" << b;
      ASSERT_EQ(f1, f2) << a << "-" << b;
      ASSERT_EQ(s1, s2) << a << "-" << b;
      ++checked;
    };
    for (const GMMeshFace& face : mesh->Faces())
      for (int k = 0; k < face.count; ++k) check(face.indices[(k + 1) % face.count], face.indices[k]);
    for (int i = 0; i < 200; ++i) check(vertex(random), vertex(random));
    EXPECT_GT(checked, 200);
  }
}

TEST_P(MeshIndexSameness, FinaliseOrientRebuildAndPeel) {
  for (bool jitter : {false, true}) {
    const auto polygons = Scramble(GetParam(), jitter);
    const GMMeshPtr base = GMMakeMeshFromPolygons(polygons, 1e-7);
    for (double threshold : {0.0, 0.3, -1.0}) {
      GMMeshPtr a = GMCopyMesh(base.get()), b = GMCopyMesh(base.get());
      EXPECT_EQ(FinaliseMeshEdges(*a, threshold, 1e-7), ScanFinalise(*b, threshold, 1e-7));
      EXPECT_TRUE(SameMesh(*a, *b));
    }
    for (int start : {0, base->faceCount / 2, base->faceCount - 1}) {
      GMMeshPtr a = GMCopyMesh(base.get()), b = GMCopyMesh(base.get());
      EXPECT_EQ(OrientMeshFaces(*a, start), ScanOrient(*b, start));
      EXPECT_TRUE(SameMesh(*a, *b));
    }
    for (double tol : {1e-7, 0.05}) {  // the wide tolerance makes jittered corners twins
      GMMeshPtr a = GMCopyMesh(base.get()), b = GMCopyMesh(base.get());
      RebuildMeshEdges(*a, tol);
      ScanRebuild(*b, tol);
      EXPECT_TRUE(SameMesh(*a, *b));
    }
    {
      GMMeshPtr a = GMCopyMesh(base.get()), b = GMCopyMesh(base.get());
      PeelOpenFaces(*a);
      while (RemoveOpenFaces(*b)) {
      }
      EXPECT_TRUE(SameMesh(*a, *b));
    }
  }
}

TEST_P(MeshIndexSameness, MakeAndMergeFromPolygons) {
  // Corners moved by up to just over the tolerance, so that some merge and
  // some do not, and chains of near points occur.
  std::mt19937 random(GetParam());
  std::uniform_real_distribution<double> delta(-1.2e-7, 1.2e-7);
  std::vector<GMPolygon> polygons = Scramble(GetParam(), false);
  for (GMPolygon& p : polygons)
    for (GMVector& q : p.points)
      if (random() % 3 == 0) q = {q.x + delta(random), q.y + delta(random), q.z + delta(random)};
  EXPECT_TRUE(SameMesh(*GMMakeMeshFromPolygons(polygons, 1e-7), *ScanMakeMesh(polygons, 1e-7)));
  // Few enough vertices for the plain search, faces repeated to the bit, and
  // corners that are not numbers (near nothing, not even a copy of
  // themselves), among few vertices and among many.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const GMPolygon odd = Ring({{nan, 0, 0}, {1, nan, 0}, {nan, 0, 0}, {0, 0, 1}, {1, nan, 0}});
  std::vector<GMPolygon> few(polygons.begin(), polygons.begin() + 5);
  few.push_back(odd);
  few.push_back(polygons[1]);
  few.push_back(odd);
  EXPECT_TRUE(SameMesh(*GMMakeMeshFromPolygons(few, 1e-7), *ScanMakeMesh(few, 1e-7)));
  polygons.push_back(odd);
  polygons.insert(polygons.end(), few.begin(), few.end());
  EXPECT_TRUE(SameMesh(*GMMakeMeshFromPolygons(polygons, 1e-7), *ScanMakeMesh(polygons, 1e-7)));

  // Merging needs exact planes; a flat site of squares with gaps, and the boxes.
  std::vector<GMPolygon> flat = Scramble(GetParam(), false);
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j)
      if ((i * 7 + j * 3 + static_cast<int>(GetParam())) % 5 != 0)
        flat.push_back(Ring({{10.0 + i, 1.0 * j, 0}, {11.0 + i, 1.0 * j, 0}, {11.0 + i, 1.0 + j, 0}, {10.0 + i, 1.0 + j, 0}}));
  std::shuffle(flat.begin(), flat.end(), random);
  EXPECT_TRUE(SameMesh(*MergeCoplanarPolygons(flat, 1e-7), *ScanMerge(flat, 1e-7)));
}

INSTANTIATE_TEST_SUITE_P(Seeds, MeshIndexSameness, ::testing::Values(1u, 2u, 3u, 5u, 8u, 13u));
