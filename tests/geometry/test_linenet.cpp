#include <gtest/gtest.h>

#include <cmath>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "geometry/gm_linenet.h"
#include "geometry/gm_lists.h"
#include "geometry/gm_vector.h"

namespace {

using Ring = std::vector<GMVector>;

GMVector P(double x, double y) { return GMVector{x, y, 0.0}; }

// Shoelace area, positive for counter-clockwise rings.
double Area(const Ring& ring) {
  double twice = 0.0;
  for (size_t i = 0; i < ring.size(); ++i) {
    const GMVector& a = ring[i];
    const GMVector& b = ring[(i + 1) % ring.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return twice * 0.5;
}

std::vector<Ring> Rings(const GMPolygonSetPtr& set) {
  std::vector<Ring> rings;
  if (set)
    for (const GMPolygon& polygon : set->polygons) rings.push_back(polygon.points);
  return rings;
}

std::vector<double> SortedAreas(const std::vector<Ring>& rings) {
  std::vector<double> areas;
  for (const Ring& r : rings) areas.push_back(Area(r));
  std::sort(areas.begin(), areas.end());
  return areas;
}

// Whether b is a as a ring: the same points in the same cyclic order.
bool SameRing(const Ring& a, const Ring& b) {
  if (a.size() != b.size() || a.empty()) return false;
  for (size_t shift = 0; shift < b.size(); ++shift) {
    bool all = true;
    for (size_t i = 0; i < a.size() && all; ++i) all = a[i] == b[(i + shift) % b.size()];
    if (all) return true;
  }
  return false;
}

bool HasRing(const std::vector<Ring>& rings, const Ring& want) {
  return std::any_of(rings.begin(), rings.end(), [&](const Ring& r) { return SameRing(r, want); });
}

void AddRing(CLineNet& net, const Ring& ring) {
  for (size_t i = 0; i < ring.size(); ++i) net.AddLineToNetwork(ring[i], ring[(i + 1) % ring.size()]);
}

const Ring kUnitSquare{P(0, 0), P(1, 0), P(1, 1), P(0, 1)};

}  // namespace

TEST(LineNet, UnitSquareGivesTheCellAndTheOuterBoundary) {
  CLineNet net;
  net.InitNetwork(GM_TOLERANCE);
  AddRing(net, kUnitSquare);
  const std::vector<Ring> rings = Rings(net.GetFaces(1));
  ASSERT_EQ(rings.size(), 2u);
  EXPECT_EQ(SortedAreas(rings), (std::vector<double>{-1.0, 1.0}));
  EXPECT_TRUE(HasRing(rings, kUnitSquare));
  EXPECT_TRUE(HasRing(rings, Ring{P(0, 0), P(0, 1), P(1, 1), P(1, 0)}));
  EXPECT_EQ(net.IsIncomplete(), 0);
}

TEST(LineNet, DiagonalSplitsTheSquareIntoTwoTriangles) {
  CLineNet net;
  net.InitNetwork(GM_TOLERANCE);
  AddRing(net, kUnitSquare);
  net.AddLineToNetwork(P(1, 1), P(0, 0));
  const std::vector<Ring> rings = Rings(net.GetFaces(1));
  EXPECT_EQ(SortedAreas(rings), (std::vector<double>{-1.0, 0.5, 0.5}));
  EXPECT_TRUE(HasRing(rings, Ring{P(0, 0), P(1, 0), P(1, 1)}));
  EXPECT_TRUE(HasRing(rings, Ring{P(0, 0), P(1, 1), P(0, 1)}));
  EXPECT_EQ(net.IsIncomplete(), 0);
}

TEST(LineNet, RefusesRepeatedReversedAndPointLikeSegments) {
  CLineNet net;
  EXPECT_EQ(net.AddLineToNetwork(P(0, 0), P(1, 0)), -1);  // no network started
  net.InitNetwork(GM_TOLERANCE);
  EXPECT_EQ(net.AddLineToNetwork(P(0, 0), P(1, 0)), 0);
  EXPECT_EQ(net.AddLineToNetwork(P(0, 0), P(1, 0)), -1);
  EXPECT_EQ(net.AddLineToNetwork(P(1, 0), P(0, 0)), -1);
  EXPECT_EQ(net.AddLineToNetwork(P(1, 0), P(0, 5e-8)), -1);  // reversed within the tolerance
  EXPECT_EQ(net.AddLineToNetwork(P(2, 2), P(2, 2 + 5e-8)), -1);
  EXPECT_EQ(net.AddLineToNetwork(P(1, 0), P(1, 1)), 1);
  EXPECT_EQ(net.GetLineCount(), 2);
  // Points that differ only in height are one point of the plan.
  EXPECT_EQ(net.AddLineToNetwork(GMVector{1, 1, 3}, GMVector{1, 0, -2}), -1);
}

TEST(LineNet, HeightIsIgnored) {
  CLineNet flat, raised;
  flat.InitNetwork(GM_TOLERANCE);
  raised.InitNetwork(GM_TOLERANCE);
  AddRing(flat, kUnitSquare);
  for (size_t i = 0; i < kUnitSquare.size(); ++i) {
    GMVector a = kUnitSquare[i], b = kUnitSquare[(i + 1) % 4];
    a.z = 2.5 * static_cast<double>(i);
    b.z = -1.0;
    raised.AddLineToNetwork(a, b);
  }
  const std::vector<Ring> want = Rings(flat.GetFaces(1));
  const std::vector<Ring> got = Rings(raised.GetFaces(1));
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(got[i], want[i]);
}

TEST(LineNet, PruningRemovesASpurAndLeavesTheSquare) {
  CLineNet square, spur;
  square.InitNetwork(GM_TOLERANCE);
  spur.InitNetwork(GM_TOLERANCE);
  AddRing(square, kUnitSquare);
  spur.AddLineToNetwork(P(0, 0), P(1, 0));
  spur.AddLineToNetwork(P(1, 1), P(2, 2));  // hangs off a corner
  spur.AddLineToNetwork(P(1, 0), P(1, 1));
  spur.AddLineToNetwork(P(1, 1), P(0, 1));
  spur.AddLineToNetwork(P(0, 1), P(0, 0));
  const std::vector<Ring> want = Rings(square.GetFaces(1));
  const std::vector<Ring> got = Rings(spur.GetFaces(1));
  EXPECT_EQ(spur.GetLineCount(), 4);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(got[i], want[i]);
  EXPECT_EQ(spur.IsIncomplete(), 0);
}

TEST(LineNet, UnprunedSpurLeavesTheOuterBoundaryIncomplete) {
  // Walking round the outside runs up the spur and back to the corner it
  // started from; that closes a loop of two points, which is no cell, and the
  // rest of the outer walk then meets the already walked spur and fails.
  CLineNet net;
  net.InitNetwork(GM_TOLERANCE);
  AddRing(net, kUnitSquare);
  net.AddLineToNetwork(P(1, 1), P(2, 2));
  const std::vector<Ring> rings = Rings(net.GetFaces(0));
  EXPECT_EQ(net.GetLineCount(), 5);
  EXPECT_TRUE(HasRing(rings, kUnitSquare));
  for (const Ring& r : rings) EXPECT_GT(Area(r), 0.0);
  EXPECT_EQ(net.IsIncomplete(), 1);
}

TEST(LineNet, PruningIsOnePassInLineOrder) {
  // A two-line tail from the corner (1,1): (1,1)-(2,2)-(3,3).
  const auto build = [](bool outerFirst) {
    auto net = std::make_unique<CLineNet>();
    net->InitNetwork(GM_TOLERANCE);
    AddRing(*net, kUnitSquare);
    if (outerFirst) net->AddLineToNetwork(P(2, 2), P(3, 3));
    net->AddLineToNetwork(P(1, 1), P(2, 2));
    if (!outerFirst) net->AddLineToNetwork(P(2, 2), P(3, 3));
    return net;
  };
  // The free end first: both go in one pass.
  auto freeEndFirst = build(true);
  freeEndFirst->GetFaces(1);
  EXPECT_EQ(freeEndFirst->GetLineCount(), 4);
  // The inner line first: it still has a neighbour when examined and stays.
  auto innerFirst = build(false);
  innerFirst->GetFaces(1);
  EXPECT_EQ(innerFirst->GetLineCount(), 5);
}

TEST(LineNet, SeparateNestedSquaresEachGiveTwoRings) {
  CLineNet net;
  net.InitNetwork(GM_TOLERANCE);
  AddRing(net, Ring{P(0, 0), P(4, 0), P(4, 4), P(0, 4)});
  AddRing(net, Ring{P(1, 1), P(3, 1), P(3, 3), P(1, 3)});
  const std::vector<Ring> rings = Rings(net.GetFaces(1));
  EXPECT_EQ(SortedAreas(rings), (std::vector<double>{-16.0, -4.0, 4.0, 16.0}));
  EXPECT_EQ(net.IsIncomplete(), 0);
}

TEST(LineNet, BridgedNestedSquares) {
  // The bridge (0,0)-(1,1) makes the boundary between the squares pass both
  // bridge ends twice. A walk closes at the first node it reaches again, so
  // the walk from (0,0) along the bottom closes on coming back to (0,0) and
  // yields the outer square itself; the inner square gives its cell and its
  // hole outline; the walk down the bridge then meets the walked bottom edge
  // and fails, which marks the result incomplete.
  CLineNet net;
  net.InitNetwork(GM_TOLERANCE);
  const Ring outer{P(0, 0), P(4, 0), P(4, 4), P(0, 4)};
  const Ring inner{P(1, 1), P(3, 1), P(3, 3), P(1, 3)};
  AddRing(net, outer);
  AddRing(net, inner);
  net.AddLineToNetwork(P(0, 0), P(1, 1));
  const std::vector<Ring> rings = Rings(net.GetFaces(1));
  EXPECT_EQ(net.GetLineCount(), 9);  // the bridge is not dangling
  ASSERT_EQ(rings.size(), 4u);
  EXPECT_TRUE(SameRing(rings[0], outer));
  EXPECT_TRUE(SameRing(rings[1], Ring{P(0, 0), P(0, 4), P(4, 4), P(4, 0)}));
  EXPECT_TRUE(SameRing(rings[2], inner));
  EXPECT_TRUE(SameRing(rings[3], Ring{P(1, 1), P(1, 3), P(3, 3), P(3, 1)}));
  EXPECT_EQ(net.IsIncomplete(), 1);
}

TEST(LineNet, OnlySharedEndPointsJoin) {
  const Ring square{P(0, 0), P(2, 0), P(2, 2), P(0, 2)};
  // Both diagonals whole: they cross at (1,1) without a node there.
  CLineNet crossing;
  crossing.InitNetwork(GM_TOLERANCE);
  AddRing(crossing, square);
  crossing.AddLineToNetwork(P(0, 0), P(2, 2));
  crossing.AddLineToNetwork(P(2, 0), P(0, 2));
  const std::vector<Ring> unsplit = Rings(crossing.GetFaces(1));
  EXPECT_EQ(crossing.GetNodeCount(), 4);
  for (const Ring& r : unsplit)
    for (const GMVector& p : r) EXPECT_FALSE(p == P(1, 1));

  // Split at the crossing: four triangles round the centre.
  CLineNet split;
  split.InitNetwork(GM_TOLERANCE);
  AddRing(split, square);
  for (const GMVector& corner : square) split.AddLineToNetwork(corner, P(1, 1));
  const std::vector<Ring> rings = Rings(split.GetFaces(1));
  EXPECT_EQ(split.GetNodeCount(), 5);
  EXPECT_EQ(SortedAreas(rings), (std::vector<double>{-4.0, 1.0, 1.0, 1.0, 1.0}));
  EXPECT_EQ(split.IsIncomplete(), 0);
}

TEST(LineNet, EndPointsMergeWithinTheTolerance) {
  CLineNet net;
  net.InitNetwork(1e-3);
  net.AddLineToNetwork(P(0, 0), P(1, 0));
  net.AddLineToNetwork(P(1.0005, -0.0005), P(1, 1));
  net.AddLineToNetwork(P(1, 1), P(0, 1));
  net.AddLineToNetwork(P(0, 1), P(0.0009, 0.0009));
  const std::vector<Ring> rings = Rings(net.GetFaces(1));
  EXPECT_EQ(net.GetNodeCount(), 4);
  EXPECT_TRUE(HasRing(rings, kUnitSquare));  // each node keeps its first point
  EXPECT_EQ(net.NodeIndex(1.0009, 0.0009), 1);
  EXPECT_EQ(net.NodeIndex(1.0011, 0.0), -1);
}

// A line from a damaged file may end at a point that is not a number: that
// end matches no node, not even its own, so the line leads nowhere and the
// square beside it is still traced.
TEST(LineNet, AnEndThatIsNotANumberLeadsNowhere) {
  CLineNet net;
  net.InitNetwork(GM_TOLERANCE);
  net.AddLineToNetwork(P(0, 0), P(1, 0));
  net.AddLineToNetwork(P(1, 0), P(1, 1));
  net.AddLineToNetwork(P(1, 1), P(0, 1));
  net.AddLineToNetwork(P(0, 1), P(0, 0));
  EXPECT_GE(net.AddLineToNetwork(P(1, 1), P(std::nan(""), 1)), 0);
  const std::vector<Ring> rings = Rings(net.GetFaces(0));
  EXPECT_TRUE(HasRing(rings, kUnitSquare));
  ASSERT_EQ(net.GetNodeCount(), 5);
  const GMNetNode& corner = net.Nodes()[2];
  ASSERT_EQ(corner.point, P(1, 1));
  ASSERT_EQ(corner.neighbours.size(), 3u);
  EXPECT_EQ(std::count(corner.neighbours.begin(), corner.neighbours.end(), -1), 1);
  EXPECT_EQ(net.NodeIndex(std::nan(""), 1), -1);
}

TEST(LineNet, NeighboursRunCounterClockwiseFromEast) {
  CLineNet net;
  net.InitNetwork(GM_TOLERANCE);
  // A star round the origin, fed in no particular order.
  const std::vector<GMVector> tips{P(0, -1), P(-1, 1), P(1, 0), P(-1, -1), P(0, 2), P(1, 1)};
  for (const GMVector& tip : tips) net.AddLineToNetwork(P(0, 0), tip);
  int count = 0;
  std::vector<GMNetNode> table = net.CopyNodes(count);
  ASSERT_EQ(count, 7);
  const GMNetNode& centre = table[0];
  ASSERT_EQ(centre.degree, 6);
  std::vector<GMVector> order;
  for (int32_t nb : centre.neighbours) order.push_back(table[static_cast<size_t>(nb)].point);
  EXPECT_EQ(order, (std::vector<GMVector>{P(1, 0), P(1, 1), P(0, 2), P(-1, 1), P(-1, -1), P(0, -1)}));
  EXPECT_EQ(centre.used, std::vector<int32_t>(6, 0));
  net.FreeNodes(table);
  EXPECT_TRUE(table.empty());
}

TEST(LineNet, TooFewPointsBuildNothing) {
  CLineNet net;
  EXPECT_EQ(net.GetFaces(1), nullptr);  // never started
  net.InitNetwork(GM_TOLERANCE);
  net.AddLineToNetwork(P(0, 0), P(1, 0));
  int count = -1;
  EXPECT_TRUE(net.CopyNodes(count).empty());
  EXPECT_EQ(count, 0);
  EXPECT_EQ(net.GetNodeCount(), 2);
  EXPECT_EQ(net.GetFaces(0), nullptr);
  EXPECT_EQ(net.IsIncomplete(), 0);
  EXPECT_EQ(net.TraceFace(0, 0), 0);
}

TEST(LineNet, GridCellsFollowEuler) {
  for (const auto& [cols, rows] : std::vector<std::pair<int, int>>{{1, 1}, {3, 2}, {7, 5}, {12, 12}}) {
    CLineNet net;
    net.InitNetwork(GM_TOLERANCE);
    int edges = 0;
    // Rows of horizontal lines, then columns of vertical ones.
    for (int y = 0; y <= rows; ++y)
      for (int x = 0; x < cols; ++x) edges += net.AddLineToNetwork(P(x, y), P(x + 1, y)) >= 0;
    for (int x = 0; x <= cols; ++x)
      for (int y = 0; y < rows; ++y) edges += net.AddLineToNetwork(P(x, y + 1), P(x, y)) >= 0;
    const std::vector<Ring> rings = Rings(net.GetFaces(1));
    const int vertices = (cols + 1) * (rows + 1);
    ASSERT_EQ(net.GetNodeCount(), vertices);

    std::vector<int> seen(static_cast<size_t>(cols * rows), 0);
    int bounded = 0;
    for (const Ring& r : rings) {
      const double area = Area(r);
      if (area < 0) {
        EXPECT_EQ(area, -cols * rows);
        EXPECT_EQ(r.size(), static_cast<size_t>(2 * (cols + rows)));
        continue;
      }
      ++bounded;
      ASSERT_EQ(area, 1.0);
      double minX = r[0].x, minY = r[0].y;
      for (const GMVector& p : r) minX = std::min(minX, p.x), minY = std::min(minY, p.y);
      ++seen[static_cast<size_t>(minY * cols + minX)];
    }
    EXPECT_EQ(bounded, edges - vertices + 1);
    EXPECT_EQ(rings.size(), static_cast<size_t>(bounded + 1));
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), cols * rows) << cols << "x" << rows;
    EXPECT_EQ(net.IsIncomplete(), 0);
  }
}

TEST(LineNet, PrintFacesListsEveryRing) {
  GMPolygonSet set;
  set.polygons.push_back(GMPolygon{{P(0, 0), P(1.5, 0), P(0.25, 2.0004)}});
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  CLineNet net;
  net.PrintFaces(&set, out);
  net.PrintFaces(nullptr, out);
  std::rewind(out);
  std::string text;
  for (int c; (c = std::fgetc(out)) != EOF;) text.push_back(static_cast<char>(c));
  std::fclose(out);
  EXPECT_EQ(text,
            "Total 1\n"
            "\nNo. 0\n"
            "Point 3\n{\n"
            "\t0.000, 0.000\n"
            "\t1.500, 0.000\n"
            "\t0.250, 2.000\n"
            "}\n"
            "Total 0\n");
}

// ---------------------------------------------------------------------------
// The network finds nodes, line ends and cells through spatial buckets and a
// pending set instead of rescanning the lists. The straightforward way below
// walks the lists exactly as the network is meant to behave, and both must
// agree on every node, every walked direction, every cell and its order.

namespace {

struct Outcome {
  std::vector<int> added;  // what adding each segment returned
  std::vector<GMNetNode> nodes;
  std::vector<Ring> faces;
  int complete = 1;
  int lines = 0;
};

Outcome Straightforward(const std::vector<GMSegment>& input, double tol, int prune) {
  Outcome out;
  CGMLineList lines;
  lines.SetTolerance(GM_LIST_UNIQUE, tol);
  for (const GMSegment& s : input) {
    const GMVector a = P(s.start.x, s.start.y), b = P(s.end.x, s.end.y);
    out.added.push_back(GMIsSamePoint(a, b, tol) ? -1 : lines.AddLine(a, b));
  }
  if (prune) {
    for (int i = 0; i < lines.GetCount();) {
      const GMSegment s = lines.GetLine(i);
      if (lines.LinesAtPoint(s.start).size() <= 1 || lines.LinesAtPoint(s.end).size() <= 1)
        lines.RemoveAt(i);
      else
        ++i;
    }
  }
  out.lines = lines.GetCount();
  CGMPointList points;
  points.SetTolerance(GM_LIST_UNIQUE, tol);
  for (int i = 0; i < lines.GetCount(); ++i) {
    points.AddPoint(lines.GetLine(i).start);
    points.AddPoint(lines.GetLine(i).end);
  }
  const int n = points.GetCount();
  if (n < 3) return out;
  const auto nodeIndex = [&](const GMVector& p) {
    for (int k = 0; k < n; ++k)
      if (GMIsSamePoint(points.GetPoint(k), p, tol)) return k;
    return -1;
  };
  std::vector<GMNetNode>& nodes = out.nodes;
  nodes.resize(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    GMNetNode& node = nodes[static_cast<size_t>(k)];
    node.point = points.GetPoint(k);
    for (int id : lines.LinesAtPoint(node.point)) {
      const GMSegment s = lines.GetLine(id);
      node.neighbours.push_back(nodeIndex(GMIsSamePoint(s.start, node.point, tol) ? s.end : s.start));
    }
    node.degree = static_cast<int32_t>(node.neighbours.size());
    node.used.assign(node.neighbours.size(), 0);
  }
  for (GMNetNode& node : nodes) {
    CNumList keys;
    for (int32_t nb : node.neighbours) {
      const int at = keys.AddNumber(GMDirectionAngle(node.point, nodes[static_cast<size_t>(nb)].point, tol));
      keys.SetIdAt(at, nb);
    }
    keys.SortNumbers();
    for (int t = 0; t < keys.GetCount(); ++t) node.neighbours[static_cast<size_t>(t)] = keys.GetIdAt(t);
  }

  const auto trace = [&](int u, int k) {
    CNumList visit;
    visit.SetIdAt(visit.AddNumber(u), k);
    int from;
    for (;;) {
      const int v = nodes[static_cast<size_t>(u)].neighbours[static_cast<size_t>(k)];
      GMNetNode& there = nodes[static_cast<size_t>(v)];
      const auto back = std::find(there.neighbours.begin(), there.neighbours.end(), u);
      if (back == there.neighbours.end()) return false;
      const int i = static_cast<int>(back - there.neighbours.begin());
      const int next = i == 0 ? there.degree - 1 : i - 1;
      if (there.used[static_cast<size_t>(next)]) return false;
      from = visit.FindNumber(v);
      if (from >= 0) break;
      visit.SetIdAt(visit.AddNumber(v), next);
      u = v;
      k = next;
    }
    CGMPointList ring;
    ring.SetTolerance(0, 1e-7);
    for (int w = from; w < visit.GetCount(); ++w) {
      GMNetNode& node = nodes[static_cast<size_t>(visit.GetNumber(w))];
      ring.AddPoint(node.point);
      node.used[static_cast<size_t>(visit.GetIdAt(w))] = 1;
    }
    if (GMPolygonPtr polygon = ring.ToPolygon()) out.faces.push_back(polygon->points);
    return true;
  };
  for (int i = 0; i < n;) {
    const auto& used = nodes[static_cast<size_t>(i)].used;
    const auto free = std::find(used.begin(), used.end(), 0);
    if (free == used.end()) {
      ++i;
    } else if (trace(i, static_cast<int>(free - used.begin()))) {
      i = 1;
    } else {
      out.complete = 0;
      ++i;
    }
  }
  return out;
}

// Jittered grids with missing, extra and hanging lines, and tangles of lines
// between nearby lattice points (crossings included, never split). End points
// are shaken by up to most of the tolerance, so that points near two nodes
// and lines known from one end only turn up as well.
std::vector<GMSegment> Generate(std::mt19937& rng, double tol) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<GMSegment> out;
  const auto shake = [&](GMVector p) {
    if (unit(rng) < 0.3) {
      p.x += (unit(rng) * 2 - 1) * 0.95 * tol;
      p.y += (unit(rng) * 2 - 1) * 0.95 * tol;
    }
    return p;
  };
  const auto add = [&](GMVector a, GMVector b) {
    if (unit(rng) < 0.5) std::swap(a, b);
    out.push_back(GMSegment{shake(a), shake(b)});
  };
  const int size = 2 + static_cast<int>(unit(rng) * 6);
  std::vector<GMVector> lattice;
  for (int y = 0; y <= size; ++y)
    for (int x = 0; x <= size; ++x) lattice.push_back(P(x + 0.2 * unit(rng), y + 0.2 * unit(rng)));
  const auto at = [&](int x, int y) { return lattice[static_cast<size_t>(y * (size + 1) + x)]; };
  if (unit(rng) < 0.6) {
    for (int y = 0; y <= size; ++y)
      for (int x = 0; x <= size; ++x) {
        if (x < size && unit(rng) > 0.15) add(at(x, y), at(x + 1, y));
        if (y < size && unit(rng) > 0.15) add(at(x, y), at(x, y + 1));
        if (x < size && y < size && unit(rng) < 0.2) add(at(x, y), at(x + 1, y + 1));
        if (unit(rng) < 0.05) add(at(x, y), P(at(x, y).x + 0.3, at(x, y).y + 0.45));
      }
  } else {
    const int count = 5 + static_cast<int>(unit(rng) * 60);
    std::uniform_int_distribution<int> coord(0, size);
    std::uniform_int_distribution<int> step(-2, 2);
    for (int i = 0; i < count; ++i) {
      const int x = coord(rng), y = coord(rng);
      const int x2 = std::clamp(x + step(rng), 0, size), y2 = std::clamp(y + step(rng), 0, size);
      add(at(x, y), at(x2, y2));
    }
  }
  std::shuffle(out.begin(), out.end(), rng);
  return out;
}

}  // namespace

// A network started again, as the Boolean steps start one per section,
// keeps its storage and must answer as a new one: every round runs on a new
// network and on one started again and again.
TEST(LineNet, MatchesTheStraightforwardWalkOnGeneratedNetworks) {
  std::mt19937 rng(20240611);
  int incomplete = 0, complete = 0, refused = 0;
  CLineNet reused;
  for (int round = 0; round < 400; ++round) {
    const double tol = round % 3 == 0 ? GM_TOLERANCE : 0.02;
    const std::vector<GMSegment> segments = Generate(rng, tol);
    for (int run = 0; run < 4; ++run) {
      const int prune = run % 2;
      CLineNet fresh;
      CLineNet& net = run < 2 ? fresh : reused;
      net.InitNetwork(tol);
      std::vector<int> added;
      for (const GMSegment& s : segments) added.push_back(net.AddLineToNetwork(s.start, s.end));
      const std::vector<Ring> faces = Rings(net.GetFaces(prune));
      const Outcome want = Straightforward(segments, tol, prune);
      SCOPED_TRACE("round " + std::to_string(round) + " prune " + std::to_string(prune) +
                   (run < 2 ? " new" : " started again"));
      ASSERT_EQ(added, want.added);
      refused += static_cast<int>(std::count(added.begin(), added.end(), -1));
      ASSERT_EQ(net.GetLineCount(), want.lines);
      ASSERT_EQ(net.Nodes().size(), want.nodes.size());
      for (size_t i = 0; i < want.nodes.size(); ++i) {
        ASSERT_EQ(net.Nodes()[i].point, want.nodes[i].point) << "node " << i;
        ASSERT_EQ(net.Nodes()[i].neighbours, want.nodes[i].neighbours) << "node " << i;
        ASSERT_EQ(net.Nodes()[i].used, want.nodes[i].used) << "node " << i;
      }
      ASSERT_EQ(faces, want.faces);
      ASSERT_EQ(net.IsIncomplete(), want.complete ? 0 : 1);
      (want.complete ? complete : incomplete) += 1;
    }
  }
  // Both outcomes must have been exercised for the comparison to mean much.
  EXPECT_GT(incomplete, 100);
  EXPECT_GT(complete, 100);
  EXPECT_GT(refused, 200);
}
