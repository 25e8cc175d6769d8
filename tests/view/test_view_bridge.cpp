// Display trees, the handle table, the clean-up of invalid figures, picking
// and the selection highlight.
#include <cmath>

#include "tests/model/scene_samples.h"
#include "view_fixture.h"

namespace view_test {
namespace {

namespace cmd = korvex::cmd;

int AddPolygon(CInkNode& node, std::vector<GMVector> points) {
  InkPolyDescription description(points);
  return node.AddPolygonFigure(description.Get(), 0);
}

// Ten far planes are measured from the middle of the model, so a site in
// survey coordinates is cleaned exactly as the same site at the origin.
TEST_F(ViewTest, CleanUpKeepsTenFarPlanesFromTheModelAndRemovesElevenNanAndTooFewVertices) {
  ASSERT_TRUE(Start(false));
  for (const GMVector o : {GMVector{0, 0, 0}, GMVector{-40000, 30000, 0}}) {
    SCOPED_TRACE(o.x);
    Root()->ClearFigures();
    while (Root()->GetCount() > 0) Root()->RemoveAt(0);
    State().camera.farPlane = 3000.0;
    // The site: a ring of 400 vertices, 50 across, about o.
    auto* site = new CInkNode;
    site->Create(nullptr);
    Root()->AddChild(site);
    std::vector<GMVector> ring;
    for (int k = 0; k < 400; ++k)
      ring.push_back({o.x + 25.0 * std::cos(k * M_PI / 200), o.y + 25.0 * std::sin(k * M_PI / 200), 0});
    ASSERT_GE(AddPolygon(*site, ring), 0);
    auto* node = new CInkNode;
    node->Create(nullptr);
    Root()->AddChild(node);
    auto* child = new CInkNode;
    child->Create(nullptr);
    node->AddChild(child);
    auto at = [&](double x, double y) { return GMVector{o.x + x, o.y + y, 0}; };
    const double far10 = 10 * 3000.0;
    ASSERT_GE(AddPolygon(*node, {at(0, 0), at(far10, 0), at(0, -far10)}), 0);                // kept
    ASSERT_GE(AddPolygon(*node, {at(0, 0), at(1.1 * far10, 0), at(0, 1)}), 0);              // removed
    ASSERT_GE(AddPolygon(*node, {at(0, 0), at(1, 0), {0, std::nan(""), 0}}), 0);            // removed
    ASSERT_GE(AddPolygon(*node, {at(0, 0), at(1, 0), {0, 2e12, 0}}), 0);                    // removed
    ASSERT_GE(AddPolygon(*child, {at(0, 0), at(1, 0)}), 0);                                 // removed
    ASSERT_GE(AddPolygon(*child, {at(0, 0), at(1, 0), at(1, 1)}), 0);                       // kept
    const GMVector one[1] = {at(0, 0)};
    InkPolyDescription lonePoint(one);
    ASSERT_GE(child->AddPolylineFigure(lonePoint.Get(), 0), 0);                              // removed
    GMMesh noFaces;
    const GMVector corners[3] = {at(0, 0), at(1, 0), at(0, 1)};
    noFaces.SetVertices(corners);
    ASSERT_GE(child->AddMeshFigure(&noFaces, 0), 0);                                         // removed

    view->OnCommand(cmd::kRemoveInvalid);
    EXPECT_EQ(site->GetFigureCount(), 1);
    ASSERT_EQ(node->GetFigureCount(), 1);
    EXPECT_EQ(node->GetVertex(1)->position.x, o.x + far10);
    ASSERT_EQ(child->GetFigureCount(), 1);
    EXPECT_EQ(child->GetFigure(0)->kind, kInkFigurePolygon);
    EXPECT_EQ(view->Handles().Size(), 3u);  // and the trees were rebuilt
  }
}

// A model is its own measure: one spread over 200 km keeps its far corners
// whatever far plane the load left, and a stray vertex at 1e9 in a small
// model goes.
TEST_F(ViewTest, CleanUpMeasuresFromTheModelsOwnSpan) {
  ASSERT_TRUE(Start(false));
  State().camera.farPlane = 100.0;
  auto* wide = new CInkNode;
  wide->Create(nullptr);
  Root()->AddChild(wide);
  for (int k = 0; k < 300; ++k) {
    const double x = -100000.0 + 200000.0 * k / 299.0;
    ASSERT_GE(AddPolygon(*wide, {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}}), 0);
  }
  ASSERT_GE(AddPolygon(*wide, {{0, 0, 0}, {1, 0, 0}, {0, 1e9, 0}}), 0);
  view->OnCommand(cmd::kRemoveInvalid);
  EXPECT_EQ(wide->GetFigureCount(), 300);
}

// Stray corners spread through one node (an export of a district as one
// object): every figure holding one goes, with the instances that place it,
// and every other figure and instance stays, in its order.
TEST_F(ViewTest, CleanUpTakesEveryFigureWithAStrayCornerAndWhatPlacesIt) {
  ASSERT_TRUE(Start(false));
  State().camera.farPlane = 100.0;
  auto* node = new CInkNode;
  node->Create(nullptr);
  Root()->AddChild(node);
  int good = 0;
  // Few enough that the model's own span, measured without its outer
  // hundredth, is not widened by them.
  for (int k = 0; k < 400; ++k) {
    const double x = 3.0 * k;
    const bool stray = k % 80 == 5;
    ASSERT_GE(AddPolygon(*node, {{x, 0, 0}, {x + 1, 0, 0}, {x, stray ? 1e9 : 1.0, 0}}), 0);
    good += stray ? 0 : 1;
  }
  const InkFigure* strayOne = node->GetFigure(5);
  const InkFigure* goodOne = node->GetFigure(7);
  ASSERT_GE(scene_samples::AddInstance(*node, strayOne, {0, 50, 0}), 0);
  ASSERT_GE(scene_samples::AddInstance(*node, goodOne, {0, 60, 0}), 0);
  ASSERT_GE(scene_samples::AddInstance(*node, goodOne, {0, 1e9, 0}), 0);  // placed at a stray corner itself
  ASSERT_EQ(good, 395);

  view->OnCommand(cmd::kRemoveInvalid);
  ASSERT_EQ(node->GetFigureCount(), good + 1);
  double lastX = -1.0;
  for (int i = 0; i < good; ++i) {
    const InkFigure* figure = node->GetFigure(i);
    ASSERT_EQ(figure->kind, kInkFigurePolygon);
    const auto corners = InkGeometryVertices(figure->kind, figure->geometry);
    EXPECT_GT(corners[0]->position.x, lastX);
    EXPECT_EQ(corners[2]->position.y, 1.0);
    lastX = corners[0]->position.x;
  }
  const InkFigure* instance = node->GetFigure(good);
  ASSERT_EQ(instance->kind, kInkFigureInstance);
  EXPECT_EQ(static_cast<const InkInstanceRecord*>(instance->geometry)->figure, goodOne);
  EXPECT_EQ(node->GetVertexCount(), 3 * good + 1);
  for (int i = 0; i < node->GetVertexCount(); ++i) EXPECT_LT(node->GetVertex(i)->position.y, 100.0);
}

TEST_F(ViewTest, HiddenNodeGetsAnEmptyElementAndShowAllRebuildsOnlyIt) {
  ASSERT_TRUE(Start());
  CInkNode* box = Child("Box");
  CInkNode* lid = Child("Lid");
  box->SetShown(0);
  view->OnCommand(cmd::kRebuild);
  COGLDispTree* boxTree = view->Handles().Tree(*box);
  ASSERT_NE(boxTree, nullptr);
  EXPECT_EQ(boxTree->GetLists()->faceCount, 0);
  EXPECT_EQ(boxTree->GetLists()->name, view->Handles().HandleOf(*box));
  const unsigned lidFaces = view->Handles().Tree(*lid)->GetLists()->faceList.Id();
  ASSERT_NE(lidFaces, 0u);

  view->OnCommand(cmd::kShowAll);
  EXPECT_TRUE(box->IsShown());
  EXPECT_EQ(view->Handles().Tree(*box), boxTree);
  EXPECT_EQ(boxTree->GetLists()->faceCount, 2);
  EXPECT_EQ(view->Handles().Tree(*lid)->GetLists()->faceList.Id(), lidFaces);
}

// A site of many small nodes draws them from shared display lists; picking,
// the colour dialog and hiding work on each of them as on a node of its own.
TEST_F(ViewTest, ManySmallNodesShareListsAndStillPickRecolourAndHide) {
  ASSERT_TRUE(Start());
  for (int i = 0; i < 18; ++i)
    AddSquareNode(*Root(), ("House" + std::to_string(i)).c_str(), -40.0 + 5.0 * i, 40.0, 1.0);
  CInkNode* box = Child("Box");
  box->GetAttributeRecord()->colour = 0xFF0000FFu;
  view->OnCommand(cmd::kRebuild);
  // The plan view fits the houses in: the box shows about this window point.
  constexpr int kBoxX = 96, kBoxY = 82;
  COGLDispTree* boxTree = view->Handles().Tree(*box);
  ASSERT_NE(boxTree, nullptr);
  EXPECT_TRUE(boxTree->InSharedLists());
  EXPECT_TRUE(view->Handles().Tree(*Child("House3"))->InSharedLists());
  Rgb c = PixelAt(PaintPlan(), kBoxX, kBoxY);
  EXPECT_GT(c.r, c.g + 50);

  view->OnCommand(cmd::kModeSelect);
  view->OnLeftDown(kBoxX, kBoxY);
  view->OnLeftUp(kBoxX, kBoxY);
  EXPECT_EQ(view->Selection(), box);

  shell.colourAnswer = korvex::ColourDialogValues{0xFF00FF00u, 0, true, nullptr};
  view->OnCommand(cmd::kColourDialog);
  EXPECT_EQ(view->Handles().Tree(*box), boxTree);
  EXPECT_TRUE(boxTree->InSharedLists());
  c = PixelAt(PaintPlan(), kBoxX, kBoxY);
  EXPECT_GT(c.g, c.r + 50);

  shell.colourAnswer = korvex::ColourDialogValues{0xFF00FF00u, 0, false, nullptr};
  view->OnCommand(cmd::kColourDialog);
  EXPECT_EQ(boxTree->GetLists()->faceCount, 0);
  EXPECT_TRUE(IsWhite(PixelAt(PaintPlan(), kBoxX, kBoxY)));
}

TEST_F(ViewTest, HandlesNeverLeadToANodeTheTableDoesNotHold) {
  ASSERT_TRUE(Start());
  CInkNode* box = Child("Box");
  const int32_t old = view->Handles().HandleOf(*box);
  ASSERT_GT(old, 0);
  EXPECT_EQ(box->GetNodeId(), old);
  EXPECT_EQ(view->Handles().Node(-1), nullptr);
  view->Select(box);
  view->OnCommand(cmd::kRebuild);
  EXPECT_EQ(view->Handles().Node(old), nullptr);  // a name of the earlier trees
  EXPECT_EQ(view->Selection(), box);               // the selection follows its node

  // A node outside the scene that carries a live handle in its id word.
  CInkNode foreign;
  foreign.Create(nullptr);
  foreign.SetNodeId(view->Handles().HandleOf(*box));
  EXPECT_EQ(view->Handles().Tree(foreign), nullptr);
  EXPECT_EQ(view->Handles().HandleOf(foreign), 0);
}

TEST_F(ViewTest, PickSelectsTellsTheHostAndForgetsAHostThatIsGone) {
  launch.hostWindow = 5;
  launch.mainWindow = 77;
  ASSERT_TRUE(Start());
  PaintPlan();
  view->OnCommand(cmd::kModeSelect);
  // The box lies about x = 0, which the plan view draws at column 50.
  view->OnLeftDown(50, 50);
  view->OnLeftUp(50, 50);
  EXPECT_EQ(view->Selection(), Child("Box"));
  EXPECT_EQ(ui.LastStatus(), "Box を選択");
  EXPECT_EQ(ui.clipboard, "Box");
  ASSERT_EQ(ui.posts.size(), 1u);
  EXPECT_EQ(ui.posts[0], (std::pair<uint32_t, uint64_t>{korvex::kHostNodeSelected, 77}));

  view->OnLeftDown(100, 90);  // between the two squares
  view->OnLeftUp(100, 90);
  EXPECT_EQ(view->Selection(), nullptr);
  EXPECT_EQ(ui.LastStatus(), "選択出来ません");
  EXPECT_EQ(ui.clipboard, "");

  Child("Box")->SetLocked(1);
  ui.hostAnswers = false;
  view->OnLeftDown(50, 50);
  view->OnLeftUp(50, 50);
  EXPECT_EQ(view->Selection(), nullptr);
  EXPECT_EQ(launch.hostWindow, 0u);
  view->OnLeftDown(50, 50);
  view->OnLeftUp(50, 50);
  EXPECT_EQ(ui.posts.size(), 3u);  // no more posts once the host is forgotten
}

TEST_F(ViewTest, HighlightOutlinesTheSelectionInWindowPixelsExceptInRotateMode) {
  ASSERT_TRUE(Start());
  PaintPlan();
  view->Select(Child("Box"));
  view->Paint();
  EXPECT_TRUE(view->Overlay().highlight.empty());  // rotate mode

  view->OnCommand(cmd::kModeSelect);
  view->Paint();
  const std::vector<GMSegment>& segments = view->Overlay().highlight;
  ASSERT_EQ(segments.size(), 4u);
  const double s = 200.0 / 1.05 / 42.0;  // pixels per unit of the plan fit
  for (const GMSegment& segment : segments)
    for (const GMVector& p : {segment.start, segment.end}) {
      const double dx = std::min(std::fabs(p.x - (100 - 21 * s)), std::fabs(p.x - (100 - 1 * s)));
      const double dy = std::min(std::fabs(p.y - (50 - 10 * s)), std::fabs(p.y - (50 + 10 * s)));
      EXPECT_LT(dx, 0.5) << p.x;
      EXPECT_LT(dy, 0.5) << p.y;
    }

  view->OnCommand(cmd::kModeLight);
  view->Paint();
  EXPECT_TRUE(view->Overlay().lightMarks);
  EXPECT_EQ(view->Overlay().centreX, 100);
  EXPECT_EQ(view->Overlay().circleRadius, 50);
}

// A study drawn on its plane lands in the window where the engine puts the
// same world points, and goes and comes back with its check item.
TEST_F(ViewTest, StudyDrawingIsProjectedLikeTheModelAndCanBeHidden) {
  ASSERT_TRUE(Start());
  PaintPlan();
  EXPECT_FALSE(view->HasStudyDrawing());
  korvex::StudyDrawing drawing;
  drawing.lines.push_back({{{-10, -10, 0}, {10, -10, 0}, {10, 10, 0}}, 0xDC1E1E, 2.5, false});  // the Box
  drawing.labels.push_back({{10, 10, 0}, "2時間", 0xDC1E1E});
  view->SetStudyDrawing(drawing);
  view->Paint();
  const auto& study = view->Overlay().study;
  ASSERT_EQ(study.size(), 2u);
  const double s = 200.0 / 1.05 / 42.0;  // pixels per unit of the plan fit
  EXPECT_NEAR(study[0].window.start.x, 100 - 21 * s, 0.5);
  EXPECT_NEAR(study[0].window.start.y, 50 + 10 * s, 0.5);
  EXPECT_NEAR(study[1].window.end.x, 100 - 1 * s, 0.5);
  EXPECT_NEAR(study[1].window.end.y, 50 - 10 * s, 0.5);
  EXPECT_EQ(study[0].rgb, 0xDC1E1Eu);
  ASSERT_EQ(view->Overlay().studyLabels.size(), 1u);
  EXPECT_NEAR(view->Overlay().studyLabels[0].x, 100 - 1 * s, 0.5);
  EXPECT_EQ(view->Overlay().studyLabels[0].text, "2時間");

  view->ShowStudyDrawing(false);
  view->Paint();
  EXPECT_TRUE(view->Overlay().study.empty());
  EXPECT_TRUE(view->Overlay().studyLabels.empty());
  view->ShowStudyDrawing(true);
  view->Paint();
  EXPECT_EQ(view->Overlay().study.size(), 2u);
}

TEST_F(ViewTest, HighlightIsClippedAtTheNearPlane) {
  ASSERT_TRUE(Start());
  view->Paint();  // the fit of the first paint
  view->OnCommand(cmd::kModeSelect);
  view->OnCommand(cmd::kParallel);  // perspective
  view->Select(Child("Box"));
  // The eye stands inside the square above its centre line, looking along
  // +y: the far edge lies wholly behind the near plane, the two side edges
  // cross it and the front edge lies in front.
  State().camera.eye = {0, 0, 1};
  State().camera.target = {0, 20, 1};
  State().camera.up = {0, 0, 1};
  State().zoom = 1.0;
  view->Paint();
  const std::vector<GMSegment>& segments = view->Overlay().highlight;
  ASSERT_EQ(segments.size(), 3u);
  for (const GMSegment& segment : segments)
    for (const GMVector& p : {segment.start, segment.end}) {
      EXPECT_GT(p.y, 50.0);  // below the horizon, as the square is below the eye
      EXPECT_TRUE(std::isfinite(p.x));
    }
}

}  // namespace
}  // namespace view_test
