// Boolean operations on closed meshes, checked by properties of the result:
// closed and consistently oriented, outward, the volume that inclusion and
// exclusion of the operands predicts, the Euler characteristic of its genus,
// and inside exactly where the set combination of the operands is.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "geometry/gm_boolean.h"
#include "geometry/gm_mesh_make.h"
#include "geometry/gm_polygon_inside.h"
#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_polygon_ops.h"
#include "geometry/gm_vector.h"
#include "tests/support/mesh_invariants.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A mesh of the given polygons, vertices shared by exact position and every
// undirected edge listed once: built here without the kernel's builders.
GMMeshPtr MeshOf(const std::vector<std::vector<GMVector>>& faces) {
  std::vector<GMVector> points;
  std::vector<std::vector<int32_t>> loops;
  std::vector<GMMeshEdge> edges;
  std::set<std::pair<int, int>> seen;
  for (const auto& face : faces) {
    std::vector<int32_t> loop;
    for (const GMVector& p : face) {
      int index = -1;
      for (size_t i = 0; i < points.size(); ++i)
        if (points[i] == p) index = static_cast<int>(i);
      if (index < 0) {
        index = static_cast<int>(points.size());
        points.push_back(p);
      }
      loop.push_back(index);
    }
    for (size_t i = 0; i < loop.size(); ++i) {
      const int a = loop[i], b = loop[(i + 1) % loop.size()];
      if (seen.insert({std::min(a, b), std::max(a, b)}).second) edges.push_back({a, b, -1});
    }
    loops.push_back(std::move(loop));
  }
  return GMNewMesh(points, edges, loops);
}

// The upright prism over a counter-clockwise ring, from z0 to z1, outward.
GMMeshPtr Prism(const std::vector<GMVector>& ring, double z0, double z1) {
  std::vector<std::vector<GMVector>> faces;
  std::vector<GMVector> bottom, top;
  for (auto it = ring.rbegin(); it != ring.rend(); ++it) bottom.push_back({it->x, it->y, z0});
  for (const GMVector& p : ring) top.push_back({p.x, p.y, z1});
  faces.push_back(bottom);
  faces.push_back(top);
  const size_t n = ring.size();
  for (size_t i = 0; i < n; ++i) {
    const GMVector& p = ring[i];
    const GMVector& q = ring[(i + 1) % n];
    faces.push_back({{p.x, p.y, z0}, {q.x, q.y, z0}, {q.x, q.y, z1}, {p.x, p.y, z1}});
  }
  return MeshOf(faces);
}

std::vector<GMVector> Rect(double x0, double y0, double x1, double y1) {
  return {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}};
}

GMMeshPtr Box(double x0, double y0, double z0, double x1, double y1, double z1) {
  return Prism(Rect(x0, y0, x1, y1), z0, z1);
}

// A regular n-gon of radius r about (cx, cy), turned by phase radians.
std::vector<GMVector> RegularRing(int n, double r, double cx = 0, double cy = 0, double phase = 0) {
  std::vector<GMVector> ring;
  for (int i = 0; i < n; ++i) {
    const double t = phase + 2 * kPi * i / n;
    ring.push_back({cx + r * std::cos(t), cy + r * std::sin(t), 0});
  }
  return ring;
}

double RingArea(const std::vector<GMVector>& ring) {
  double s = 0;
  for (size_t i = 0; i < ring.size(); ++i) {
    const GMVector& p = ring[i];
    const GMVector& q = ring[(i + 1) % ring.size()];
    s += p.x * q.y - q.x * p.y;
  }
  return s / 2;
}

// --- invariants -----------------------------------------------------------------

// Every edge is run exactly once each way: by two faces, in opposite
// directions.
::testing::AssertionResult IsClosed(const GMMesh& mesh) {
  const std::string fault = meshcheck::SurfaceFault(mesh);
  if (fault.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << fault;
}

// Every directed edge is run as often as its reverse: closed, and consistently
// oriented, though possibly pinched along an edge.
::testing::AssertionResult IsBalanced(const GMMesh& mesh) {
  std::map<std::pair<int, int>, int> runs;
  for (const GMMeshFace& face : mesh.Faces()) {
    const auto loop = face.Indices();
    for (size_t i = 0; i < loop.size(); ++i) ++runs[{loop[i], loop[(i + 1) % loop.size()]}];
  }
  for (const auto& [edge, count] : runs) {
    const auto back = runs.find({edge.second, edge.first});
    if (back == runs.end() || back->second != count)
      return ::testing::AssertionFailure() << "edge " << edge.first << "-" << edge.second << " runs " << count
                                           << " times forward, " << (back == runs.end() ? 0 : back->second)
                                           << " times back";
  }
  return ::testing::AssertionSuccess();
}

using meshcheck::EulerCharacteristic;
using meshcheck::Volume;

using Inside = std::function<bool(const GMVector&)>;

Inside InBox(double x0, double y0, double z0, double x1, double y1, double z1) {
  return [=](const GMVector& p) { return p.x > x0 && p.x < x1 && p.y > y0 && p.y < y1 && p.z > z0 && p.z < z1; };
}

Inside InPrism(const std::vector<GMVector>& ring, double z0, double z1) {
  GMPolygon polygon{ring};
  return [=](const GMVector& p) {
    return p.z > z0 && p.z < z1 && GMPointInPolygon2D(polygon, {p.x, p.y, 0}, 0, 1e-9) == 1;
  };
}

// Random points of the box lo-hi, away from every plane listed in `avoid`
// (given as axis and value), lie inside the result exactly where `want` says.
::testing::AssertionResult SamplesAgree(const GMMesh& result, const Inside& want, GMVector lo, GMVector hi,
                                        int samples = 300) {
  std::mt19937 random(12345);
  std::uniform_real_distribution<double> ux(lo.x, hi.x), uy(lo.y, hi.y), uz(lo.z, hi.z);
  int wrong = 0;
  std::ostringstream where;
  for (int i = 0; i < samples; ++i) {
    // Quarter-odd offsets keep the samples off the planes of the test solids,
    // which all lie on round coordinates.
    const GMVector p{ux(random) + 1e-4, uy(random) + 1e-4, uz(random) + 1e-4};
    const bool expected = want(p);
    const bool got = GMPointInMesh(result, p, 0, GM_TOLERANCE) == 1;
    if (expected != got && ++wrong <= 3) where << " (" << p.x << "," << p.y << "," << p.z << ") want " << expected;
  }
  if (wrong == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << wrong << " of " << samples << " samples disagree:" << where.str();
}

struct Expect {
  double volume;
  int euler;  // INT32_MIN when not checked
};
constexpr int kAnyEuler = INT32_MIN;

void CheckSolid(const GMMesh* result, const Expect& want, const Inside& inside, GMVector lo, GMVector hi) {
  ASSERT_NE(result, nullptr);
  EXPECT_TRUE(IsClosed(*result));
  EXPECT_NEAR(Volume(*result), want.volume, 1e-6 * std::max(1.0, want.volume));
  if (want.euler != kAnyEuler) {
    EXPECT_EQ(EulerCharacteristic(*result), want.euler);
  }
  EXPECT_TRUE(SamplesAgree(*result, inside, lo, hi));
}

Inside Union(Inside a, Inside b) {
  return [=](const GMVector& p) { return a(p) || b(p); };
}
Inside Minus(Inside a, Inside b) {
  return [=](const GMVector& p) { return a(p) && !b(p); };
}
Inside Both(Inside a, Inside b) {
  return [=](const GMVector& p) { return a(p) && b(p); };
}

// Every check runs with the plain classification and with the scene reader's
// options (cut along drawable edges, then repair).
class BooleanOptions : public ::testing::TestWithParam<int> {};

// --- boxes ----------------------------------------------------------------------

TEST_P(BooleanOptions, OverlappingBoxesOffsetOnEveryAxis) {
  const int options = GetParam();
  const GMMeshPtr a = Box(0, 0, 0, 2, 2, 2);
  const GMMeshPtr b = Box(1, 1, 1, 3, 3, 3);
  const Inside inA = InBox(0, 0, 0, 2, 2, 2), inB = InBox(1, 1, 1, 3, 3, 3);
  const GMVector lo{-0.5, -0.5, -0.5}, hi{3.5, 3.5, 3.5};
  CheckSolid(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_UNION, options, GM_TOLERANCE).get(), {15, 2},
             Union(inA, inB), lo, hi);
  CheckSolid(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE).get(), {7, 2},
             Minus(inA, inB), lo, hi);
  CheckSolid(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_INTERSECTION, options, GM_TOLERANCE).get(), {1, 2},
             Both(inA, inB), lo, hi);
  // Exchanging the operands changes only the difference.
  CheckSolid(BooleanSolids(b.get(), a.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE).get(), {7, 2},
             Minus(inB, inA), lo, hi);
}

// Sliding along one axis leaves four faces of each box in common planes,
// facing the same way: their shared parts must come out once.
TEST_P(BooleanOptions, BoxesSharingFacePlanes) {
  const int options = GetParam();
  const GMMeshPtr a = Box(0, 0, 0, 2, 2, 2);
  const GMMeshPtr b = Box(1, 0, 0, 3, 2, 2);
  const Inside inA = InBox(0, 0, 0, 2, 2, 2), inB = InBox(1, 0, 0, 3, 2, 2);
  const GMVector lo{-0.5, -0.5, -0.5}, hi{3.5, 2.5, 2.5};
  CheckSolid(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_UNION, options, GM_TOLERANCE).get(), {12, 2},
             Union(inA, inB), lo, hi);
  CheckSolid(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE).get(), {4, 2},
             Minus(inA, inB), lo, hi);
  CheckSolid(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_INTERSECTION, options, GM_TOLERANCE).get(), {4, 2},
             Both(inA, inB), lo, hi);
}

// A box that pierces one side of a larger one leaves a notch.
TEST_P(BooleanOptions, NotchThroughOneSide) {
  const int options = GetParam();
  const GMMeshPtr a = Box(0, 0, 0, 4, 4, 4);
  const GMMeshPtr b = Box(1, -1, 1, 3, 2, 3);
  const Inside inA = InBox(0, 0, 0, 4, 4, 4), inB = InBox(1, -1, 1, 3, 2, 3);
  const GMVector lo{-0.5, -1.5, -0.5}, hi{4.5, 4.5, 4.5};
  CheckSolid(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE).get(),
             {64 - 8, 2}, Minus(inA, inB), lo, hi);
  CheckSolid(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_UNION, options, GM_TOLERANCE).get(), {64 + 4, 2},
             Union(inA, inB), lo, hi);
}

// --- courtyards and pipes -----------------------------------------------------------

// A courtyard through the whole height of a block: the hole's top and bottom
// lie in the block's top and bottom planes. The result has one handle.
TEST_P(BooleanOptions, CourtyardThroughABlock) {
  const int options = GetParam();
  const GMMeshPtr shell = Box(0, 0, 0, 10, 8, 3);
  const GMMeshPtr yard = Box(3, 2, 0, 6, 5, 3);
  const GMMeshPtr result = BooleanSolids(shell.get(), yard.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE);
  CheckSolid(result.get(), {240 - 27, 0}, Minus(InBox(0, 0, 0, 10, 8, 3), InBox(3, 2, 0, 6, 5, 3)),
             {-1, -1, -1}, {11, 9, 4});
}

// A hole taller than the block cuts the same courtyard.
TEST_P(BooleanOptions, CourtyardCutByATallerHole) {
  const int options = GetParam();
  const GMMeshPtr shell = Box(0, 0, 0, 10, 8, 3);
  const GMMeshPtr yard = Box(3, 2, -1, 6, 5, 4);
  const GMMeshPtr result = BooleanSolids(shell.get(), yard.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE);
  CheckSolid(result.get(), {240 - 27, 0}, Minus(InBox(0, 0, 0, 10, 8, 3), InBox(3, 2, -1, 6, 5, 4)),
             {-1, -1, -2}, {11, 9, 5});
}

// A light well open at the top only: no handle.
TEST_P(BooleanOptions, LightWellOpenAtTheTop) {
  const int options = GetParam();
  const GMMeshPtr shell = Box(0, 0, 0, 10, 8, 3);
  const GMMeshPtr well = Box(3, 2, 1, 6, 5, 3);
  const GMMeshPtr result = BooleanSolids(shell.get(), well.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE);
  CheckSolid(result.get(), {240 - 18, 2}, Minus(InBox(0, 0, 0, 10, 8, 3), InBox(3, 2, 1, 6, 5, 3)),
             {-1, -1, -1}, {11, 9, 4});
}

// Two courtyards at once (B holds two meshes): two handles.
TEST_P(BooleanOptions, BlockMinusTwoCourtyards) {
  const int options = GetParam();
  const GMMeshPtr shell = Box(0, 0, 0, 10, 8, 3);
  const GMMeshPtr yard1 = Box(1, 2, 0, 4, 5, 3);
  const GMMeshPtr yard2 = Box(6, 2, 0, 9, 6, 3);
  const GMMesh* a[] = {shell.get()};
  const GMMesh* b[] = {yard1.get(), yard2.get()};
  const GMMeshPtr result = BooleanSolids(a, b, INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE);
  CheckSolid(result.get(), {240 - 27 - 36, -2},
             Minus(InBox(0, 0, 0, 10, 8, 3), Union(InBox(1, 2, 0, 4, 5, 3), InBox(6, 2, 0, 9, 6, 3))),
             {-1, -1, -1}, {11, 9, 4});
}

// A pipe: a round prism minus a thinner one of the same length.
TEST_P(BooleanOptions, PipeFromTwoRoundPrisms) {
  const int options = GetParam();
  for (const int sides : {8, 24}) {
    SCOPED_TRACE(sides);
    const auto outer = RegularRing(sides, 2.0), inner = RegularRing(sides, 1.2);
    const GMMeshPtr a = Prism(outer, 0, 5);
    const GMMeshPtr b = Prism(inner, 0, 5);
    const GMMeshPtr result = BooleanSolids(a.get(), b.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE);
    CheckSolid(result.get(), {(RingArea(outer) - RingArea(inner)) * 5, 0},
               Minus(InPrism(outer, 0, 5), InPrism(inner, 0, 5)), {-2.5, -2.5, -1}, {2.5, 2.5, 6});
  }
}

// An inner ring turned against the outer one, off centre: no vertex pair of
// the two rings lines up.
TEST_P(BooleanOptions, PipeWithAnOffCentreTurnedBore) {
  const int options = GetParam();
  const auto outer = RegularRing(12, 3.0), inner = RegularRing(7, 1.0, 0.7, -0.4, 0.3);
  const GMMeshPtr a = Prism(outer, 0, 4);
  const GMMeshPtr b = Prism(inner, -1, 5);
  const GMMeshPtr result = BooleanSolids(a.get(), b.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE);
  CheckSolid(result.get(), {(RingArea(outer) - RingArea(inner)) * 4, 0},
             Minus(InPrism(outer, 0, 4), InPrism(inner, -1, 5)), {-3.5, -3.5, -1}, {3.5, 3.5, 5});
}

// --- touching, disjoint and identical operands -----------------------------------------

// One box standing on another: the two faces between them face each other.
TEST_P(BooleanOptions, BoxesTouchingFaceToFace) {
  const int options = GetParam();
  const GMMeshPtr a = Box(0, 0, 0, 2, 2, 1);
  const GMMeshPtr b = Box(1, 0, 1, 3, 2, 2);  // covers half of a's top
  const Inside inA = InBox(0, 0, 0, 2, 2, 1), inB = InBox(1, 0, 1, 3, 2, 2);
  const GMVector lo{-0.5, -0.5, -0.5}, hi{3.5, 2.5, 2.5};
  // The union is one solid whose two halves meet along a strip: a face of
  // the result is not counted twice, and the meeting faces are gone.
  CheckSolid(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_UNION, options, GM_TOLERANCE).get(), {8, kAnyEuler},
             Union(inA, inB), lo, hi);
  // A minus B keeps all of A, including the part of its top that B stands on.
  CheckSolid(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE).get(), {4, 2},
             inA, lo, hi);
  // Solids that only touch have no volume in common.
  EXPECT_EQ(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_INTERSECTION, options, GM_TOLERANCE), nullptr);
}

TEST_P(BooleanOptions, StackedBoxesOfEqualFootprint) {
  const int options = GetParam();
  const GMMeshPtr a = Box(0, 0, 0, 1, 1, 1);
  const GMMeshPtr b = Box(0, 0, 1, 1, 1, 2);
  const GMMeshPtr sum = BooleanSolids(a.get(), b.get(), INK_BOOLEAN_UNION, options, GM_TOLERANCE);
  CheckSolid(sum.get(), {2, 2}, InBox(0, 0, 0, 1, 1, 2), {-0.5, -0.5, -0.5}, {1.5, 1.5, 2.5});
  CheckSolid(BooleanSolids(b.get(), a.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE).get(), {1, 2},
             InBox(0, 0, 1, 1, 1, 2), {-0.5, -0.5, -0.5}, {1.5, 1.5, 2.5});
}

TEST_P(BooleanOptions, DisjointOperands) {
  const int options = GetParam();
  const GMMeshPtr a = Box(0, 0, 0, 1, 1, 1);
  const GMMeshPtr b = Box(3, 0, 0, 5, 1, 1);
  const Inside inA = InBox(0, 0, 0, 1, 1, 1), inB = InBox(3, 0, 0, 5, 1, 1);
  const GMVector lo{-0.5, -0.5, -0.5}, hi{5.5, 1.5, 1.5};
  // Two separate spheres' worth of surface: V - E + F = 2 + 2.
  CheckSolid(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_UNION, options, GM_TOLERANCE).get(), {3, 4},
             Union(inA, inB), lo, hi);
  CheckSolid(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE).get(), {1, 2}, inA,
             lo, hi);
  EXPECT_EQ(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_INTERSECTION, options, GM_TOLERANCE), nullptr);
}

TEST_P(BooleanOptions, IdenticalOperands) {
  const int options = GetParam();
  const GMMeshPtr a = Box(0, 0, 0, 2, 1, 3);
  const GMMeshPtr b = Box(0, 0, 0, 2, 1, 3);
  const Inside inA = InBox(0, 0, 0, 2, 1, 3);
  const GMVector lo{-0.5, -0.5, -0.5}, hi{2.5, 1.5, 3.5};
  const GMMeshPtr sum = BooleanSolids(a.get(), b.get(), INK_BOOLEAN_UNION, options, GM_TOLERANCE);
  CheckSolid(sum.get(), {6, 2}, inA, lo, hi);
  EXPECT_EQ(sum->faceCount, 6);  // each face once, not once per operand
  CheckSolid(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_INTERSECTION, options, GM_TOLERANCE).get(), {6, 2}, inA,
             lo, hi);
  EXPECT_EQ(BooleanSolids(a.get(), b.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE), nullptr);
}

// Boxes on a coarse grid meet in every way boxes can: overlapping, sharing
// face planes, touching face to face, along an edge or at a corner, nested,
// equal or apart. Every edge of the result is run as often one way as the
// other (solids that touch along an edge meet there four times), and the
// volume is that of inclusion and exclusion.
TEST_P(BooleanOptions, BoxesOnACoarseGrid) {
  const int options = GetParam();
  std::mt19937 random(2024);
  std::uniform_int_distribution<int> coordinate(0, 3);
  const auto interval = [&](double& lo, double& hi) {
    int a = coordinate(random), b = coordinate(random);
    while (a == b) b = coordinate(random);
    lo = std::min(a, b);
    hi = std::max(a, b);
  };
  for (int round = 0; round < 40; ++round) {
    double a0[3], a1[3], b0[3], b1[3];
    for (int k = 0; k < 3; ++k) {
      interval(a0[k], a1[k]);
      interval(b0[k], b1[k]);
    }
    SCOPED_TRACE(::testing::Message() << "A " << a0[0] << "," << a0[1] << "," << a0[2] << " - " << a1[0] << ","
                                      << a1[1] << "," << a1[2] << "  B " << b0[0] << "," << b0[1] << "," << b0[2]
                                      << " - " << b1[0] << "," << b1[1] << "," << b1[2]);
    const GMMeshPtr a = Box(a0[0], a0[1], a0[2], a1[0], a1[1], a1[2]);
    const GMMeshPtr b = Box(b0[0], b0[1], b0[2], b1[0], b1[1], b1[2]);
    double va = 1, vb = 1, vi = 1;
    for (int k = 0; k < 3; ++k) {
      va *= a1[k] - a0[k];
      vb *= b1[k] - b0[k];
      vi *= std::max(0.0, std::min(a1[k], b1[k]) - std::max(a0[k], b0[k]));
    }
    const Inside inA = InBox(a0[0], a0[1], a0[2], a1[0], a1[1], a1[2]);
    const Inside inB = InBox(b0[0], b0[1], b0[2], b1[0], b1[1], b1[2]);
    const struct {
      int operation;
      double volume;
      Inside inside;
    } steps[] = {{INK_BOOLEAN_UNION, va + vb - vi, Union(inA, inB)},
                 {INK_BOOLEAN_DIFFERENCE, va - vi, Minus(inA, inB)},
                 {INK_BOOLEAN_INTERSECTION, vi, Both(inA, inB)}};
    for (const auto& step : steps) {
      SCOPED_TRACE(step.operation);
      const GMMeshPtr result = BooleanSolids(a.get(), b.get(), step.operation, options, GM_TOLERANCE);
      if (step.volume == 0) {
        EXPECT_EQ(result, nullptr);
        continue;
      }
      ASSERT_NE(result, nullptr);
      EXPECT_TRUE(IsBalanced(*result));
      EXPECT_NEAR(Volume(*result), step.volume, 1e-9);
      EXPECT_TRUE(SamplesAgree(*result, step.inside, {-0.5, -0.5, -0.5}, {3.5, 3.5, 3.5}, 60));
    }
  }
}

// The scene reader's shells and pipes: an upright prism minus a prism whose
// footprint lies inside its own, through the whole height, open at one end,
// or taller. Footprints are regular rings of random size, centre and turn, so
// their vertices line up with nothing.
TEST_P(BooleanOptions, RandomShellsWithHoles) {
  const int options = GetParam();
  std::mt19937 random(77);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> sides(3, 14);
  for (int round = 0; round < 25; ++round) {
    const double r = 2 + 3 * unit(random);
    const auto outer = RegularRing(sides(random), r, 0, 0, unit(random));
    // A hole well inside the outer ring's inscribed circle.
    const double inscribed = r * std::cos(kPi / 3);
    const double hr = inscribed * (0.2 + 0.4 * unit(random));
    const double room = inscribed - hr;
    const double angle = 2 * kPi * unit(random), off = 0.8 * room * unit(random);
    const auto inner = RegularRing(sides(random), hr, off * std::cos(angle), off * std::sin(angle), unit(random));
    const double h = 1 + 5 * unit(random);
    const int kind = round % 3;  // through, open at the top, taller
    const double z0 = kind == 0 ? 0 : kind == 1 ? h * 0.4 : -1;
    const double z1 = kind == 2 ? h + 1 : h;
    SCOPED_TRACE(::testing::Message() << "round " << round);
    const GMMeshPtr shell = Prism(outer, 0, h);
    const GMMeshPtr hole = Prism(inner, z0, z1);
    const GMMeshPtr result = BooleanSolids(shell.get(), hole.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE);
    const double cut = std::min(z1, h) - std::max(z0, 0.0);
    CheckSolid(result.get(), {RingArea(outer) * h - RingArea(inner) * cut, kind == 1 ? 2 : 0},
               Minus(InPrism(outer, 0, h), InPrism(inner, z0, z1)), {-r, -r, -1}, {r, r, h + 1});
  }
}

INSTANTIATE_TEST_SUITE_P(Options, BooleanOptions, ::testing::Values(0, INK_BOOLEAN_BY_EDGES | INK_BOOLEAN_POST_MERGE),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return info.param == 0 ? std::string("Plain") : std::string("ByEdgesRepaired");
                         });

// --- the entry's other answers ------------------------------------------------------------

TEST(BooleanSolids, UnknownOperationAndEmptyInputGiveNoMesh) {
  const GMMeshPtr a = Box(0, 0, 0, 1, 1, 1);
  EXPECT_EQ(BooleanSolids(a.get(), a.get(), 3, 0, GM_TOLERANCE), nullptr);
  EXPECT_EQ(BooleanSolids(a.get(), a.get(), -1, 0, GM_TOLERANCE), nullptr);
  EXPECT_EQ(BooleanSolids(nullptr, nullptr, INK_BOOLEAN_UNION, 0, GM_TOLERANCE), nullptr);
  // With nothing to take away, A comes back whole.
  const GMMeshPtr same = BooleanSolids(a.get(), nullptr, INK_BOOLEAN_DIFFERENCE, 3, GM_TOLERANCE);
  CheckSolid(same.get(), {1, 2}, InBox(0, 0, 0, 1, 1, 1), {-0.5, -0.5, -0.5}, {1.5, 1.5, 1.5});
}

// A block whose long side is split into coplanar faces: cutting along the
// drawable edges only follows the merged outline, so the side comes out as
// few faces, while the plain cut follows every face.
TEST(BooleanSolids, DrawableEdgesMergeCoplanarFaces) {
  // The front face y = 0 of a 4 x 1 x 1 block, given as four unit squares.
  std::vector<std::vector<GMVector>> faces;
  for (int i = 0; i < 4; ++i)
    faces.push_back({{double(i), 0, 0}, {double(i + 1), 0, 0}, {double(i + 1), 0, 1}, {double(i), 0, 1}});
  faces.push_back({{4, 0, 0}, {4, 1, 0}, {4, 1, 1}, {4, 0, 1}});
  faces.push_back({{4, 1, 0}, {0, 1, 0}, {0, 1, 1}, {4, 1, 1}});
  faces.push_back({{0, 1, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 1}});
  // Top and bottom pass through the seams' ends, so the block has no T-junction.
  faces.push_back({{0, 0, 0}, {0, 1, 0}, {4, 1, 0}, {4, 0, 0}, {3, 0, 0}, {2, 0, 0}, {1, 0, 0}});
  faces.push_back({{0, 0, 1}, {1, 0, 1}, {2, 0, 1}, {3, 0, 1}, {4, 0, 1}, {4, 1, 1}, {0, 1, 1}});
  GMMeshPtr block = MeshOf(faces);
  // Only the outline edges are drawable: drop the three seams of the front.
  std::vector<GMMeshEdge> drawable;
  for (const GMMeshEdge& e : block->Edges()) {
    const GMVector& p = block->Position(e.first);
    const GMVector& q = block->Position(e.second);
    const bool seam = p.y == 0 && q.y == 0 && p.x == q.x && p.x > 0 && p.x < 4;
    if (!seam) drawable.push_back(e);
  }
  block->SetEdges(drawable);
  const GMMeshPtr cutter = Box(1.5, 0.5, -1, 2.5, 2, 2);  // a slot in the back
  const GMMeshPtr plain = BooleanSolids(block.get(), cutter.get(), INK_BOOLEAN_DIFFERENCE, 0, GM_TOLERANCE);
  const GMMeshPtr merged = BooleanSolids(block.get(), cutter.get(), INK_BOOLEAN_DIFFERENCE, 3, GM_TOLERANCE);
  for (const GMMesh* result : {plain.get(), merged.get()}) {
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(IsClosed(*result));
    EXPECT_NEAR(Volume(*result), 4 - 0.5, 1e-9);
  }
  const auto frontFaces = [](const GMMesh& mesh) {
    int n = 0;
    for (const GMMeshFace& face : mesh.Faces()) {
      bool front = true;
      for (int32_t i : face.Indices()) front = front && mesh.Position(i).y == 0;
      n += front;
    }
    return n;
  };
  EXPECT_EQ(frontFaces(*plain), 4);
  EXPECT_EQ(frontFaces(*merged), 1);
}

// --- cells ----------------------------------------------------------------------------------

double CellArea(const InkFragments& cells, int wantFlags) {
  double sum = 0;
  for (int i = 0; i < cells.Count(); ++i)
    if (cells.flags[static_cast<size_t>(i)] == wantFlags) sum += GMPolygonArea2D(cells.polygons[static_cast<size_t>(i)]);
  return sum;
}

bool HasRepeatedVertex(const GMPolygon& ring) {
  for (int i = 0; i < ring.Count(); ++i)
    for (int j = i + 1; j < ring.Count(); ++j)
      if (std::abs(ring[i].x - ring[j].x) < 1e-9 && std::abs(ring[i].y - ring[j].y) < 1e-9) return true;
  return false;
}

TEST(CombinePlanar2D, OverlappingSquaresGiveThreeFlaggedCells) {
  CInkElement element;
  const std::vector<GMPolygon> a{GMPolygon{Rect(0, 0, 2, 2)}};
  // B given clockwise: it is turned round first.
  const std::vector<GMPolygon> b{GMPolygon{{{1, 1, 0}, {1, 3, 0}, {3, 3, 0}, {3, 1, 0}}}};
  const InkFragmentsPtr cells = element.CombinePlanar2D(a, b, 0);
  ASSERT_NE(cells, nullptr);
  EXPECT_NEAR(CellArea(*cells, INK_CELL_IN_A), 3, 1e-9);
  EXPECT_NEAR(CellArea(*cells, INK_CELL_IN_A | INK_CELL_IN_B), 1, 1e-9);
  EXPECT_NEAR(CellArea(*cells, INK_CELL_IN_B), 3, 1e-9);
  for (const GMPolygon& cell : cells->polygons) EXPECT_GT(GMPolygonArea2D(cell), 0);
}

// A polygon inside another is joined to it by two bridges: the ring between
// them comes out as simple cells, never as a cell that covers the hole.
TEST(CombinePlanar2D, NestedPolygonsGiveCellsWithoutHoles) {
  CInkElement element;
  struct Case {
    const char* name;
    std::vector<GMVector> outer, inner;
  };
  const std::vector<Case> cases{
      {"squares", Rect(0, 0, 10, 8), Rect(3, 2, 6, 5)},
      {"turned polygons", RegularRing(12, 3.0), RegularRing(7, 1.0, 0.7, -0.4, 0.3)},
      {"triangle in triangle", {{0, 0, 0}, {10, 0, 0}, {5, 9, 0}}, {{4, 2, 0}, {6, 2, 0}, {5, 4, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<GMPolygon> a{GMPolygon{c.outer}}, b{GMPolygon{c.inner}};
    const InkFragmentsPtr cells = element.CombinePlanar2D(a, b, 0);
    ASSERT_NE(cells, nullptr);
    EXPECT_NEAR(CellArea(*cells, INK_CELL_IN_A), RingArea(c.outer) - RingArea(c.inner), 1e-9);
    EXPECT_NEAR(CellArea(*cells, INK_CELL_IN_A | INK_CELL_IN_B), RingArea(c.inner), 1e-9);
    for (const GMPolygon& cell : cells->polygons) EXPECT_FALSE(HasRepeatedVertex(cell));
    // The same picture with the sets exchanged, and with both in one set.
    const InkFragmentsPtr swapped = element.CombinePlanar2D(b, a, 0);
    ASSERT_NE(swapped, nullptr);
    EXPECT_NEAR(CellArea(*swapped, INK_CELL_IN_B), RingArea(c.outer) - RingArea(c.inner), 1e-9);
  }
}

TEST(CombinePlanar2D, FlagLeavesOutCellsInNeitherSet) {
  CInkElement element;
  // A U-shaped A closed at its mouth by B: the yard between them is a
  // bounded cell that lies in neither set.
  const std::vector<GMPolygon> a{
      GMPolygon{{{0, 0, 0}, {3, 0, 0}, {3, 3, 0}, {2, 3, 0}, {2, 1, 0}, {1, 1, 0}, {1, 3, 0}, {0, 3, 0}}}};
  const std::vector<GMPolygon> b{GMPolygon{Rect(0, 3, 3, 4)}};
  const InkFragmentsPtr all = element.CombinePlanar2D(a, b, 0);
  const InkFragmentsPtr some = element.CombinePlanar2D(a, b, 1);
  ASSERT_NE(all, nullptr);
  ASSERT_NE(some, nullptr);
  EXPECT_NEAR(CellArea(*all, 0), 2, 1e-9);
  EXPECT_NEAR(CellArea(*all, INK_CELL_IN_A), 7, 1e-9);
  EXPECT_NEAR(CellArea(*all, INK_CELL_IN_B), 3, 1e-9);
  EXPECT_EQ(some->Count(), all->Count() - 1);
  for (int word : some->flags) EXPECT_NE(word, 0);
}

TEST(CombineCoplanar, CellsComeBackOnTheFirstPolygonsPlane) {
  CInkElement element;
  // Two squares in the tilted plane x + z = 1, B given the other way round.
  const auto lift = [](std::vector<GMVector> ring) {
    for (GMVector& p : ring) p = {p.x, p.y, 1 - p.x};
    return GMPolygon{ring};
  };
  GMPolygon bRing = lift(Rect(1, 1, 3, 3));
  std::reverse(bRing.points.begin(), bRing.points.end());
  const std::vector<GMPolygon> a{lift(Rect(0, 0, 2, 2))}, b{bRing};
  const InkFragmentsPtr cells = element.CombineCoplanar(a, b, 0);
  ASSERT_NE(cells, nullptr);
  int both = 0;
  for (int i = 0; i < cells->Count(); ++i) {
    for (const GMVector& p : cells->polygons[static_cast<size_t>(i)].points) EXPECT_NEAR(p.x + p.z, 1, 1e-9);
    both += cells->flags[static_cast<size_t>(i)] == (INK_CELL_IN_A | INK_CELL_IN_B);
  }
  EXPECT_EQ(both, 1);
}

// Two boxes standing on the same ground, overlapping: the common part of
// their bottoms is one cell carrying both surface bits.
TEST(ClassifySolids, CommonBottomIsMergedIntoOneCell) {
  CInkElement element;
  const GMMeshPtr a = Box(0, 0, 0, 2, 2, 2);
  const GMMeshPtr b = Box(1, 1, 0, 3, 3, 1);
  const GMMesh* ga[] = {a.get()};
  const GMMesh* gb[] = {b.get()};
  const InkFragmentsPtr cells = element.ClassifySolids(ga, gb);
  ASSERT_NE(cells, nullptr);
  int common = 0;
  for (int i = 0; i < cells->Count(); ++i) {
    const GMPolygon& cell = cells->polygons[static_cast<size_t>(i)];
    const int word = cells->flags[static_cast<size_t>(i)];
    bool onGround = true, inOverlap = true;
    for (const GMVector& p : cell.points) {
      onGround = onGround && std::abs(p.z) < 1e-9;
      inOverlap = inOverlap && p.x >= 1 && p.x <= 2 && p.y >= 1 && p.y <= 2;
    }
    if (onGround && inOverlap && word != 0) {
      ++common;
      EXPECT_EQ(word & (INK_CELL_ON_A | INK_CELL_ON_B | INK_CELL_IN_A | INK_CELL_IN_B), 0x0F);
    }
  }
  EXPECT_EQ(common, 1);
}

// --- selection and the dump ---------------------------------------------------------------------

TEST(IsFragmentSelected, Table) {
  struct Row {
    int flags, mode, want;
  };
  const Row rows[] = {
      {0, 0, 0},   {1, 4, 0},    {0x15, 7, 0},  // nothing for a zero word or an unknown mode
      {1, 0, 1},   {2, 0, 1},    {3, 0, 1},     // plain 2D words: union takes any
      {1, 1, 1},   {3, 1, 0},    {2, 2, 1},    {1, 2, 0}, {3, 3, 1}, {1, 3, 0},
      {0x05, 0, 1},  // A's surface outside B
      {0x27, 0, 0},  // A's surface inside B
      {0x0F, 0, 1},  // a shared face, facing the same way
      {0x05, 1, 1},  // A's surface outside B stays in A minus B
      {0x27, 1, 0},  // A's surface inside B goes
      {0x1B, 1, 1},  // B's surface inside A becomes a face of the difference
      {0x0A, 1, 0},  // B's surface outside A does not
      {0x0F, 1, 0},  // a face shared the same way is no boundary of A minus B
      {0x0F, 2, 0},  {0x05, 2, 1},
      {0x27, 3, 1},  {0x1B, 3, 1}, {0x05, 3, 0},
      // Touching face to face: gone from union and intersection; A minus B
      // keeps A's copy.
      {0x4F, 0, 0},  {0x8F, 0, 0}, {0x4F, 3, 0}, {0x8F, 3, 0}, {0x4F, 1, 1}, {0x8F, 1, 0},
  };
  for (const Row& row : rows)
    EXPECT_EQ(IsFragmentSelected(row.flags, row.mode), row.want) << "flags " << row.flags << " mode " << row.mode;
}

TEST(SelectFragments, ClearsUnselectedCellsAndRefusesUnknownModes) {
  CInkElement element;
  InkFragments cells;
  cells.polygons = {GMPolygon{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}, GMPolygon{{{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}}};
  cells.flags = {0x05, 0x27};
  EXPECT_EQ(element.SelectFragments(&cells, 4), nullptr);
  EXPECT_EQ(element.SelectFragments(nullptr, 0), nullptr);
  const GMMeshPtr mesh = element.SelectFragments(&cells, INK_SELECT_UNION);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->faceCount, 1);
  EXPECT_EQ(cells.flags[0], 0x05);
  EXPECT_EQ(cells.flags[1], 0);
  cells.flags = {0x0A, 0x0A};  // B's surface outside A: nothing of an intersection
  EXPECT_EQ(element.SelectFragments(&cells, INK_SELECT_INTERSECTION), nullptr);
}

TEST(DumpFragments, WritesEachCellWithItsFlagAndVertices) {
  CInkElement element;
  InkFragments cells;
  cells.polygons = {GMPolygon{{{0, 0, 0}, {1.5, 0, 0}, {0, 2.25, -1}}}};
  cells.flags = {21};
  const std::string path = ::testing::TempDir() + "ink_fragments.txt";
  ASSERT_EQ(element.DumpFragments(path.c_str(), &cells), 1);
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "000\nFlag 21\nCount 003\n{\n"
            "\t000 : 0.00000000, 0.00000000, 0.00000000\n"
            "\t001 : 1.50000000, 0.00000000, 0.00000000\n"
            "\t002 : 0.00000000, 2.25000000, -1.00000000\n"
            "}\n\n");
  std::remove(path.c_str());
  EXPECT_EQ(element.DumpFragments("/nonexistent-folder/cells.txt", &cells), 0);
}

// The dump path of BooleanSolids receives the cells it classified.
TEST(BooleanSolids, DumpsTheClassifiedCells) {
  const GMMeshPtr a = Box(0, 0, 0, 2, 2, 2);
  const GMMeshPtr b = Box(1, 1, 1, 3, 3, 3);
  const std::string path = ::testing::TempDir() + "ink_boolean_dump.txt";
  const GMMeshPtr result = BooleanSolids(a.get(), b.get(), INK_BOOLEAN_UNION, 0, GM_TOLERANCE, path.c_str());
  ASSERT_NE(result, nullptr);
  std::ifstream in(path);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "000");
  std::remove(path.c_str());
}

}  // namespace

// --- the shared sections against the rules -------------------------------------------

namespace {

// Classification as the rules read, face by face: every face plane of A (then
// of B) sectioned on its own, its cells in A (in B) kept in face order, and
// equal cells merged into the first. Where a cell of A's and a cell of B's
// run the same ring the other way round, both on the two surfaces, each is
// marked with the side it faces.
InkFragmentsPtr ClassifyFaceByFace(CInkElement& element, InkMeshGroup a, InkMeshGroup b, bool byEdges) {
  auto all = std::make_unique<InkFragments>();
  std::vector<int> fromB;
  const auto sweep = [&](InkMeshGroup group, int keep, int isB) {
    for (const GMMesh* mesh : group)
      for (const GMMeshFace& face : mesh->Faces()) {
        GMPolygon polygon;
        for (int32_t v : face.Indices()) polygon.points.push_back(mesh->Position(v));
        const GMVector normal = GMPolygonNormal(polygon, GM_TOLERANCE);
        if (polygon.Count() < 3 || GMIsUndefined(normal)) continue;
        const GMPlane plane = GMPlaneFromPointNormal(polygon[0], normal);
        InkFragmentsPtr cells = byEdges ? element.SectionFragmentsByEdges(a, b, plane, &polygon)
                                        : element.SectionFragments(a, b, plane, &polygon);
        if (!cells) continue;
        for (int i = 0; i < cells->Count(); ++i) {
          if (!(cells->flags[static_cast<size_t>(i)] & keep)) continue;
          all->polygons.push_back(cells->polygons[static_cast<size_t>(i)]);
          all->flags.push_back(cells->flags[static_cast<size_t>(i)]);
          fromB.push_back(isB);
        }
      }
  };
  sweep(a, INK_CELL_IN_A, 0);
  sweep(b, INK_CELL_IN_B, 1);
  if (all->Count() == 0) return nullptr;
  const auto centroid = [](const GMPolygon& ring) {
    GMVector c{0, 0, 0};
    for (const GMVector& p : ring.points) c = {c.x + p.x, c.y + p.y, c.z + p.z};
    return GMVector{c.x / ring.Count(), c.y / ring.Count(), c.z / ring.Count()};
  };
  const double tol = element.GetTolerance();
  const auto both = [](int word) { return (word & INK_CELL_ON_A) && (word & INK_CELL_ON_B); };
  for (int i = 0; i < all->Count(); ++i) {
    int32_t& word = all->flags[static_cast<size_t>(i)];
    const GMPolygon& ring = all->polygons[static_cast<size_t>(i)];
    int same = -1;
    for (int j = 0; j < i; ++j) {
      int32_t& earlier = all->flags[static_cast<size_t>(j)];
      const GMPolygon& other = all->polygons[static_cast<size_t>(j)];
      if (earlier == 0 || !GMIsSamePoint(centroid(other), centroid(ring), tol)) continue;
      if (GMIsSamePolygon(other, ring, tol)) {
        if (same < 0) same = j;
      } else if (fromB[static_cast<size_t>(i)] != fromB[static_cast<size_t>(j)] && both(word) && both(earlier) &&
          GMIsSamePolygonEitherWay(other, ring, tol)) {
        word |= fromB[static_cast<size_t>(i)] ? INK_CELL_FACING_B : INK_CELL_FACING_A;
        earlier |= fromB[static_cast<size_t>(i)] ? INK_CELL_FACING_A : INK_CELL_FACING_B;
      }
    }
    if (same >= 0) {
      all->flags[static_cast<size_t>(same)] |= word;
      word = 0;
    }
  }
  return all;
}

}  // namespace

// Faces in one plane share its section and the planes are cut on several
// threads: the cells, their order and their flags are those of sectioning
// every face on its own, to the last bit, for one thread or four.
TEST(ClassifySolids, SharedSectionsGiveTheCellsOfEveryFaceOnItsOwn) {
  std::vector<std::pair<GMMeshPtr, GMMeshPtr>> cases;
  cases.emplace_back(Box(0, 0, 0, 2, 2, 2), Box(1, 1, 1, 3, 3, 3));
  cases.emplace_back(Box(0, 0, 0, 4, 4, 2), Box(1, 0, 0, 3, 4, 2));  // common planes everywhere
  cases.emplace_back(Prism(RegularRing(12, 0.5), 0, 6), Prism(RegularRing(12, 0.4), 0, 6));
  cases.emplace_back(Prism(RegularRing(7, 3, 0, 0, 0.2), 0, 4), Prism(RegularRing(5, 1.2, 0.3, -0.2, 0.9), 1, 5));
  {
    // A block that already lost one courtyard, cut by a second beside it.
    const GMMeshPtr block = Box(0, 0, 0, 20, 12, 9);
    const GMMeshPtr yard = Box(2, 3, 0, 7, 9, 9);
    cases.emplace_back(BooleanSolids(block.get(), yard.get(), INK_BOOLEAN_DIFFERENCE, 3, GM_TOLERANCE),
                       Box(7, 4, 0, 12, 8, 9));
  }
  int cells = 0;
  for (size_t k = 0; k < cases.size(); ++k) {
    const GMMesh* a[] = {cases[k].first.get()};
    const GMMesh* b[] = {cases[k].second.get()};
    ASSERT_TRUE(a[0] && b[0]);
    for (const bool byEdges : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "case " << k << (byEdges ? " by edges" : ""));
      CInkElement literal;
      const InkFragmentsPtr want = ClassifyFaceByFace(literal, a, b, byEdges);
      ASSERT_TRUE(want);
      for (const int threads : {1, 4}) {
        CInkElement element;
        element.SetThreads(threads);
        const InkFragmentsPtr got = byEdges ? element.ClassifySolidsByEdges(a, b) : element.ClassifySolids(a, b);
        ASSERT_TRUE(got);
        ASSERT_EQ(got->Count(), want->Count());
        for (int i = 0; i < got->Count(); ++i) {
          ASSERT_EQ(got->flags[static_cast<size_t>(i)], want->flags[static_cast<size_t>(i)]) << "cell " << i;
          ASSERT_EQ(got->polygons[static_cast<size_t>(i)].points, want->polygons[static_cast<size_t>(i)].points)
              << "cell " << i;
        }
      }
      cells += want->Count();
    }
  }
  EXPECT_GT(cells, 200);
}

namespace {

// The same vertices in the same order and the same face loops, to the bit.
bool SameMesh(const GMMesh* a, const GMMesh* b) {
  if (!a || !b) return a == b;
  if (a->vertexCount != b->vertexCount || a->faceCount != b->faceCount) return false;
  for (int i = 0; i < a->vertexCount; ++i)
    if (std::memcmp(&a->Position(i), &b->Position(i), sizeof(GMVector)) != 0) return false;
  for (int f = 0; f < a->faceCount; ++f) {
    const std::span<const int32_t> p = a->Faces()[static_cast<size_t>(f)].Indices();
    const std::span<const int32_t> q = b->Faces()[static_cast<size_t>(f)].Indices();
    if (!std::equal(p.begin(), p.end(), q.begin(), q.end())) return false;
  }
  return true;
}

struct BooleanCase {
  GMMeshPtr a, b;
  int operation;
};

std::vector<BooleanCase> ThreadCases() {
  std::vector<BooleanCase> cases;
  cases.push_back({Prism(RegularRing(16, 0.5), 0, 6), Prism(RegularRing(16, 0.4), 0, 6), INK_BOOLEAN_DIFFERENCE});
  cases.push_back({Box(0, 0, 0, 20, 12, 9), Box(2, 3, 0, 7, 9, 9), INK_BOOLEAN_DIFFERENCE});
  cases.push_back({Box(0, 0, 0, 2, 2, 2), Box(1, 1, 1, 3, 3, 3), INK_BOOLEAN_UNION});
  cases.push_back({Prism(RegularRing(7, 3, 0, 0, 0.2), 0, 4), Prism(RegularRing(5, 1.2, 0.3, -0.2, 0.9), 1, 5),
                   INK_BOOLEAN_INTERSECTION});
  return cases;
}

}  // namespace

// The planes of a step are shared with helper threads that live on between
// steps. Steps started on several threads at once (which find the helpers
// busy and do the work themselves), and a step in a child made by fork after
// the helpers started (where the parent's helper threads do not exist), give
// the meshes of one step at a time; the child must not hang waiting for them.
TEST(BooleanSolids, StepsOnManyThreadsAndAfterForkGiveTheSameMeshes) {
  const std::vector<BooleanCase> cases = ThreadCases();
  std::vector<GMMeshPtr> want;
  for (const BooleanCase& c : cases) {
    want.push_back(BooleanSolids(c.a.get(), c.b.get(), c.operation, 3, GM_TOLERANCE));
    ASSERT_TRUE(want.back());
  }

  std::atomic<int> mismatches{0}, steps{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t)
    threads.emplace_back([&] {
      for (int round = 0; round < 15; ++round)
        for (size_t k = 0; k < cases.size(); ++k) {
          const GMMeshPtr got = BooleanSolids(cases[k].a.get(), cases[k].b.get(), cases[k].operation, 3, GM_TOLERANCE);
          if (!SameMesh(got.get(), want[k].get())) ++mismatches;
          ++steps;
        }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_EQ(steps.load(), 3 * 15 * static_cast<int>(cases.size()));

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int bad = 0;
    for (size_t k = 0; k < cases.size(); ++k) {
      const GMMeshPtr got = BooleanSolids(cases[k].a.get(), cases[k].b.get(), cases[k].operation, 3, GM_TOLERANCE);
      if (!SameMesh(got.get(), want[k].get())) ++bad;
    }
    ::_exit(bad == 0 ? 0 : 1);
  }
  int status = 0;
  pid_t done = 0;
  for (int tick = 0; tick < 600 && done == 0; ++tick) {
    done = ::waitpid(child, &status, WNOHANG);
    if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (done == 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    FAIL() << "the step in the child made by fork did not finish within a minute";
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the child's meshes differ";
}
