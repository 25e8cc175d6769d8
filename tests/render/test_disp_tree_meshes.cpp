// Meshes handed to the display tree as they are must draw exactly what their
// faces and edges give as polygon and segment records: the same pixels, the
// same triangle and segment counts, opaque or transparent.
#include <vector>

#include "geometry/gm_polygon_measure.h"
#include "render_fixture.h"

namespace render_test {
namespace {

using MeshTreeTest = RenderTest;

// A bent strip of faces seen from the camera at different angles to the
// light: a quad, a concave pentagon, triangles, a face reduced to two
// vertices by an index out of range and one with no area; some edges point
// outside the vertex table.
GMMeshPtr BentStrip() {
  const std::vector<GMVector> points = {{-30, -20, 0}, {-10, -20, 5}, {-10, 20, 5}, {-30, 20, 0}, {10, -20, -5},
                                        {10, 20, -5},  {30, 0, 0},    {0, 0, 10},   {20, 10, 0},  {20, 10, 0}};
  const std::vector<GMMeshEdge> edges = {{0, 1, -1}, {1, 2, -1}, {2, 3, 4}, {3, 99, -1}, {4, 5, -1}, {6, 5, -1}};
  const std::vector<std::vector<int32_t>> faces = {
      {0, 1, 2, 3}, {1, 4, 7, 5, 2}, {4, 6, 5}, {5, 6, 8}, {6, 42, 8}, {8, 9, 6}, {7, 7, 7}};
  return GMNewMesh(points, edges, faces);
}

// The faces and edges as the view builds them for a figure of another kind.
struct Records {
  std::vector<GMPolygon> polygons;
  std::vector<GMVector> normals;
  std::vector<GMSegment> outlines;
  explicit Records(const GMMesh& mesh) {
    for (const GMMeshFace& f : mesh.Faces()) {
      GMPolygon& p = polygons.emplace_back();
      for (const int32_t i : f.Indices())
        if (i >= 0 && i < mesh.vertexCount) p.points.push_back(mesh.Position(i));
      normals.push_back(p.Count() < 3 ? GMUndefinedVector() : GMPolygonNormal(p, 1e-7));
    }
    for (const GMMeshEdge& e : mesh.Edges())
      if (e.first >= 0 && e.first < mesh.vertexCount && e.second >= 0 && e.second < mesh.vertexCount)
        outlines.push_back({mesh.Position(e.first), mesh.Position(e.second)});
  }
};

TEST_F(MeshTreeTest, AMeshDrawsExactlyWhatItsFaceAndEdgeRecordsDraw) {
  const GMMeshPtr mesh = BentStrip();
  const Records records(*mesh);
  const GMMesh* meshes[] = {mesh.get(), mesh.get()};  // twice: the second lies on the first
  const Records* twice[] = {&records, &records};
  for (const uint32_t colour : {Color(200, 120, 40), Color(40, 160, 220, 128)}) {
    auto direct = MakeEngine(96, 96), viaRecords = MakeEngine(96, 96);
    ASSERT_TRUE(direct && viaRecords);
    for (CStereon* engine : {direct.get(), viaRecords.get()}) {
      engine->SetCamera({-20.0, -60.0, 70.0}, {0.0, 0.0, 0.0}, {0.0, 0.0, 1.0});
      engine->SetLightDirection(0.4, -0.3, 0.8);
    }
    OGLDispElement a;
    a.name = 1;
    a.color = colour;
    a.meshes = meshes;
    const COGLDispTree* nodeA = AddNode(*direct, a);

    std::vector<GMPolygon> polygons;
    std::vector<GMVector> normals;
    std::vector<GMSegment> outlines;
    for (const Records* r : twice) {
      polygons.insert(polygons.end(), r->polygons.begin(), r->polygons.end());
      normals.insert(normals.end(), r->normals.begin(), r->normals.end());
      outlines.insert(outlines.end(), r->outlines.begin(), r->outlines.end());
    }
    OGLDispElement b;
    b.name = 1;
    b.color = colour;
    b.polygons = polygons;
    b.normals = normals;
    b.outlines = outlines;
    const COGLDispTree* nodeB = AddNode(*viaRecords, b);

    ASSERT_TRUE(nodeA->GetLists() && nodeB->GetLists());
    EXPECT_EQ(nodeA->GetLists()->faceCount, nodeB->GetLists()->faceCount);
    EXPECT_EQ(nodeA->GetLists()->lineCount, nodeB->GetLists()->lineCount);
    EXPECT_GT(nodeA->GetLists()->faceCount, 8);
    EXPECT_EQ(nodeA->GetLists()->lineCount, 10);
    for (const int flags : {frame::kViewDefault, frame::kViewDefault | 0x40}) {
      const StereonImage pa = Draw(*direct, flags), pb = Draw(*viaRecords, flags);
      ASSERT_EQ(pa.pixels.size(), pb.pixels.size());
      int drawn = 0;
      for (size_t i = 0; i < pa.pixels.size(); i += 4) drawn += pa.pixels[i] != 255 || pa.pixels[i + 2] != 255;
      EXPECT_GT(drawn, 500) << "the strip is not in the picture";
      if (pa.pixels != pb.pixels) {
        SavePicture(pa, CurrentTestName() + "_mesh");
        SavePicture(pb, CurrentTestName() + "_records");
        ADD_FAILURE() << "the pictures differ for colour " << std::hex << colour << " and flags " << flags;
      }
    }
  }
}

TEST_F(MeshTreeTest, AMeshWithNothingToDrawMakesNoLists) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  const GMMeshPtr mesh = GMNewMesh(std::vector<GMVector>{{0, 0, 0}, {1, 1, 1}}, std::vector<GMMeshEdge>{{0, 5, -1}},
                                   std::vector<std::vector<int32_t>>{{0, 1, 7}});
  const GMMesh* meshes[] = {mesh.get()};
  OGLDispElement element;
  element.name = 3;
  element.color = Color(10, 20, 30);
  element.meshes = meshes;
  const COGLDispTree* node = AddNode(*engine, element);
  ASSERT_TRUE(node->GetLists());
  EXPECT_EQ(node->GetLists()->faceList.Id(), 0u);
  EXPECT_EQ(node->GetLists()->outlineList.Id(), 0u);
  EXPECT_EQ(node->CountPickable(), 0);
}

}  // namespace
}  // namespace render_test
