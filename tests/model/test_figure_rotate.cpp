// Turning finished figures in place.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "geometry/gm_mesh_build.h"
#include "model/FigureRotate.h"
#include "model/InkNode.h"

namespace {

void ExpectAt(const InkVertex* v, const GMVector& want) {
  EXPECT_NEAR(v->position.x, want.x, 1e-12);
  EXPECT_NEAR(v->position.y, want.y, 1e-12);
  EXPECT_NEAR(v->position.z, want.z, 1e-12);
}

}  // namespace

TEST(RotateFigure, TurnsEveryVertexOfAMeshAboutTheAxisThroughTheCentre) {
  CInkNode node;
  node.Create(nullptr);
  const GMPolygon square{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}};
  const GMMeshPtr pile = ExtrudePolygon(square, {0, 0, 2});
  InkFigure* figure = node.GetFigure(node.AddMeshFigure(pile.get(), 0));
  ASSERT_TRUE(figure);
  const auto* mesh = static_cast<const GMMesh*>(figure->geometry);

  // A quarter turn about the x axis through (0, 0, 0) lays the pile along -y.
  RotateFigure(figure, {0, 0, 0}, {1, 0, 0}, std::numbers::pi / 2);
  for (int v = 0; v < mesh->vertexCount; ++v) {
    const GMVector& before = pile->Position(v);
    ExpectAt(mesh->vertices[v], {before.x, -before.z, before.y});
  }
  // The node's own vertex list sees the same records.
  EXPECT_EQ(node.GetVertex(0), mesh->vertices[0]);

  // Back again about the same line through another centre on it.
  RotateFigure(figure, {5, 0, 0}, {1, 0, 0}, -std::numbers::pi / 2);
  for (int v = 0; v < mesh->vertexCount; ++v) ExpectAt(mesh->vertices[v], pile->Position(v));
}

TEST(RotateFigure, PointsPolygonsAndNothing) {
  CInkNode node;
  node.Create(nullptr);
  InkVertex base{{2, 0, 0}};
  InkPointRecord point{&base};
  InkFigure* p = node.GetFigure(node.AddPointFigure(&point, 0));
  RotateFigure(p, {1, 0, 0}, {0, 0, 1}, std::numbers::pi);
  ExpectAt(static_cast<InkPointRecord*>(p->geometry)->vertex, {0, 0, 0});

  const std::vector<GMVector> ring = {{1, 0, 0}, {2, 0, 0}, {2, 1, 0}};
  const InkPolyDescription description(ring);
  InkFigure* polygon = node.GetFigure(node.AddPolygonFigure(description.Get(), 0));
  RotateFigure(polygon, {0, 0, 0}, {0, 0, 2}, std::numbers::pi / 2);  // the axis need not be unit length
  const auto* record = static_cast<InkPolyRecord*>(polygon->geometry);
  ExpectAt(record->vertices[0], {0, 1, 0});
  ExpectAt(record->vertices[2], {-1, 2, 0});

  RotateFigure(nullptr, {0, 0, 0}, {0, 0, 1}, 1.0);
  RotateFigure(polygon, {0, 0, 0}, {0, 0, 0}, 1.0);  // no axis: nothing moves
  ExpectAt(record->vertices[2], {-1, 2, 0});
}
