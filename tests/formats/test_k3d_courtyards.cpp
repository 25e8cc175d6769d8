// Blocks with many courtyards, cut one courtyard at a time as the reader cuts
// the holes of a SHELLV record, must come out as the block less its yards:
// closed, outward, of the right volume, with roof and ground exactly the
// footprint less the yards and nothing facing down above the ground. The same
// blocks moved to site coordinates must measure the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "formats/K3dSolids.h"
#include "k3d_fixture.h"
#include "mesh_checks.h"

using k3dtest::Load;
using k3dtest::Loaded;
using k3dtest::MeshOf;

namespace {

using Ring = std::vector<GMVector>;

struct Layout {
  double x0 = 0, y0 = 0, x1 = 30, y1 = 20;  // the block's footprint
  std::vector<Ring> yards;                  // counter-clockwise
  double yardArea = 0;
  int touching = 0;                         // yards sharing a wall with an earlier one
};

Ring Rect(double x0, double y0, double x1, double y1) { return {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}}; }

double Area(const Ring& ring) {
  double s = 0;
  for (size_t i = 0; i < ring.size(); ++i) {
    const GMVector& p = ring[i];
    const GMVector& q = ring[(i + 1) % ring.size()];
    s += p.x * q.y - q.x * p.y;
  }
  return s / 2;
}

// Courtyards on a half-unit grid inside a 30 x 20 block, at least one unit
// from its edge, never overlapping. Some share a stretch of wall with an
// earlier yard (the two then make one yard), the rest keep at least half a
// unit away; none meets another at a corner only, which would pinch the walls
// into a line that four faces share. Every third yard, where it fits, is
// L-shaped: a rectangle less one corner. L-shaped yards keep apart.
Layout RandomLayout(std::mt19937& random, int count) {
  Layout layout;
  struct Box {
    double x0, y0, x1, y1;
    bool shaped;
  };
  std::vector<Box> boxes;
  std::uniform_int_distribution<int> size(3, 10);  // half units
  std::uniform_int_distribution<int> coin(0, 2);
  for (int tries = 0; static_cast<int>(boxes.size()) < count && tries < 20000; ++tries) {
    const double w = size(random) / 2.0, h = size(random) / 2.0;
    Box b{};
    const bool shaped = (boxes.size() % 3 == 2) && w >= 2 && h >= 2;
    if (!boxes.empty() && !shaped && coin(random) == 0) {
      // Against an earlier rectangular yard, sliding along one of its walls.
      const Box& o = boxes[std::uniform_int_distribution<size_t>(0, boxes.size() - 1)(random)];
      if (o.shaped) continue;
      const int side = std::uniform_int_distribution<int>(0, 3)(random);
      const double slide = std::uniform_int_distribution<int>(-6, 6)(random) / 2.0;
      if (side == 0) b = {o.x1, o.y0 + slide, o.x1 + w, o.y0 + slide + h, false};
      if (side == 1) b = {o.x0 - w, o.y0 + slide, o.x0, o.y0 + slide + h, false};
      if (side == 2) b = {o.x0 + slide, o.y1, o.x0 + slide + w, o.y1 + h, false};
      if (side == 3) b = {o.x0 + slide, o.y0 - h, o.x0 + slide + w, o.y0, false};
    } else {
      const double x = std::uniform_int_distribution<int>(2, static_cast<int>(2 * (29 - w)))(random) / 2.0;
      const double y = std::uniform_int_distribution<int>(2, static_cast<int>(2 * (19 - h)))(random) / 2.0;
      b = {x, y, x + w, y + h, shaped};
    }
    if (b.x0 < 1 || b.y0 < 1 || b.x1 > 29 || b.y1 > 19) continue;
    bool fits = true, touches = false;
    for (const Box& o : boxes) {
      const double gapX = std::max(b.x0 - o.x1, o.x0 - b.x1);
      const double gapY = std::max(b.y0 - o.y1, o.y0 - b.y1);
      if (gapX >= 0.5 || gapY >= 0.5) continue;  // well apart
      const bool wall = !b.shaped && !o.shaped &&
                        ((gapX == 0 && gapY <= -0.5) || (gapY == 0 && gapX <= -0.5));  // a shared stretch of wall
      if (!wall) fits = false;
      touches = true;
    }
    if (!fits) continue;
    boxes.push_back(b);
    layout.touching += touches ? 1 : 0;
  }
  for (const Box& b : boxes) {
    Ring ring;
    if (b.shaped) {
      // The corner away from the origin is left out.
      const double cx = b.x0 + std::floor((b.x1 - b.x0)) / 2.0, cy = b.y0 + std::floor((b.y1 - b.y0)) / 2.0;
      ring = {{b.x0, b.y0, 0}, {b.x1, b.y0, 0}, {b.x1, cy, 0}, {cx, cy, 0}, {cx, b.y1, 0}, {b.x0, b.y1, 0}};
    } else {
      ring = Rect(b.x0, b.y0, b.x1, b.y1);
    }
    layout.yardArea += Area(ring);
    layout.yards.push_back(std::move(ring));
  }
  return layout;
}

Layout Moved(Layout layout, double dx, double dy) {
  layout.x0 += dx;
  layout.x1 += dx;
  layout.y0 += dy;
  layout.y1 += dy;
  for (Ring& ring : layout.yards)
    for (GMVector& p : ring) {
      p.x += dx;
      p.y += dy;
    }
  return layout;
}

std::string Describe(const Layout& layout) {
  std::string text;
  char line[64];
  for (const Ring& ring : layout.yards) {
    text += "[";
    for (const GMVector& p : ring) {
      std::snprintf(line, sizeof line, " %g,%g", p.x, p.y);
      text += line;
    }
    text += " ]";
  }
  return text;
}

// What a block of the layout, `height` high, must look like.
void ExpectBlock(const GMMesh* mesh, const Layout& layout, double height) {
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(meshcheck::SurfaceFault(*mesh), "");
  const double floor = (layout.x1 - layout.x0) * (layout.y1 - layout.y0) - layout.yardArea;
  EXPECT_NEAR(meshcheck::Volume(*mesh), floor * height, 1e-6 * floor * height);
  const meshcheck::DirectionAreas areas = meshcheck::AreasByDirection(*mesh);
  EXPECT_NEAR(areas.up, floor, 1e-6 * floor);
  EXPECT_NEAR(areas.down, floor, 1e-6 * floor);
  // The roof lies at the top, and nothing faces down but the ground.
  EXPECT_EQ(areas.upLow, height);
  EXPECT_EQ(areas.upHigh, height);
  EXPECT_EQ(areas.downLow, 0.0);
  EXPECT_EQ(areas.downHigh, 0.0);
}

GMMeshPtr Shell(const Layout& layout, double height) {
  const Ring outer = Rect(layout.x0, layout.y0, layout.x1, layout.y1);
  return korvex::k3d::BuildShell(outer, GMVector{0, 0, height}, layout.yards);
}

// 1 to 12 courtyards, a random layout of each count, each block built
// near the origin and again at site coordinates.
TEST(K3dCourtyardsTest, RandomCourtyardsCutOneAtATime) {
  std::mt19937 random(4711);
  int touching = 0, shaped = 0;
  for (int count = 1; count <= 12; ++count) {
    for (int round = 0; round < 1; ++round) {
      const Layout layout = RandomLayout(random, count);
      ASSERT_EQ(static_cast<int>(layout.yards.size()), count);
      for (const Ring& yard : layout.yards) shaped += yard.size() == 6 ? 1 : 0;
      SCOPED_TRACE(::testing::Message() << count << " yards:" << Describe(layout));
      const GMMeshPtr near = Shell(layout, 9.0);
      ExpectBlock(near.get(), layout, 9.0);
      const Layout far = Moved(layout, -40000.0, 30000.0);
      SCOPED_TRACE("at site coordinates");
      const GMMeshPtr site = Shell(far, 9.0);
      ExpectBlock(site.get(), far, 9.0);
      if (near && site) {
        EXPECT_EQ(site->faceCount, near->faceCount);
        EXPECT_EQ(site->vertexCount, near->vertexCount);
      }
      touching += layout.touching;
    }
  }
  // The layouts did exercise what they were made for.
  EXPECT_GT(touching, 3);
  EXPECT_GT(shaped, 5);
}

// The two blocks the reader lost whole courtyards and whole buildings on.
TEST(K3dCourtyardsTest, RowOfFourAndGridOfNineThroughTheReader) {
  Loaded l;
  std::string text = "HEADER\n0,0\nSHELLV,Z0,0,g,1,1,1,0,4,4,1,row\n0,0,0\n40,0,0\n40,12,0\n0,12,0\n0,0,9\n";
  char line[128];
  Layout row;
  row.x1 = 40;
  row.y1 = 12;
  for (int i = 0; i < 4; ++i) {
    const double x = 3 + 9.5 * i;
    std::snprintf(line, sizeof line, "4\n%g,3.5,0\n%g,3.5,0\n%g,8.5,0\n%g,8.5,0\n", x, x + 5, x + 5, x);
    text += line;
    row.yards.push_back(Rect(x, 3.5, x + 5, 8.5));
    row.yardArea += 25;
  }
  text += "SHELLV,Z0,0,g,1,1,1,0,4,9,1,grid\n0,0,0\n13,0,0\n13,13,0\n0,13,0\n0,0,9\n";
  Layout grid;
  grid.x1 = 13;
  grid.y1 = 13;
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) {
      const double x = 1 + 4 * i, y = 1 + 4 * j;
      std::snprintf(line, sizeof line, "4\n%g,%g,0\n%g,%g,0\n%g,%g,0\n%g,%g,0\n", x, y, x + 3, y, x + 3, y + 3, x,
                    y + 3);
      text += line;
      grid.yards.push_back(Rect(x, y, x + 3, y + 3));
      grid.yardArea += 9;
    }
  Load(l, text);
  ASSERT_EQ(l.result, 0);
  {
    SCOPED_TRACE("row of four");
    ExpectBlock(MeshOf(l.At("Z0", "g", "row"), 0), row, 9.0);
  }
  {
    SCOPED_TRACE("grid of nine");
    ExpectBlock(MeshOf(l.At("Z0", "g", "grid"), 0), grid, 9.0);
  }
}

// One file as a site comes: a block with many courtyards (a row sharing
// walls, an L, a lone one), then pipes and piles, upright and raking, then a
// second block, at site coordinates. Every record gives its own closed,
// outward solid of the right volume, whatever came before it.
TEST(K3dCourtyardsTest, ShellsPipesAndPilesInOneFileAtSiteCoordinates) {
  const double x = -40000.0, y = 30000.0;
  char line[160];
  std::string text = "HEADER\n0,0\n";
  const auto point = [&](double px, double py, double pz) {
    std::snprintf(line, sizeof line, "%.4f,%.4f,%.4f\n", x + px, y + py, pz);
    text += line;
  };
  Layout block;
  block.x0 = x;
  block.y0 = y;
  block.x1 = x + 30;
  block.y1 = y + 20;
  const std::vector<Ring> yards = {Rect(2, 2, 6, 6),   Rect(6, 2, 10, 5),  Rect(10, 2, 13, 6), Rect(2, 9, 5, 12),
                                   Rect(16, 3, 20, 8), Rect(23, 12, 27, 16),
                                   {{16, 11, 0}, {21, 11, 0}, {21, 13, 0}, {18, 13, 0}, {18, 17, 0}, {16, 17, 0}}};
  std::snprintf(line, sizeof line, "SHELLV,Z0,0,g,1,1,1,0,4,%zu,1,block\n", yards.size());
  text += line;
  point(0, 0, 0);
  point(30, 0, 0);
  point(30, 20, 0);
  point(0, 20, 0);
  text += "0,0,9\n";
  for (const Ring& yard : yards) {
    text += std::to_string(yard.size()) + "\n";
    for (const GMVector& p : yard) point(p.x, p.y, 0);
    block.yards.push_back(Moved(Layout{0, 0, 0, 0, {yard}, 0, 0}, x, y).yards[0]);
    block.yardArea += Area(yard);
  }
  text += "PIPEV,Z0,0,g,1,1,1,0,16,2,pipes\n";
  point(35, 0, 0);
  point(35, 0, 6);
  text += "0.4\n0.5\n";
  point(35, 5, 1);
  point(38, 9, 1);  // raking, 5 long
  text += "0.15\n0.2\n";
  text += "PILEV,Z0,0,g,1,1,1,0,8,2,piles\n";
  point(40, 0, -12);
  point(40, 0, 0);
  text += "0.3\n";
  point(40, 5, 0);
  point(40, 8, -4);  // raking, 5 long
  text += "0.3\n";
  text += "SHELLV,Z0,0,g,1,1,1,0,4,2,1,annex\n";
  point(50, 0, 0);
  point(60, 0, 0);
  point(60, 10, 0);
  point(50, 10, 0);
  text += "0,0,3\n";
  for (const double ox : {51.0, 55.0}) {
    text += "4\n";
    point(ox, 1, 0);
    point(ox + 4, 1, 0);
    point(ox + 4, 5, 0);
    point(ox, 5, 0);
  }
  Layout annex;
  annex.x0 = x + 50;
  annex.y0 = y;
  annex.x1 = x + 60;
  annex.y1 = y + 10;
  annex.yards = {Moved(Layout{0, 0, 0, 0, {Rect(51, 1, 55, 5)}, 0, 0}, x, y).yards[0],
                 Moved(Layout{0, 0, 0, 0, {Rect(55, 1, 59, 5)}, 0, 0}, x, y).yards[0]};
  annex.yardArea = 32;

  Loaded l;
  Load(l, text);
  ASSERT_EQ(l.result, 0);
  {
    SCOPED_TRACE("block");
    ExpectBlock(MeshOf(l.At("Z0", "g", "block"), 0), block, 9.0);
  }
  {
    SCOPED_TRACE("annex");
    ExpectBlock(MeshOf(l.At("Z0", "g", "annex"), 0), annex, 3.0);
  }
  CInkNode* pipes = l.At("Z0", "g", "pipes");
  ASSERT_NE(pipes, nullptr);
  ASSERT_EQ(pipes->GetFigureCount(), 2);
  EXPECT_SOLID(MeshOf(pipes, 0), (k3dtest::RingArea(16, 0.5) - k3dtest::RingArea(16, 0.4)) * 6.0);
  EXPECT_SOLID(MeshOf(pipes, 1), (k3dtest::RingArea(16, 0.2) - k3dtest::RingArea(16, 0.15)) * 5.0);
  CInkNode* piles = l.At("Z0", "g", "piles");
  ASSERT_NE(piles, nullptr);
  ASSERT_EQ(piles->GetFigureCount(), 2);
  EXPECT_SOLID(MeshOf(piles, 0), k3dtest::RingArea(8, 0.3) * 12.0);
  EXPECT_SOLID(MeshOf(piles, 1), k3dtest::RingArea(8, 0.3) * 5.0);
}

}  // namespace
