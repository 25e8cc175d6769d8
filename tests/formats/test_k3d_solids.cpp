// Every record type gives closed, outward meshes of the right volume and
// placement.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "k3d_fixture.h"
#include "mesh_checks.h"

using k3dtest::Load;
using k3dtest::Loaded;
using k3dtest::MeshOf;
using k3dtest::RingArea;

namespace {

const std::string kHeader = "HEADER\n0,0\n";

CInkNode* Object(Loaded& l) { return l.At("Z0", "g", "o"); }

struct Range {
  double min = 1e300, max = -1e300;
};

// Along-axis and radial extent of the mesh's vertices about the line from b
// along the unit direction u.
void AxisExtent(const GMMesh& mesh, const GMVector& b, const GMVector& u, Range& along, Range& radial) {
  for (const InkVertex* v : mesh.Vertices()) {
    const GMVector d{v->position.x - b.x, v->position.y - b.y, v->position.z - b.z};
    const double t = d.x * u.x + d.y * u.y + d.z * u.z;
    const double r = std::sqrt(std::max(0.0, d.x * d.x + d.y * d.y + d.z * d.z - t * t));
    along.min = std::min(along.min, t);
    along.max = std::max(along.max, t);
    radial.min = std::min(radial.min, r);
    radial.max = std::max(radial.max, r);
  }
}

// --- SOLIDF ------------------------------------------------------------------------

TEST(K3dSolidFTest, BoxBetweenTwoRingsIsClosedAndOutward) {
  Loaded l;
  Load(l, kHeader + "SOLIDF,Z0,0,g,1,1,1,0,4,1,o\nnot read\n0,0,0\n2,0,0\n2,3,0\n0,3,0\n0,0,4\n2,0,4\n2,3,4\n0,3,4\n");
  ASSERT_EQ(Object(l)->GetFigureCount(), 1);
  const GMMesh* box = MeshOf(Object(l), 0);
  EXPECT_SOLID(box, 24.0);
  EXPECT_EQ(box->faceCount, 6);
  EXPECT_EQ(box->vertexCount, 8);
}

TEST(K3dSolidFTest, ClockwiseRingsAndRingsGivenTopFirstStillFaceOutward) {
  Loaded l;
  Load(l, kHeader +
              // clockwise seen from above
              "SOLIDF,Z0,0,g,1,1,1,0,4,2,o\n-\n0,0,0\n0,3,0\n2,3,0\n2,0,0\n0,0,4\n0,3,4\n2,3,4\n2,0,4\n"
              // ring 0 on top, counter-clockwise seen from above
              "-\n0,0,4\n2,0,4\n2,3,4\n0,3,4\n0,0,0\n2,0,0\n2,3,0\n0,3,0\n");
  ASSERT_EQ(Object(l)->GetFigureCount(), 2);
  EXPECT_SOLID(MeshOf(Object(l), 0), 24.0);
  EXPECT_SOLID(MeshOf(Object(l), 1), 24.0);
}

TEST(K3dSolidFTest, SlopedTopAndTwistFreePentagon) {
  Loaded l;
  // A unit square under a roof plane z = 1 + y, and a pentagonal annex.
  Load(l, kHeader + "SOLIDF,Z0,0,g,1,1,1,0,4,1,o\n-\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n1,0,1\n1,1,2\n0,1,2\n" +
              "SOLIDF,Z0,0,g,1,1,1,0,5,1,o\n-\n0,10,0\n8,10,0\n8,16,0\n4,18,0\n0,16,0\n0,10,5\n8,10,5\n8,16,5\n"
              "4,18,5\n0,16,5\n");
  EXPECT_SOLID(MeshOf(Object(l), 0), 1.5);
  EXPECT_SOLID(MeshOf(Object(l), 1), 56.0 * 5.0);
}

// --- SOLIDV ------------------------------------------------------------------------

TEST(K3dSolidVTest, ExtrusionIsAPrismOfTwiceTheRingsPoints) {
  Loaded l;
  Load(l, kHeader + "SOLIDV,Z0,0,g,1,1,1,0,4,2,o\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n"
                    // downwards
                    "0,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,-2\n"
                    // an L-shaped footprint swept along an oblique vector
                    "SOLIDV,Z0,0,g,1,1,1,0,6,1,o\n0,0,0\n4,0,0\n4,1,0\n1,1,0\n1,3,0\n0,3,0\n1,0,2\n");
  ASSERT_EQ(Object(l)->GetFigureCount(), 3);
  const GMMesh* cube = MeshOf(Object(l), 0);
  EXPECT_SOLID(cube, 1.0);
  EXPECT_EQ(cube->vertexCount, 8);
  EXPECT_EQ(cube->faceCount, 6);
  EXPECT_EQ(cube->edgeCount, 12);
  EXPECT_SOLID(MeshOf(Object(l), 1), 2.0);
  EXPECT_SOLID(MeshOf(Object(l), 2), 6.0 * 2.0);
  GMBox box;
  Object(l)->GetBounds(box, nullptr);
  EXPECT_EQ(box.minZ, -2.0);
  EXPECT_EQ(box.maxX, 5.0);
}

// --- SHELLV ------------------------------------------------------------------------

TEST(K3dShellVTest, HolesAreCutThroughTheShell) {
  Loaded l;
  Load(l, kHeader + "SHELLV,Z0,0,g,1,1,1,0,4,2,1,o\n0,0,0\n20,0,0\n20,20,0\n0,20,0\n0,0,9\n"
                    "4\n3,3,0\n7,3,0\n7,7,0\n3,7,0\n4\n12,10,0\n16,10,0\n16,16,0\n12,16,0\n");
  ASSERT_EQ(Object(l)->GetFigureCount(), 1);
  const GMMesh* shell = MeshOf(Object(l), 0);
  EXPECT_SOLID(shell, 20.0 * 20.0 * 9.0 - (16.0 + 24.0) * 9.0);
  // Each well adds four inner walls to the six faces of the block.
  EXPECT_GE(shell->faceCount, 14);
}

TEST(K3dShellVTest, HoleGivenClockwiseOrAlongANegativeVectorCutsTheSame) {
  Loaded l;
  Load(l, kHeader + "SHELLV,Z0,0,g,1,1,1,0,4,1,1,o\n0,0,9\n0,20,9\n20,20,9\n20,0,9\n0,0,-9\n"
                    "4\n3,3,9\n3,7,9\n7,7,9\n7,3,9\n");
  EXPECT_SOLID(MeshOf(Object(l), 0), 3600.0 - 16.0 * 9.0);
}

TEST(K3dShellVTest, HoleThatGivesNoCutLeavesTheShell) {
  Loaded l;
  // A hole on a line (no area) and a hole of two points.
  Load(l, kHeader + "SHELLV,Z0,0,g,1,1,1,0,4,2,1,o\n0,0,0\n10,0,0\n10,10,0\n0,10,0\n0,0,3\n"
                    "3\n1,1,0\n2,2,0\n3,3,0\n2\n1,1,0\n2,1,0\n");
  ASSERT_EQ(Object(l)->GetFigureCount(), 1);
  EXPECT_SOLID(MeshOf(Object(l), 0), 300.0);
}

TEST(K3dShellVTest, ShellWithoutHolesKeepsOnlyItsDrawableEdges) {
  Loaded l;
  Load(l, kHeader + "SHELLV,Z0,0,g,1,1,1,0,4,0,1,o\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n");
  const GMMesh* block = MeshOf(Object(l), 0);
  EXPECT_SOLID(block, 1.0);
  EXPECT_EQ(block->edgeCount, 12);
}

// --- PILEV -------------------------------------------------------------------------

TEST(K3dPileVTest, UprightOctagonalPile) {
  Loaded l;
  Load(l, kHeader + "PILEV,Z0,0,g,1,1,1,0,8,1,o\n0,0,0\n0,0,10\n1\n");
  const GMMesh* pile = MeshOf(Object(l), 0);
  EXPECT_SOLID(pile, RingArea(8, 1.0) * 10.0);
  EXPECT_NEAR(RingArea(8, 1.0), 2.0 * std::sqrt(2.0), 1e-12);
  EXPECT_EQ(pile->vertexCount, 16);
  EXPECT_EQ(pile->faceCount, 10);
  for (const InkVertex* v : pile->Vertices()) {
    EXPECT_TRUE(v->position.z == 0.0 || v->position.z == 10.0);
    EXPECT_NEAR(std::hypot(v->position.x, v->position.y), 1.0, 1e-12);
  }
}

TEST(K3dPileVTest, PileAlongXIsTurnedAboutYThroughItsBase) {
  Loaded l;
  Load(l, kHeader + "PILEV,Z0,0,g,1,1,1,0,8,1,o\n2,3,4\n12,3,4\n1\n");
  const GMMesh* pile = MeshOf(Object(l), 0);
  EXPECT_SOLID(pile, RingArea(8, 1.0) * 10.0);
  Range along, radial;
  AxisExtent(*pile, {2, 3, 4}, {1, 0, 0}, along, radial);
  EXPECT_NEAR(along.min, 0.0, 1e-9);
  EXPECT_NEAR(along.max, 10.0, 1e-9);
  EXPECT_NEAR(radial.min, 1.0, 1e-9);
  EXPECT_NEAR(radial.max, 1.0, 1e-9);
}

TEST(K3dPileVTest, TiltedAndDownwardPilesRunFromBaseToTop) {
  struct Case {
    GMVector b, t;
  };
  for (const Case& c : {Case{{1, 2, 3}, {4, 6, 15}}, Case{{0, 0, 0}, {0, 0, -10}}, Case{{5, 5, 0}, {5, -5, 0}},
                        Case{{0, 0, 0}, {-1e-3, 0, 7}}}) {
    const GMVector a{c.t.x - c.b.x, c.t.y - c.b.y, c.t.z - c.b.z};
    const double length = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    char text[256];
    std::snprintf(text, sizeof text, "PILEV,Z0,0,g,1,1,1,0,12,1,o\n%.17g,%.17g,%.17g\n%.17g,%.17g,%.17g\n0.5\n", c.b.x,
                  c.b.y, c.b.z, c.t.x, c.t.y, c.t.z);
    Loaded l;
    Load(l, kHeader + text);
    SCOPED_TRACE(text);
    const GMMesh* pile = MeshOf(Object(l), 0);
    EXPECT_SOLID(pile, RingArea(12, 0.5) * length);
    Range along, radial;
    AxisExtent(*pile, c.b, {a.x / length, a.y / length, a.z / length}, along, radial);
    EXPECT_NEAR(along.min, 0.0, 1e-9);
    EXPECT_NEAR(along.max, length, 1e-9);
    EXPECT_NEAR(radial.min, 0.5, 1e-9);
    EXPECT_NEAR(radial.max, 0.5, 1e-9);
  }
}

TEST(K3dPileVTest, RingStepsInWholeDegrees) {
  Loaded l;
  // 360 / 7 = 51 degrees a step: the ring stops short of a full turn.
  Load(l, kHeader + "PILEV,Z0,0,g,1,1,1,0,7,1,o\n0,0,0\n0,0,2\n1\n");
  EXPECT_SOLID(MeshOf(Object(l), 0), RingArea(7, 1.0) * 2.0);
  // The last point sits at 6 × 51 = 306 degrees.
  bool last = false;
  for (const InkVertex* v : MeshOf(Object(l), 0)->Vertices())
    last = last || (std::fabs(v->position.x - std::cos(306 * M_PI / 180)) < 1e-9 &&
                    std::fabs(v->position.y - std::sin(306 * M_PI / 180)) < 1e-9);
  EXPECT_TRUE(last);
}

TEST(K3dPileVTest, OnlyTheNewFigureIsTurned) {
  Loaded l;
  Load(l, kHeader + std::string(k3dtest::kCube) + "PILEV,Z0,0,g,1,1,1,0,8,1,o\n0,0,0\n10,0,0\n1\n");
  ASSERT_EQ(Object(l)->GetFigureCount(), 2);
  GMBox box;
  Object(l)->GetBounds(box, nullptr);
  // The pile lies along x with radius 1 about z = 0.
  EXPECT_NEAR(box.maxZ, 1.0, 1e-12);
  EXPECT_NEAR(box.maxX, 10.0, 1e-12);
  const GMMesh* cube = MeshOf(Object(l), 0);
  for (const InkVertex* v : cube->Vertices()) {
    EXPECT_TRUE(v->position.z == 0.0 || v->position.z == 1.0);
    EXPECT_TRUE(v->position.x == 0.0 || v->position.x == 1.0);
  }
}

// --- PIPEV -------------------------------------------------------------------------

TEST(K3dPipeVTest, UprightPipeIsTheOuterCylinderLessTheBore) {
  Loaded l;
  Load(l, kHeader + "PIPEV,Z0,0,g,1,1,1,0,16,1,o\n0,0,0\n0,0,4\n0.5\n1\n");
  ASSERT_EQ(Object(l)->GetFigureCount(), 1);
  const GMMesh* pipe = MeshOf(Object(l), 0);
  EXPECT_SOLID(pipe, (RingArea(16, 1.0) - RingArea(16, 0.5)) * 4.0);
  Range along, radial;
  AxisExtent(*pipe, {0, 0, 0}, {0, 0, 1}, along, radial);
  EXPECT_NEAR(radial.min, 0.5, 1e-9);
  EXPECT_NEAR(radial.max, 1.0, 1e-9);
}

// The bore is built with the pipe rather than cut out of it: whatever the
// ring's count (a round 360, whole-degree steps that leave a gap closed by a
// chord, the fewest points), the pipe is a closed, outward solid of the ring
// area between the radii, and a wall thinner than the tolerance leaves it
// solid.
TEST(K3dPipeVTest, EveryRingCountGivesAClosedHollowPipe) {
  for (const int n : {3, 7, 16, 200, 359, 360}) {
    SCOPED_TRACE(n);
    Loaded l;
    Load(l, kHeader + "PIPEV,Z0,0,g,1,1,1,0," + std::to_string(n) + ",1,o\n5,5,1\n5,5,3.5\n0.8\n1.25\n");
    ASSERT_EQ(Object(l)->GetFigureCount(), 1);
    EXPECT_SOLID(MeshOf(Object(l), 0), (RingArea(n, 1.25) - RingArea(n, 0.8)) * 2.5);
  }
  Loaded thin;
  Load(thin, kHeader + "PIPEV,Z0,0,g,1,1,1,0,8,1,o\n0,0,0\n0,0,1\n0.99999999999\n1\n");
  EXPECT_SOLID(MeshOf(Object(thin), 0), RingArea(8, 1.0));
}

TEST(K3dPipeVTest, TiltedPipeRunsAlongItsAxis) {
  Loaded l;
  Load(l, kHeader + "PIPEV,Z0,0,g,1,1,1,0,16,1,o\n40,-5,-2\n40,25,-2\n0.3\n0.5\n");
  const GMMesh* pipe = MeshOf(Object(l), 0);
  EXPECT_SOLID(pipe, (RingArea(16, 0.5) - RingArea(16, 0.3)) * 30.0);
  Range along, radial;
  AxisExtent(*pipe, {40, -5, -2}, {0, 1, 0}, along, radial);
  EXPECT_NEAR(along.min, 0.0, 1e-9);
  EXPECT_NEAR(along.max, 30.0, 1e-9);
  EXPECT_NEAR(radial.min, 0.3, 1e-9);
  EXPECT_NEAR(radial.max, 0.5, 1e-9);
}

TEST(K3dPipeVTest, BoreNotNarrowerThanThePipeLeavesItSolid) {
  Loaded l;
  Load(l, kHeader + "PIPEV,Z0,0,g,1,1,1,0,8,2,o\n0,0,0\n0,0,3\n1\n1\n0,0,0\n0,0,3\n2\n1\n");
  ASSERT_EQ(Object(l)->GetFigureCount(), 2);
  EXPECT_SOLID(MeshOf(Object(l), 0), RingArea(8, 1.0) * 3.0);
  EXPECT_SOLID(MeshOf(Object(l), 1), RingArea(8, 1.0) * 3.0);
}

// --- the sample site -----------------------------------------------------------------

TEST(K3dSampleTest, SiteLoadsIntoClosedOutwardSolids) {
  Loaded l;
  l.scene.NewScene();
  ASSERT_EQ(korvex::ReadK3dFile(*l.Root(), l.view, KORVEX_SAMPLE_DIR "/site.k3d"), 0);
  EXPECT_EQ(l.view.zoneCount, 2);
  struct Expected {
    const char* zone;
    const char* group;
    const char* object;
    int figures;
    double volume;  // of all figures together
  };
  const Expected expected[] = {
      {"Z0", "Block A", "Tower", 2, 10 * 8 * 24 + 6 * 6 * 12},
      {"Z0", "Block A", "Annex", 1, 56 * 5},
      {"Z1", "Courtyard", "Court house", 1, 20 * 20 * 9 - (16 + 24) * 9},
      {"Z1", "Outbuildings", "\x91\x71\x8C\xC9", 1, 5 * 5 * 3},
      {"Z2", "Foundations", "Pile", 2, RingArea(12, 0.4) * 10 + RingArea(12, 0.3) * 6},
      {"Z2", "Services", "Drain", 1, (RingArea(16, 0.5) - RingArea(16, 0.3)) * 30},
  };
  int objects = 0;
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.object);
    CInkNode* node = l.At(e.zone, e.group, e.object);
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->GetFigureCount(), e.figures);
    double volume = 0.0;
    for (int i = 0; i < e.figures; ++i) {
      const GMMesh* mesh = MeshOf(node, i);
      ASSERT_NE(mesh, nullptr);
      EXPECT_EQ(k3dtest::SurfaceFault(*mesh), "");
      volume += k3dtest::Volume(*mesh);
    }
    EXPECT_NEAR(volume, e.volume, 1e-6 * e.volume);
    ++objects;
  }
  EXPECT_EQ(objects, 6);
  EXPECT_EQ(l.At("Z1", "Courtyard", "Court house")->GetAttributeRecord()->colour, 0xBF7FB2E5u);
}

int CountMeshes(CInkNode* node, bool& allClosed) {
  int count = 0;
  for (int i = 0; i < node->GetFigureCount(); ++i) {
    const GMMesh* mesh = MeshOf(node, i);
    allClosed = allClosed && mesh && k3dtest::SurfaceFault(*mesh).empty() && k3dtest::Volume(*mesh) > 0.0;
    ++count;
  }
  for (int i = 0; i < node->GetCount(); ++i) count += CountMeshes(node->GetChild(i), allClosed);
  return count;
}

TEST(K3dSampleTest, SiteCutShortAtAnyLineGivesOnlyWholeSolids) {
  std::ifstream in(KORVEX_SAMPLE_DIR "/site.k3d", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::string site = text.str();
  int previous = 0;
  for (std::size_t end = site.find('\n'); end != std::string::npos; end = site.find('\n', end + 1)) {
    Loaded l;
    Load(l, std::string_view(site).substr(0, end + 1));
    bool allClosed = true;
    const int meshes = CountMeshes(l.Root(), allClosed);
    EXPECT_TRUE(allClosed) << "cut after byte " << end;
    // A solid appears once its last line is read, and never goes again.
    EXPECT_GE(meshes, previous) << "cut after byte " << end;
    previous = meshes;
  }
  EXPECT_EQ(previous, 8);
}

}  // namespace
