// A picture drawn once (a batch render) draws the scene straight instead of
// through display lists; it must be the very picture the lists give, for
// every kind of figure and every layer of the frame.

#include "geometry/gm_mesh.h"
#include "model/InkFigAdmin.h"
#include "render/OGLDispTree.h"
#include "view_fixture.h"

namespace view_test {
namespace {

namespace cmd = korvex::cmd;
namespace fs = std::filesystem;

// "Box" textured green, "Lid" half transparent, two billboards beside them.
constexpr const char* kModelTxi =
    "%green.bmp\r\n0 0\r\n"
    "%roof.bmp\r\n2 3\r\n"
    "KATEGORIE 1\r\n"
    "Box\r\n1 255 255 255 255\r\n"
    "Lid\r\n2 40 90 200 128\r\n";
constexpr const char* kModelBil = "ADD -14 6 0 4 9 tree\nADD 16 -9 0 3 6 tree\n";

GMMeshPtr BoxMesh(double x0, double y0, double side, double height) {
  const double x1 = x0 + side, y1 = y0 + side;
  const std::vector<GMVector> points = {{x0, y0, 0},      {x1, y0, 0},      {x1, y1, 0},      {x0, y1, 0},
                                        {x0, y0, height}, {x1, y0, height}, {x1, y1, height}, {x0, y1, height}};
  const std::vector<GMMeshEdge> edges = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                         {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
  const std::vector<std::vector<int32_t>> faces = {{3, 2, 1, 0}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                                   {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
  return GMNewMesh(points, edges, faces);
}

CInkNode* AddNode(CInkNode& parent, const char* name, uint32_t colour) {
  auto* node = new CInkNode();
  InkAttributes attributes;
  attributes.colour = colour;
  node->Create(&attributes);
  node->SetName(name);
  parent.AddChild(node);
  return node;
}

class StraightViewTest : public ProgramFolderViewTest {
 protected:
  void SetUp() override {
    ProgramFolderViewTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    auto checker = [](int x, int y) { return ((x + y) & 1) != 0 ? Rgb{0, 200, 0} : Rgb{250, 250, 40}; };
    WriteBmp(program / "Texture" / "green.bmp", 8, 8, checker);
    WriteBmp(program / "Texture" / "roof.bmp", 8, 4, [](int, int) { return Rgb{200, 0, 0}; });
    WriteBmp(program / "BillboardTex" / "tree.bmp", 4, 4, [](int x, int) { return Rgb{0, 0, 60 * x}; });
    scratch->Write("model.txi", kModelTxi);
    scratch->Write("model.bil", kModelBil);
  }

  // The site in a view drawing straight or through lists: the plug-in's
  // squares, a closed mesh box (a solid the section fills), a line, a row
  // of twenty small boxes sharing their parent's lists, the Lid selected
  // (highlighted), a section plane through the boxes and the sun's shadows.
  // The picture at 240 × 160 in perspective from the south-west.
  StereonImage Picture(bool straight) {
    launch.drawStraight = straight;
    window = TestWindow::Create(240, 160);
    if (!window) return {};
    launch.modelPath = scratch->Write("model.ink", "");
    view = std::make_unique<CStereonView>(ui, launch, &shell, companions);
    if (!view->Create(window.get())) return {};
    meshes.clear();
    meshes.push_back(BoxMesh(-8.0, -18.0, 8.0, 12.0));
    AddNode(*Root(), "Tower", 0xFF3070C0u)->AddMeshFigure(meshes.back().get(), 0);
    const GMVector path[3] = {{-20, -20, 0.5}, {20, -15, 3}, {25, 15, 6}};
    InkPolyDescription line(path);
    AddNode(*Root(), "Path", 0xFF0000E0u)->AddPolylineFigure(line.Get(), 0);
    CInkNode* row = AddNode(*Root(), "Row", 0xFF808080u);
    for (int i = 0; i < 20; ++i) {
      meshes.push_back(BoxMesh(-20.0 + 2.0 * i, 12.0, 1.5, 1.0 + 0.5 * (i % 5)));
      AddNode(*row, "House", 0xFF000000u + static_cast<uint32_t>(i * 10) + (0x60u << 8) + (0x20u << 16))
          ->AddMeshFigure(meshes.back().get(), 0);
    }
    view->RebuildAll();
    view->Select(Child("Lid"));
    State().displayFlags |= frame::kLines | frame::kOutlines;
    State().displayFlags &= ~frame::kParallel;
    State().camera.eye = {-45.0, -60.0, 40.0};
    State().camera.target = {0.0, 0.0, 0.0};
    State().camera.up = {0.0, 0.0, 1.0};
    const GMPlane cut{0.0, 0.0, 1.0, -4.0};  // keeps z <= 4
    EXPECT_TRUE(view->SetSections(std::span(&cut, 1)));
    State().lightPosition = {-0.4, -0.6, 0.5};  // the tower's shadow falls on the Box
    view->OnCommand(cmd::kMakeShadows);
    EXPECT_TRUE(State().displayFlags & frame::kShadows);
    EXPECT_EQ(view->Engine()->GetTextureCount(), 2);
    EXPECT_EQ(view->Engine()->GetBillboardCount(), 2);
    StereonImage picture;
    EXPECT_TRUE(view->RenderToBitmap(240, 160, State().displayFlags, picture));
    treeLists = view->Engine()->GetDispTree()->CountLists();
    view.reset();
    window.reset();
    return picture;
  }

  std::vector<GMMeshPtr> meshes;
  int treeLists = -1;  // display lists of the last picture's tree
};

TEST_F(StraightViewTest, StraightDrawingGivesTheListsPictureToThePixel) {
  const StereonImage listed = Picture(false);
  EXPECT_GT(treeLists, 0);
  const StereonImage straight = Picture(true);
  EXPECT_EQ(treeLists, 0);
  ASSERT_EQ(listed.width, 240);
  ASSERT_EQ(straight.width, 240);
  ASSERT_EQ(listed.pixels.size(), straight.pixels.size());
  // The scene is really there: many colours, not a blank picture.
  size_t nonWhite = 0;
  for (size_t i = 0; i + 3 < listed.pixels.size(); i += 4)
    nonWhite += listed.pixels[i] < 240 || listed.pixels[i + 1] < 240 || listed.pixels[i + 2] < 240;
  EXPECT_GT(nonWhite, listed.pixels.size() / 4 / 5);
  size_t differing = 0;
  for (size_t i = 0; i < listed.pixels.size(); ++i) differing += listed.pixels[i] != straight.pixels[i];
  EXPECT_EQ(differing, 0u);
}

}  // namespace
}  // namespace view_test
