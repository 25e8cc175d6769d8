#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "geometry/gm_lists.h"
#include "geometry/gm_matrix.h"
#include "geometry/gm_mesh.h"
#include "geometry/gm_quaternion.h"
#include "geometry/gm_vector.h"
#include "model/FigureTessellation.h"
#include "model/FigureTessellationWorld.h"
#include "model/InkNode.h"

namespace {

constexpr double kEps = 1e-9;

void ExpectNear(const GMVector& actual, const GMVector& expected, double tol = kEps) {
  EXPECT_NEAR(actual.x, expected.x, tol);
  EXPECT_NEAR(actual.y, expected.y, tol);
  EXPECT_NEAR(actual.z, expected.z, tol);
}

std::unique_ptr<CInkNode> NewNode() {
  auto node = std::make_unique<CInkNode>();
  node->Create(nullptr);
  return node;
}

// The unit cube [0,1]^3: eight corners, twelve edges, six quadrilaterals
// counter-clockwise seen from outside.
const std::vector<GMVector> kCubePoints = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                           {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
const std::vector<std::vector<int32_t>> kCubeFaces = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                                      {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
const std::vector<GMMeshEdge> kCubeEdges = {{0, 1, -1}, {1, 2, -1}, {2, 3, -1}, {3, 0, -1}, {4, 5, -1}, {5, 6, -1},
                                            {6, 7, -1}, {7, 4, -1}, {0, 4, -1}, {1, 5, -1}, {2, 6, -1}, {3, 7, -1}};

InkFigure* AddCube(CInkNode& node) {
  const GMMeshPtr mesh = GMNewMesh(kCubePoints, kCubeEdges, kCubeFaces);
  return node.GetFigure(node.AddMeshFigure(mesh.get(), 0));
}

InkFigure* AddPoly(CInkNode& node, bool closed, const std::vector<GMVector>& points,
                   const std::vector<int32_t>& marks = {}) {
  const InkPolyDescription description(points, marks);
  const int i = closed ? node.AddPolygonFigure(description.Get(), 0) : node.AddPolylineFigure(description.Get(), 0);
  return node.GetFigure(i);
}

InkFigure* AddInstance(CInkNode& node, const InkFigure* target, GMVector base, GMVector reference,
                       const GMMatrix& matrix = GMMatrixIdentity()) {
  InkVertex b{base};
  InkInstanceRecord record;
  record.base = &b;
  record.reference = reference;
  record.figure = const_cast<InkFigure*>(target);
  record.matrix = matrix;
  return node.GetFigure(node.AddInstanceFigure(&record, 0));
}

// A subdivision surface description over the given positions and faces, with
// an edge table built from the faces (every edge once) unless told otherwise.
class SubdivDescription {
 public:
  SubdivDescription(const std::vector<GMVector>& points, const std::vector<std::vector<int32_t>>& faces,
                    bool withEdges = true)
      : vertices_(points.size()), faceLoops_(faces) {
    for (size_t i = 0; i < points.size(); ++i) {
      vertices_[i].position = points[i];
      pointers_.push_back(&vertices_[i]);
    }
    faceLists_.resize(faces.size());
    for (size_t f = 0; f < faces.size(); ++f) {
      faceLists_[f].count = static_cast<int32_t>(faceLoops_[f].size());
      faceLists_[f].indices = faceLoops_[f].data();
      faceRecords_.push_back({});
      faceRecords_.back().vertices = &faceLists_[f];
    }
    if (withEdges) {
      std::map<std::pair<int32_t, int32_t>, size_t> seen;
      for (size_t f = 0; f < faces.size(); ++f)
        for (size_t k = 0; k < faces[f].size(); ++k) {
          const int32_t a = faces[f][k], b = faces[f][(k + 1) % faces[f].size()];
          const auto key = std::minmax(a, b);
          if (auto it = seen.find(key); it != seen.end()) {
            edges_[it->second].face[1] = static_cast<int32_t>(f);
            continue;
          }
          seen[key] = edges_.size();
          InkSubdivEdge e;
          e.vertex[0] = a;
          e.vertex[1] = b;
          e.face[0] = static_cast<int32_t>(f);
          edges_.push_back(e);
        }
    }
  }

  // Marks the edge between a and b sharp.
  void Crease(int32_t a, int32_t b) {
    for (InkSubdivEdge& e : edges_)
      if ((e.vertex[0] == a && e.vertex[1] == b) || (e.vertex[0] == b && e.vertex[1] == a)) e.crease = 1.0;
  }

  const InkSubdivRecord* Get() {
    record_.vertexCount = static_cast<int32_t>(pointers_.size());
    record_.vertices = pointers_.data();
    record_.edgeCount = static_cast<int32_t>(edges_.size());
    record_.edges = edges_.empty() ? nullptr : edges_.data();
    record_.faceCount = static_cast<int32_t>(faceRecords_.size());
    record_.faces = faceRecords_.data();
    return &record_;
  }

 private:
  std::vector<InkVertex> vertices_;
  std::vector<InkVertex*> pointers_;
  std::vector<std::vector<int32_t>> faceLoops_;
  std::vector<InkIndexList> faceLists_;
  std::vector<InkSubdivFace> faceRecords_;
  std::vector<InkSubdivEdge> edges_;
  InkSubdivRecord record_;
};

// A segment set description: positions, index lists and segment records.
class SegmentDescription {
 public:
  int32_t Point(GMVector p) {
    vertices_.push_back(std::make_unique<InkVertex>(InkVertex{p}));
    return static_cast<int32_t>(vertices_.size() - 1);
  }
  int32_t List(std::vector<int32_t> indices) {
    lists_.push_back(std::move(indices));
    return static_cast<int32_t>(lists_.size() - 1);
  }
  void Segment(int32_t a, int32_t b, int32_t c, int32_t d) { segments_.push_back({{a, b, c, d}}); }

  const InkSegmentSetRecord* Get() {
    pointers_.clear();
    for (auto& v : vertices_) pointers_.push_back(v.get());
    listRecords_.clear();
    for (auto& l : lists_) listRecords_.push_back({static_cast<int32_t>(l.size()), l.data()});
    record_ = {static_cast<int32_t>(pointers_.size()), pointers_.data(),
               static_cast<int32_t>(listRecords_.size()), listRecords_.data(),
               static_cast<int32_t>(segments_.size()), segments_.data()};
    return &record_;
  }

 private:
  std::vector<std::unique_ptr<InkVertex>> vertices_;
  std::vector<InkVertex*> pointers_;
  std::vector<std::vector<int32_t>> lists_;
  std::vector<InkIndexList> listRecords_;
  std::vector<InkSegmentRecord> segments_;
  InkSegmentSetRecord record_;
};

// Distinct points of a polygon set, compared within tol.
std::vector<GMVector> DistinctPoints(const GMPolygonSet& set, double tol = 1e-9) {
  std::vector<GMVector> distinct;
  for (const GMPolygon& polygon : set.polygons)
    for (const GMVector& p : polygon.points) {
      bool known = false;
      for (const GMVector& q : distinct) known = known || GMIsSamePoint(p, q, tol);
      if (!known) distinct.push_back(p);
    }
  return distinct;
}

bool Contains(const std::vector<GMVector>& points, const GMVector& p, double tol = 1e-9) {
  for (const GMVector& q : points)
    if (GMIsSamePoint(p, q, tol)) return true;
  return false;
}

// Key of a point for edge bookkeeping, exact to 1e-9.
std::tuple<long long, long long, long long> KeyOf(const GMVector& p) {
  return {std::llround(p.x * 1e9), std::llround(p.y * 1e9), std::llround(p.z * 1e9)};
}

// A closed, consistently oriented surface: every directed edge is matched by
// exactly one edge running the other way, and none is used twice.
void ExpectClosedAndOriented(const GMPolygonSet& set) {
  std::map<std::pair<std::tuple<long long, long long, long long>, std::tuple<long long, long long, long long>>, int>
      directed;
  for (const GMPolygon& polygon : set.polygons)
    for (int i = 0; i < polygon.Count(); ++i)
      ++directed[{KeyOf(polygon[i]), KeyOf(polygon[(i + 1) % polygon.Count()])}];
  for (const auto& [edge, count] : directed) {
    EXPECT_EQ(count, 1) << "an edge is used twice in the same direction";
    const auto back = directed.find({edge.second, edge.first});
    EXPECT_TRUE(back != directed.end() && back->second == 1) << "an edge has no partner running the other way";
  }
}

// Signed volume enclosed by a closed polygon set (fans from each first vertex).
double Volume(const GMPolygonSet& set) {
  double v = 0.0;
  for (const GMPolygon& polygon : set.polygons)
    for (int i = 1; i + 1 < polygon.Count(); ++i) v += GMDot(polygon[0], GMCross(polygon[i], polygon[i + 1])) / 6.0;
  return v;
}

// Newell normal of a polygon (not normalised).
GMVector Newell(const GMPolygon& polygon) {
  GMVector n;
  for (int i = 0; i < polygon.Count(); ++i) {
    const GMVector& a = polygon[i];
    const GMVector& b = polygon[(i + 1) % polygon.Count()];
    n.x += (a.y - b.y) * (a.z + b.z);
    n.y += (a.z - b.z) * (a.x + b.x);
    n.z += (a.x - b.x) * (a.y + b.y);
  }
  return n;
}

void ExpectPlanesAgree(const GMPolygonSet& set, const std::vector<GMPlane>& planes) {
  ASSERT_EQ(planes.size(), set.polygons.size());
  for (size_t i = 0; i < planes.size(); ++i) {
    const GMPolygon& polygon = set.polygons[i];
    const GMVector n{planes[i].nx, planes[i].ny, planes[i].nz};
    EXPECT_NEAR(GMLength(n), 1.0, 1e-9);
    EXPECT_GT(GMDot(n, Newell(polygon)), 0.0) << "polygon " << i << " faces away from its plane";
    for (const GMVector& p : polygon.points) EXPECT_NEAR(GMDot(n, p) + planes[i].d, 0.0, 1e-9);
  }
}

// --- kinds without a surface, polygons and polylines ------------------------

TEST(Tessellation, PointsPolylinesAndNothingGiveNoPolygons) {
  auto node = NewNode();
  InkVertex v{{1, 2, 3}};
  const InkPointRecord point{&v};
  const InkFigure* pointFigure = node->GetFigure(node->AddPointFigure(&point, 0));
  const InkFigure* polyline = AddPoly(*node, false, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
  for (const InkFigure* f : {pointFigure, polyline, static_cast<const InkFigure*>(nullptr)}) {
    EXPECT_EQ(FigurePolygons(f, 2, 1.0, GM_TOLERANCE), nullptr);
    std::vector<GMPlane> planes{GMPlane{}};
    EXPECT_EQ(FigurePolygonsWithPlanes(f, 2, planes, 1.0, GM_TOLERANCE), nullptr);
    EXPECT_TRUE(planes.empty());
    EXPECT_TRUE(FigureOutlineSegments(f, GM_TOLERANCE).empty());
  }
  EXPECT_TRUE(FigureLineSegments(pointFigure).empty());
  EXPECT_TRUE(FigureLineSegments(AddCube(*node)).empty());
}

TEST(Tessellation, PolylineSegmentsSkipMarkedVertices) {
  auto node = NewNode();
  const std::vector<GMVector> points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  const auto plain = FigureLineSegments(AddPoly(*node, false, points));
  ASSERT_EQ(plain.size(), 3u);
  EXPECT_EQ(plain[2], (GMSegment{points[2], points[3]}));

  const auto marked = FigureLineSegments(AddPoly(*node, false, points, {0, 0, 3, 0}));
  ASSERT_EQ(marked.size(), 1u);
  EXPECT_EQ(marked[0], (GMSegment{points[0], points[1]}));
  EXPECT_TRUE(FigureLineSegments(AddPoly(*node, false, {{0, 0, 0}})).empty());
}

TEST(Tessellation, PolygonWithoutMarksIsItsVerticesAndItsRing) {
  auto node = NewNode();
  const std::vector<GMVector> points = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}};
  const InkFigure* f = AddPoly(*node, true, points);
  const auto set = FigurePolygons(f, 2, 1.0, GM_TOLERANCE);
  ASSERT_NE(set, nullptr);
  ASSERT_EQ(set->Count(), 1);
  EXPECT_EQ((*set)[0].points, points);

  const auto ring = FigureOutlineSegments(f, GM_TOLERANCE);
  ASSERT_EQ(ring.size(), 4u);
  EXPECT_EQ(ring[3], (GMSegment{points[3], points[0]}));

  // Segments touching a marked vertex are left to its arc.
  const auto skipped = FigureOutlineSegments(AddPoly(*node, true, points, {0, 5, 0, 0}), GM_TOLERANCE);
  ASSERT_EQ(skipped.size(), 2u);
  EXPECT_EQ(skipped[0], (GMSegment{points[2], points[3]}));
  EXPECT_EQ(skipped[1], (GMSegment{points[3], points[0]}));

  EXPECT_EQ(FigurePolygons(AddPoly(*node, true, {{0, 0, 0}, {1, 0, 0}}), 2, 1.0, GM_TOLERANCE), nullptr);
}

// --- arcs at marked vertices ------------------------------------------------

// Centre of the circle through a, b, c, computed independently of the kernel.
GMVector CircleCentre(const GMVector& a, const GMVector& b, const GMVector& c) {
  const GMVector u = b - a, v = c - a, w = GMCross(u, v);
  const GMVector t = v * GMDot(u, u) - u * GMDot(v, v);
  const GMVector m = GMCross(t, w);
  const double s = 1.0 / (2.0 * GMDot(w, w));
  return a + m * s;
}

TEST(Tessellation, MarkedVertexBecomesAnArcThroughItsNeighbours) {
  struct Case {
    const char* name;
    GMVector p, v, n, far;
    int32_t mark;
    double arcFactor;
  };
  const Case cases[] = {
      {"semicircle in xy", {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -2, 0}, 4, 2.0},
      {"tilted small arc", {1, 2, 3}, {2, 4, 1}, {0, 5, 2}, {-3, 0, 4}, 5, 1.0},
      {"arc beyond a half turn", {1, 0, 0}, {0, -1, 0}, {0.6, 0.8, 0}, {3, 3, 0}, 3, 3.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto node = NewNode();
    const InkFigure* f = AddPoly(*node, true, {c.p, c.v, c.n, c.far}, {0, c.mark, 0, 0});
    const auto set = FigurePolygons(f, 2, c.arcFactor, GM_TOLERANCE);
    ASSERT_NE(set, nullptr);
    const GMPolygon& ring = (*set)[0];
    const int steps = static_cast<int>(std::trunc(c.mark * c.arcFactor));
    ASSERT_EQ(ring.Count(), 3 + steps - 1);
    EXPECT_EQ(ring[0], c.p);
    EXPECT_EQ(ring[steps], c.n);
    EXPECT_EQ(ring[steps + 1], c.far);

    const GMVector centre = CircleCentre(c.p, c.v, c.n);
    const double radius = GMDistance(centre, c.p);
    const GMVector normal = GMCross(c.v - c.p, c.n - c.p);
    const double chord = GMDistance(ring[0], ring[1]);
    double swept = 0.0;
    for (int k = 1; k <= steps; ++k) {
      EXPECT_NEAR(GMDistance(centre, ring[k]), radius, 1e-9) << "point " << k << " is off the circle";
      EXPECT_NEAR(GMDot(ring[k] - c.p, normal), 0.0, 1e-9) << "point " << k << " is off the plane";
      EXPECT_NEAR(GMDistance(ring[k - 1], ring[k]), chord, 1e-9) << "step " << k << " is unequal";
      const GMVector a = ring[k - 1] - centre, b = ring[k] - centre;
      swept += std::atan2(GMDot(GMCross(a, b), normal) / GMLength(normal), GMDot(a, b));
    }
    // The arc runs from P to N the way that passes V.
    const GMVector pc = c.p - centre, vc = c.v - centre;
    double toV = std::atan2(GMDot(GMCross(pc, vc), normal) / GMLength(normal), GMDot(pc, vc));
    if (toV < 0) toV += 2 * GMPi();
    EXPECT_GT(swept, toV);
  }
}

TEST(Tessellation, ArcPointOnTheChordOrWithoutStepsStaysAVertex) {
  auto node = NewNode();
  // V on the straight line P-N: the outline keeps its straight course.
  const auto straight =
      FigurePolygons(AddPoly(*node, true, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 1, 0}}, {0, 8, 0, 0}), 2, 1.0,
                     GM_TOLERANCE);
  ASSERT_NE(straight, nullptr);
  EXPECT_EQ((*straight)[0].Count(), 4);
  EXPECT_EQ((*straight)[0][1], (GMVector{1, 0, 0}));

  const std::vector<GMVector> bent = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {1, -3, 0}};
  // No step at all (factor 0): the vertex is kept as drawn.
  const auto none = FigurePolygons(AddPoly(*node, true, bent, {0, 4, 0, 0}), 2, 0.0, GM_TOLERANCE);
  EXPECT_EQ((*none)[0].points, bent);
  // One step: the arc is its chord.
  const auto chord = FigurePolygons(AddPoly(*node, true, bent, {0, 4, 0, 0}), 2, 0.3, GM_TOLERANCE);
  EXPECT_EQ((*chord)[0].Count(), 3);
}

// --- meshes -----------------------------------------------------------------

TEST(Tessellation, CubeMeshGivesItsFacesInOrderAndItsEdgeTable) {
  auto node = NewNode();
  const InkFigure* cube = AddCube(*node);
  const auto set = FigurePolygons(cube, 2, 1.0, GM_TOLERANCE);
  ASSERT_NE(set, nullptr);
  ASSERT_EQ(set->Count(), 6);
  for (size_t f = 0; f < 6; ++f) {
    ASSERT_EQ((*set)[static_cast<int>(f)].Count(), 4);
    for (size_t k = 0; k < 4; ++k)
      EXPECT_EQ((*set)[static_cast<int>(f)].points[k], kCubePoints[static_cast<size_t>(kCubeFaces[f][k])]);
  }

  const auto outline = FigureOutlineSegments(cube, GM_TOLERANCE);
  ASSERT_EQ(outline.size(), kCubeEdges.size());
  for (size_t i = 0; i < outline.size(); ++i)
    EXPECT_EQ(outline[i], (GMSegment{kCubePoints[static_cast<size_t>(kCubeEdges[i].first)],
                                     kCubePoints[static_cast<size_t>(kCubeEdges[i].second)]}));

  std::vector<GMPlane> planes;
  const auto withPlanes = FigurePolygonsWithPlanes(cube, 2, planes, 1.0, GM_TOLERANCE);
  ASSERT_NE(withPlanes, nullptr);
  ExpectPlanesAgree(*withPlanes, planes);
  EXPECT_EQ(planes[0], (GMPlane{0, 0, -1, 0}));
}

TEST(Tessellation, MeshOutlineIsTheKeptEdgeTableNotEveryFaceBorder) {
  auto node = NewNode();
  // Two coplanar triangles: finalisation keeps only the four outer edges.
  const std::vector<GMVector> points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  const std::vector<GMMeshEdge> edges = {{0, 1, 0}, {1, 2, 0}, {2, 3, 1}, {3, 0, 1}};
  const std::vector<std::vector<int32_t>> faces = {{0, 1, 2}, {0, 2, 3}};
  const GMMeshPtr mesh = GMNewMesh(points, edges, faces);
  const InkFigure* f = node->GetFigure(node->AddMeshFigure(mesh.get(), 0));
  const auto outline = FigureOutlineSegments(f, GM_TOLERANCE);
  ASSERT_EQ(outline.size(), 4u);
  for (const GMSegment& s : outline) EXPECT_FALSE(s.start == points[0] && s.end == points[2]);
  EXPECT_EQ(FigurePolygons(f, 2, 1.0, GM_TOLERANCE)->Count(), 2);
}

// --- instances --------------------------------------------------------------

TEST(Tessellation, InstanceOfACubeIsMovedByBaseMinusReference) {
  auto node = NewNode();
  const InkFigure* cube = AddCube(*node);
  const InkFigure* instance = AddInstance(*node, cube, {10, 0, 0}, {0, 0, 0});
  const auto original = FigurePolygons(cube, 2, 1.0, GM_TOLERANCE);
  const auto moved = FigurePolygons(instance, 2, 1.0, GM_TOLERANCE);
  ASSERT_NE(moved, nullptr);
  ASSERT_EQ(moved->Count(), 6);
  for (int f = 0; f < 6; ++f)
    for (int k = 0; k < 4; ++k) EXPECT_EQ((*moved)[f][k], ((*original)[f][k] + GMVector{10, 0, 0}));

  const auto outline = FigureOutlineSegments(instance, GM_TOLERANCE);
  ASSERT_EQ(outline.size(), 12u);
  EXPECT_EQ(outline[0], (GMSegment{{10, 0, 0}, {11, 0, 0}}));
}

TEST(Tessellation, InstanceAppliesItsMatrixBeforeTheShift) {
  auto node = NewNode();
  const InkFigure* cube = AddCube(*node);
  // A quarter turn about z, then the reference (1, 0, 0) lands on (5, 5, 5).
  const GMMatrix turn = GMMatrixRotateZ(GMPi() / 2);
  const InkFigure* instance = AddInstance(*node, cube, {5, 5, 5}, {1, 0, 0}, turn);
  const auto set = FigurePolygons(instance, 2, 1.0, GM_TOLERANCE);
  ASSERT_NE(set, nullptr);
  // Corner (1, 0, 0) turns to (0, 1, 0), then moves by (4, 5, 5).
  ExpectNear((*set)[0][3], {4, 6, 5});
  // Corner (1, 1, 1) turns to (-1, 1, 1).
  ExpectNear((*set)[1][2], {3, 6, 6});

  // Instances of instances compose, innermost first.
  const InkFigure* outer = AddInstance(*node, instance, {0, 0, 100}, {0, 0, 0});
  const auto nested = FigurePolygons(outer, 2, 1.0, GM_TOLERANCE);
  ASSERT_NE(nested, nullptr);
  ExpectNear((*nested)[1][2], {3, 6, 106});

  std::vector<GMPlane> planes;
  const auto withPlanes = FigurePolygonsWithPlanes(outer, 2, planes, 1.0, GM_TOLERANCE);
  ExpectPlanesAgree(*withPlanes, planes);
}

TEST(Tessellation, InstanceOfAPolylineGivesItsSegmentsPlaced) {
  auto node = NewNode();
  const InkFigure* line = AddPoly(*node, false, {{0, 0, 0}, {1, 0, 0}, {1, 2, 0}}, {0, 0, 0});
  const InkFigure* instance = AddInstance(*node, line, {0, 0, 3}, {1, 0, 0});
  const auto segments = FigureLineSegments(instance);
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_EQ(segments[0], (GMSegment{{-1, 0, 3}, {0, 0, 3}}));
  EXPECT_EQ(segments[1], (GMSegment{{0, 0, 3}, {0, 2, 3}}));
  EXPECT_EQ(FigurePolygons(instance, 2, 1.0, GM_TOLERANCE), nullptr);
  // Through a second instance the polyline is still drawn.
  EXPECT_EQ(FigureLineSegments(AddInstance(*node, instance, {0, 0, 0}, {0, 0, 0})).size(), 2u);
}

TEST(Tessellation, InstanceWithoutReferenceOrInACycleGivesNothing) {
  auto node = NewNode();
  const InkFigure* empty = AddInstance(*node, nullptr, {1, 1, 1}, {0, 0, 0});
  EXPECT_EQ(FigurePolygons(empty, 2, 1.0, GM_TOLERANCE), nullptr);
  EXPECT_TRUE(FigureOutlineSegments(empty, GM_TOLERANCE).empty());
  EXPECT_TRUE(FigureLineSegments(empty).empty());

  // Records edited in place can close a chain on itself; it must end.
  const InkFigure* cube = AddCube(*node);
  InkFigure* a = AddInstance(*node, cube, {0, 0, 0}, {0, 0, 0});
  InkFigure* b = AddInstance(*node, a, {0, 0, 0}, {0, 0, 0});
  static_cast<InkInstanceRecord*>(a->geometry)->figure = b;
  EXPECT_EQ(FigurePolygons(a, 2, 1.0, GM_TOLERANCE), nullptr);
  EXPECT_TRUE(FigureOutlineSegments(b, GM_TOLERANCE).empty());
  EXPECT_TRUE(FigureLineSegments(a).empty());
  static_cast<InkInstanceRecord*>(a->geometry)->figure = a;
  EXPECT_EQ(FigurePolygons(a, 2, 1.0, GM_TOLERANCE), nullptr);
  static_cast<InkInstanceRecord*>(a->geometry)->figure = const_cast<InkFigure*>(cube);
  EXPECT_EQ(FigurePolygons(b, 2, 1.0, GM_TOLERANCE)->Count(), 6);
}

TEST(Tessellation, InstanceWithAnEmptyMatrixStaysFinite) {
  auto node = NewNode();
  const InkFigure* cube = AddCube(*node);
  const InkFigure* instance = AddInstance(*node, cube, {2, 0, 0}, {0, 0, 0}, GMMatrix{});
  const auto set = FigurePolygons(instance, 2, 1.0, GM_TOLERANCE);
  ASSERT_NE(set, nullptr);
  for (const GMPolygon& polygon : set->polygons)
    for (const GMVector& p : polygon.points) ExpectNear(p, {2, 0, 0});
}

// --- subdivision surfaces ---------------------------------------------------

InkFigure* AddSubdiv(CInkNode& node, SubdivDescription& description) {
  return node.GetFigure(node.AddSubdivisionFigure(description.Get(), 0));
}

TEST(Tessellation, CubeRefinedOnceHasTwentyFourQuadsAtCatmullClarkPositions) {
  auto node = NewNode();
  SubdivDescription description(kCubePoints, kCubeFaces);
  const InkFigure* f = AddSubdiv(*node, description);

  const auto control = FigurePolygons(f, 1, 1.0, GM_TOLERANCE);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->Count(), 6);
  EXPECT_EQ((*control)[2][1], kCubePoints[1]);

  const auto set = FigurePolygons(f, 2, 1.0, GM_TOLERANCE);
  ASSERT_NE(set, nullptr);
  ASSERT_EQ(set->Count(), 24);
  for (const GMPolygon& quad : set->polygons) EXPECT_EQ(quad.Count(), 4);
  const auto points = DistinctPoints(*set);
  EXPECT_EQ(points.size(), 8u + 12u + 6u);
  // Corner of valence 3: V/3 + (sum of neighbours + sum of face points)/9.
  EXPECT_TRUE(Contains(points, {2.0 / 9, 2.0 / 9, 2.0 / 9}));
  EXPECT_TRUE(Contains(points, {7.0 / 9, 7.0 / 9, 7.0 / 9}));
  // Edge (0,0,0)-(1,0,0): its ends and the centres of the bottom and front faces.
  EXPECT_TRUE(Contains(points, {0.5, 0.125, 0.125}));
  EXPECT_TRUE(Contains(points, {0.5, 0.5, 0.0}));  // bottom face point
  // The first quad starts at the first corner of the first face.
  ExpectNear((*set)[0][0], {2.0 / 9, 2.0 / 9, 2.0 / 9});
  ExpectClosedAndOriented(*set);

  const auto twice = FigurePolygons(f, 3, 1.0, GM_TOLERANCE);
  EXPECT_EQ(twice->Count(), 96);
  EXPECT_EQ(DistinctPoints(*twice).size(), 26u + 48u + 24u);
  ExpectClosedAndOriented(*twice);
  // Every refined surface of the cube shrinks inside it, symmetric about its centre.
  EXPECT_LT(std::abs(Volume(*twice)), 1.0);

  std::vector<GMPlane> planes;
  const auto withPlanes = FigurePolygonsWithPlanes(f, 2, planes, 1.0, GM_TOLERANCE);
  ASSERT_EQ(planes.size(), 24u);
  for (size_t i = 0; i < planes.size(); ++i)
    EXPECT_GT(planes[i].nx * Newell((*withPlanes)[static_cast<int>(i)]).x +
                  planes[i].ny * Newell((*withPlanes)[static_cast<int>(i)]).y +
                  planes[i].nz * Newell((*withPlanes)[static_cast<int>(i)]).z,
              0.0);

  // The outline is the control cage, whatever the level.
  EXPECT_EQ(FigureOutlineSegments(f, GM_TOLERANCE).size(), 12u);
}

TEST(Tessellation, SubdivisionWithoutEdgeTableRefinesTheSameWay) {
  auto node = NewNode();
  SubdivDescription with(kCubePoints, kCubeFaces), without(kCubePoints, kCubeFaces, false);
  const auto a = FigurePolygons(AddSubdiv(*node, with), 3, 1.0, GM_TOLERANCE);
  const auto b = FigurePolygons(AddSubdiv(*node, without), 3, 1.0, GM_TOLERANCE);
  ASSERT_EQ(a->Count(), b->Count());
  for (int i = 0; i < a->Count(); ++i)
    for (int k = 0; k < 4; ++k) ExpectNear((*a)[i][k], (*b)[i][k]);
}

TEST(Tessellation, SharpEdgesKeepTheirStraightCourse) {
  auto node = NewNode();
  // All twelve cube edges sharp: corners stay, edges stay straight, faces flat.
  SubdivDescription hard(kCubePoints, kCubeFaces);
  for (const GMMeshEdge& e : kCubeEdges) hard.Crease(e.first, e.second);
  const auto boxy = FigurePolygons(AddSubdiv(*node, hard), 3, 1.0, GM_TOLERANCE);
  ASSERT_EQ(boxy->Count(), 96);
  const auto points = DistinctPoints(*boxy);
  for (const GMVector& corner : kCubePoints) EXPECT_TRUE(Contains(points, corner));
  for (const GMVector& p : points) {
    const int onFace = (std::abs(p.x) < kEps || std::abs(p.x - 1) < kEps) + (std::abs(p.y) < kEps || std::abs(p.y - 1) < kEps) +
                       (std::abs(p.z) < kEps || std::abs(p.z - 1) < kEps);
    EXPECT_GE(onFace, 1) << "a point left the cube's surface";
  }
  EXPECT_NEAR(std::abs(Volume(*boxy)), 1.0, 1e-9);

  // Only the top ring sharp: its corners follow the crease rule in the top
  // plane, its edges are split at their midpoints.
  SubdivDescription ring(kCubePoints, kCubeFaces);
  ring.Crease(4, 5);
  ring.Crease(5, 6);
  ring.Crease(6, 7);
  ring.Crease(7, 4);
  const auto rounded = FigurePolygons(AddSubdiv(*node, ring), 2, 1.0, GM_TOLERANCE);
  const auto refined = DistinctPoints(*rounded);
  EXPECT_TRUE(Contains(refined, {1.0 / 8, 1.0 / 8, 1.0}));   // (P1 + 6V + P2) / 8
  EXPECT_TRUE(Contains(refined, {0.5, 0.0, 1.0}));           // midpoint of a sharp edge
  EXPECT_TRUE(Contains(refined, {2.0 / 9, 2.0 / 9, 2.0 / 9}));  // the smooth bottom corner
  ExpectClosedAndOriented(*rounded);
}

TEST(Tessellation, OpenQuadFollowsTheBorderRule) {
  auto node = NewNode();
  SubdivDescription quad({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
  const auto set = FigurePolygons(AddSubdiv(*node, quad), 2, 1.0, GM_TOLERANCE);
  ASSERT_EQ(set->Count(), 4);
  // Corner (0,0): ((1,0) + 6(0,0) + (0,1)) / 8; border edges split at midpoints.
  ExpectNear((*set)[0][0], {0.125, 0.125, 0});
  ExpectNear((*set)[0][1], {0.5, 0, 0});
  ExpectNear((*set)[0][2], {0.5, 0.5, 0});
  ExpectNear((*set)[0][3], {0, 0.5, 0});
  ExpectNear((*set)[2][0], {0.875, 0.875, 0});
}

// --- segment sets -----------------------------------------------------------

// A square profile of half-width h about (cx, cy) at height z, closed by
// repeating its first index.
std::vector<int32_t> SquareProfile(SegmentDescription& d, double h, double z, double cx = 0, double cy = 0) {
  const int32_t first = d.Point({cx - h, cy - h, z});
  d.Point({cx + h, cy - h, z});
  d.Point({cx + h, cy + h, z});
  d.Point({cx - h, cy + h, z});
  return {first, first + 1, first + 2, first + 3, first};
}

std::vector<int32_t> RegularProfile(SegmentDescription& d, int n, double r, double z) {
  std::vector<int32_t> indices;
  for (int i = 0; i < n; ++i) {
    const double a = 2 * GMPi() * i / n;
    indices.push_back(d.Point({r * std::cos(a), r * std::sin(a), z}));
  }
  indices.push_back(indices[0]);
  return indices;
}

InkFigure* AddSegments(CInkNode& node, SegmentDescription& description) {
  return node.GetFigure(node.AddSegmentFigure(description.Get(), 0));
}

TEST(Tessellation, SolidBarIsAClosedPrism) {
  auto node = NewNode();
  SegmentDescription d;
  const int32_t a = d.List(SquareProfile(d, 1, 0)), b = d.List(SquareProfile(d, 1, 3));
  const int32_t c = d.List({d.Point({0, 0, 0})}), e = d.List({d.Point({0, 0, 3})});
  d.Segment(a, b, c, e);
  const InkFigure* f = AddSegments(*node, d);

  const auto set = FigurePolygons(f, 1, 1.0, GM_TOLERANCE);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->Count(), 4 + 4 + 4);  // side quads, two fans of triangles
  ExpectClosedAndOriented(*set);
  EXPECT_NEAR(std::abs(Volume(*set)), 4.0 * 3.0, 1e-9);

  // Higher levels cut the walls into rows; the solid stays the same.
  const auto rows = FigurePolygons(f, 3, 1.0, GM_TOLERANCE);
  EXPECT_EQ(rows->Count(), 3 * 4 + 4 + 4);
  ExpectClosedAndOriented(*rows);
  EXPECT_NEAR(std::abs(Volume(*rows)), 12.0, 1e-9);

  // With planes: level 1 and triangles only.
  std::vector<GMPlane> planes;
  const auto triangles = FigurePolygonsWithPlanes(f, 3, planes, 1.0, GM_TOLERANCE);
  ASSERT_NE(triangles, nullptr);
  EXPECT_EQ(triangles->Count(), 2 * 4 + 4 + 4);
  for (const GMPolygon& t : triangles->polygons) EXPECT_EQ(t.Count(), 3);
  ExpectClosedAndOriented(*triangles);
  ExpectPlanesAgree(*triangles, planes);
}

TEST(Tessellation, HollowTubesCloseWithRingsAndZippedEnds) {
  auto node = NewNode();
  SegmentDescription d;
  // Square tube: inner and outer profiles of the same count.
  const int32_t a = d.List(SquareProfile(d, 2, 0)), b = d.List(SquareProfile(d, 2, 5));
  const int32_t c = d.List(SquareProfile(d, 1, 0)), e = d.List(SquareProfile(d, 1, 5));
  d.Segment(a, b, c, e);
  const auto square = FigurePolygons(AddSegments(*node, d), 1, 1.0, GM_TOLERANCE);
  EXPECT_EQ(square->Count(), 16);
  ExpectClosedAndOriented(*square);
  EXPECT_NEAR(std::abs(Volume(*square)), (16.0 - 4.0) * 5.0, 1e-9);

  // Octagon outside, square inside: the ends are zipped by triangles.
  SegmentDescription z;
  const int32_t oa = z.List(RegularProfile(z, 8, 3, 0)), ob = z.List(RegularProfile(z, 8, 3, 2));
  const int32_t ia = z.List(RegularProfile(z, 4, 1, 0)), ib = z.List(RegularProfile(z, 4, 1, 2));
  z.Segment(oa, ob, ia, ib);
  const auto zipped = FigurePolygons(AddSegments(*node, z), 2, 1.0, GM_TOLERANCE);
  ExpectClosedAndOriented(*zipped);
  const double octagon = 0.5 * 8 * 9 * std::sin(2 * GMPi() / 8), square1 = 0.5 * 4 * 1 * std::sin(GMPi() / 2);
  EXPECT_NEAR(std::abs(Volume(*zipped)), (octagon - square1) * 2.0, 1e-9);
  for (const GMPolygon& p : zipped->polygons) EXPECT_LE(p.Count(), 4);
}

TEST(Tessellation, BentSegmentFollowsTheTurnBetweenItsProfiles) {
  auto node = NewNode();
  SegmentDescription d;
  // A square profile about (5, 0) in the plane y = 0, and the same profile a
  // quarter turn about the z axis: an elbow.
  auto profile = [&](double angle) {
    std::vector<int32_t> indices;
    for (const GMVector& q : std::vector<GMVector>{{4, 0, -1}, {6, 0, -1}, {6, 0, 1}, {4, 0, 1}}) {
      GMVector p = q;
      GMRotatePointAboutAxis(p, {0, 0, 0}, {0, 0, 1}, angle);
      indices.push_back(d.Point(p));
    }
    indices.push_back(indices[0]);
    return indices;
  };
  const int32_t a = d.List(profile(0)), b = d.List(profile(GMPi() / 2));
  const int32_t c = d.List({d.Point({5, 0, 0})}), e = d.List({d.Point({0, 5, 0})});
  d.Segment(a, b, c, e);
  const InkFigure* f = AddSegments(*node, d);

  const auto set = FigurePolygons(f, 6, 1.0, GM_TOLERANCE);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->Count(), 6 * 4 + 4 + 4);
  ExpectClosedAndOriented(*set);
  for (const GMVector& p : DistinctPoints(*set)) {
    const double r = std::hypot(p.x, p.y);
    if (std::abs(r - 5) < 1e-9) continue;  // the axis points of the end faces
    EXPECT_TRUE(std::abs(r - 4) < 1e-9 || std::abs(r - 6) < 1e-9) << "a wall point cut the bend at radius " << r;
    EXPECT_NEAR(std::abs(p.z), 1.0, 1e-9);
  }
  // Level 1 keeps the straight chords between the two profiles.
  EXPECT_EQ(FigurePolygons(f, 1, 1.0, GM_TOLERANCE)->Count(), 12);
}

TEST(Tessellation, SegmentRecordsThatBreakTheRulesGiveNoPolygons) {
  auto node = NewNode();
  SegmentDescription d;
  const int32_t a = d.List(SquareProfile(d, 1, 0)), b = d.List(SquareProfile(d, 1, 1));
  const int32_t shortList = d.List({0, 1, 2});
  const int32_t one = d.List({0}), otherOne = d.List({5});
  const int32_t empty = d.List({});
  const int32_t single = d.List({3});
  d.Segment(a, shortList, one, otherOne);  // first two differ in count
  d.Segment(single, single, one, one);     // first two need two indices
  d.Segment(a, b, empty, empty);           // last two need one index
  d.Segment(a, b, one, 99);                // no such list
  d.Segment(a, b, a, one);                 // last two differ in count
  EXPECT_EQ(FigurePolygons(AddSegments(*node, d), 1, 1.0, GM_TOLERANCE), nullptr);
  d.Segment(a, b, one, otherOne);  // a valid record still counts
  EXPECT_NE(FigurePolygons(AddSegments(*node, d), 1, 1.0, GM_TOLERANCE), nullptr);
}

TEST(Tessellation, SegmentSetOutlineListsEverySegmentOnce) {
  auto node = NewNode();
  SegmentDescription d;
  d.List(SquareProfile(d, 1, 0));          // four sides, the ring closed on point 0
  d.List({1, 0});                          // the first side again, backwards
  const int32_t twin = d.Point({1 + 1e-9, -1, 0});  // point 1 again, within the tolerance
  d.List({0, twin, 3});                    // side 0-1 once more through the twin, then a diagonal
  d.List({twin});                          // a single index draws nothing
  const auto outline = FigureOutlineSegments(AddSegments(*node, d), GM_TOLERANCE);
  ASSERT_EQ(outline.size(), 5u);
  EXPECT_EQ(outline[0], (GMSegment{{-1, -1, 0}, {1, -1, 0}}));
  EXPECT_EQ(outline[4], (GMSegment{{1 + 1e-9, -1, 0}, {-1, 1, 0}}));
}

TEST(Tessellation, SegmentSetOutlineMatchesALineListWithDuplicateRejection) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coordinate(0, 3);
  std::uniform_real_distribution<double> jitter(-5e-8, 5e-8);
  for (int trial = 0; trial < 20; ++trial) {
    auto node = NewNode();
    SegmentDescription d;
    for (int i = 0; i < 40; ++i)
      d.Point({coordinate(rng) + jitter(rng), coordinate(rng) + jitter(rng), coordinate(rng) * 1.0});
    std::uniform_int_distribution<int32_t> index(0, 39);
    for (int l = 0; l < 6; ++l) {
      std::vector<int32_t> list;
      for (int k = 0; k < 10; ++k) list.push_back(index(rng));
      d.List(list);
    }
    const InkSegmentSetRecord* record = d.Get();
    CGMLineList reference;
    reference.SetTolerance(GM_LIST_UNIQUE, GM_TOLERANCE);
    for (int32_t l = 0; l < record->listCount; ++l)
      for (int32_t k = 0; k + 1 < record->lists[l].count; ++k)
        reference.AddLine(record->vertices[record->lists[l].indices[k]]->position,
                          record->vertices[record->lists[l].indices[k + 1]]->position);
    const auto outline = FigureOutlineSegments(AddSegments(*node, d), GM_TOLERANCE);
    ASSERT_EQ(static_cast<int>(outline.size()), reference.GetCount()) << "trial " << trial;
    for (int i = 0; i < reference.GetCount(); ++i) EXPECT_EQ(outline[static_cast<size_t>(i)], reference.GetLine(i));
  }
}

// --- world coordinates ------------------------------------------------------

TEST(Tessellation, WorldVariantsCarryTheNodePlacement) {
  auto root = NewNode();
  InkAttributes placed;
  placed.origin = {100, 0, 0};
  placed.scale = {2, 2, 2};
  auto* child = new CInkNode;
  child->Create(&placed);
  root->AddChild(child);

  const InkFigure* cube = AddCube(*child);
  const auto world = FigureWorldPolygons(cube, 2, 1.0, GM_TOLERANCE);
  ASSERT_NE(world, nullptr);
  EXPECT_EQ((*world)[1][2], (GMVector{102, 2, 2}));
  const auto outline = FigureWorldOutlineSegments(cube, GM_TOLERANCE);
  ASSERT_EQ(outline.size(), 12u);
  EXPECT_EQ(outline[0], (GMSegment{{100, 0, 0}, {102, 0, 0}}));

  const InkFigure* line = AddPoly(*child, false, {{0, 0, 0}, {0, 1, 0}});
  const auto segments = FigureWorldLineSegments(line);
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(segments[0], (GMSegment{{100, 0, 0}, {100, 2, 0}}));

  // The root's own placement never counts.
  InkAttributes moved;
  moved.origin = {7, 7, 7};
  InkAttributes previous;
  root->SetAttributes(previous, moved);
  EXPECT_EQ((*FigureWorldPolygons(cube, 2, 1.0, GM_TOLERANCE))[1][2], (GMVector{102, 2, 2}));
  EXPECT_EQ(FigureWorldPolygons(AddPoly(*child, false, {{0, 0, 0}, {0, 1, 0}}), 2, 1.0, GM_TOLERANCE), nullptr);
}

}  // namespace
