// Section planes kept by the view: added at a height, along a line on the
// plan or through a face; switched off and on without being lost; handed to
// the engine for the picture and respected when a face is picked.
#include "view_fixture.h"

namespace view_test {
namespace {

// A closed 10 × 10 × 10 box on the ground, coloured (0.8, 0.2, 0.2).
constexpr const char* kBoxK3d =
    "HEADER\n0,0\nSOLIDV,Z0,0,G,0.8,0.2,0.2,0,4,1,Box\n0,0,0\n10,0,0\n10,10,0\n0,10,0\n0,0,10\n";

class SectionViewTest : public ViewTest {
 protected:
  bool StartWithBox() {
    launch.modelPath = scratch->Write("box.k3d", kBoxK3d);
    return Start(false);
  }
  Rgb Middle() {
    view->Paint();
    return PixelAt(window->Read(), 100, 50);
  }
};

::testing::AssertionResult SamePlane(const GMPlane& got, const GMPlane& want) {
  const double e = 1e-9;
  if (std::fabs(got.nx - want.nx) < e && std::fabs(got.ny - want.ny) < e && std::fabs(got.nz - want.nz) < e &&
      std::fabs(got.d - want.d) < e)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << got.nx << ", " << got.ny << ", " << got.nz << ", " << got.d << ")";
}

TEST_F(SectionViewTest, PlanesAreAddedMovedSwitchedOffAndRefusedWhenBad) {
  ASSERT_TRUE(StartWithBox());
  ASSERT_TRUE(view->AddHorizontalSection(5.0));
  EXPECT_TRUE(SamePlane(view->Sections()[0], {0, 0, 1, -5}));
  // Along the line from (0, 2) to (4, 2) on the plan: north of it stays.
  ASSERT_TRUE(view->AddVerticalSection({0, 2, 0}, {4, 2, 0}));
  EXPECT_TRUE(SamePlane(view->Sections()[1], {0, -1, 0, 2}));
  EXPECT_TRUE(view->KeptBySections({3, 3, 1}));
  EXPECT_FALSE(view->KeptBySections({3, 1, 1}));  // south of the line
  EXPECT_FALSE(view->KeptBySections({3, 3, 6}));  // above the height

  EXPECT_FALSE(view->AddSection({0, 0, 0, 1})) << "a plane without a normal";
  EXPECT_FALSE(view->AddVerticalSection({1, 1, 0}, {1, 1, 9})) << "a line that is a point on the plan";
  ASSERT_TRUE(view->AddSection({1, 1, 0, -30}));
  EXPECT_FALSE(view->AddHorizontalSection(1.0)) << "a fourth plane";
  ASSERT_EQ(view->Sections().size(), 3u);
  EXPECT_EQ(view->Engine()->SectionPlanes().size(), 3u);

  // The check item: off cuts nothing and keeps the planes.
  view->ShowSections(false);
  EXPECT_EQ(view->Engine()->SectionPlanes().size(), 0u);
  EXPECT_EQ(view->Sections().size(), 3u);
  EXPECT_TRUE(view->KeptBySections({3, 1, 6}));
  view->ShowSections(true);
  EXPECT_EQ(view->Engine()->SectionPlanes().size(), 3u);

  ASSERT_TRUE(view->MoveSection(0, 2.0));
  EXPECT_TRUE(SamePlane(view->Sections()[0], {0, 0, 1, -7})) << "moved up: less is removed";
  EXPECT_FALSE(view->MoveSection(3, 1.0));
  view->RemoveSection(1);
  ASSERT_EQ(view->Sections().size(), 2u);
  EXPECT_TRUE(SamePlane(view->Engine()->SectionPlanes()[1],
                        {1 / std::sqrt(2.0), 1 / std::sqrt(2.0), 0, -30 / std::sqrt(2.0)}));
}

TEST_F(SectionViewTest, PictureAndFacePickingLeaveOutWhatTheSectionRemoved) {
  ASSERT_TRUE(StartWithBox());
  const Rgb top = PixelAt(PaintPlan(), 100, 50);
  ASSERT_GT(top.r, top.g + 50) << "the box shows in the middle of the plan";

  // Cut halfway down, the box shows its fill, lit as its top was.
  ASSERT_TRUE(view->AddHorizontalSection(5.0));
  const Rgb cut = Middle();
  EXPECT_NEAR(cut.r, top.r, 4);
  EXPECT_NEAR(cut.g, top.g, 4);

  // A face picked through the cut is the floor, not the removed top.
  ASSERT_TRUE(view->AddSectionThroughFace(100, 50));
  ASSERT_EQ(view->Sections().size(), 2u);
  EXPECT_TRUE(SamePlane(view->Sections()[1], {0, 0, 1, 0}));

  // Below the ground nothing is left; switched off, the box is back whole.
  view->RemoveSection(1);
  ASSERT_TRUE(view->MoveSection(0, -6.0));
  EXPECT_TRUE(IsWhite(Middle()));
  EXPECT_FALSE(view->AddSectionThroughFace(100, 50)) << "nothing left to pick";
  view->ShowSections(false);
  const Rgb whole = Middle();
  EXPECT_NEAR(whole.r, top.r, 4);
}

int CountDark(const StereonImage& image) {
  int count = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const Rgb p = PixelAt(image, x, y);
      if (p.r < 40 && p.g < 40 && p.b < 40) ++count;
    }
  return count;
}

TEST_F(SectionViewTest, TheCutIsOutlinedWhereThePlaneMeetsTheFaces) {
  ASSERT_TRUE(StartWithBox());
  State().displayFlags &= ~frame::kOutlines;  // the box's own edges would be dark too
  ASSERT_EQ(CountDark(PaintPlan()), 0);
  ASSERT_TRUE(view->AddHorizontalSection(5.0));
  // The four sides of the box, each cut once at the height.
  const auto outline = view->Engine()->SectionOutline(0);
  const size_t lines = outline.size();
  ASSERT_GE(lines, 4u);
  for (const GMSegment& s : outline) {
    EXPECT_DOUBLE_EQ(s.start.z, 5.0);
    EXPECT_DOUBLE_EQ(s.end.z, 5.0);
  }
  view->Paint();
  EXPECT_GT(CountDark(window->Read()), 40);
  // Off, the lines go with the fill; on again, they come back.
  view->ShowSections(false);
  EXPECT_TRUE(view->Engine()->SectionOutline(0).empty());
  view->ShowSections(true);
  EXPECT_EQ(view->Engine()->SectionOutline(0).size(), lines);
}

TEST_F(SectionViewTest, DraggingMovesTheChosenPlaneAndTheCheckItemKeepsThePlanes) {
  ASSERT_TRUE(StartWithBox());
  PaintPlan();
  EXPECT_FALSE(view->GetCommandState(korvex::cmd::kModeSectionMove).enabled) << "no plane to move";
  ASSERT_TRUE(view->AddHorizontalSection(5.0));
  ASSERT_TRUE(view->AddVerticalSection({0, 5, 0}, {10, 5, 0}));  // keeps the north half
  EXPECT_EQ(view->ChosenSection(), 1);

  view->OnCommand(korvex::cmd::kModeSectionMove);
  ASSERT_EQ(State().mouseMode, korvex::MouseMode::SectionMove);
  // In the plan the upright plane's normal points down the screen: dragging
  // down moves it south, and more of the box is kept.
  view->OnLeftDown(100, 50);
  view->OnMouseMove(100, 60);
  view->OnLeftUp(100, 60);
  const double south = view->Sections()[1].d;
  EXPECT_LT(south, 4.9);
  EXPECT_GT(south, 0.0);
  EXPECT_TRUE(view->KeptBySections({5, 4.95, 1}));
  EXPECT_NEAR(view->Sections()[0].d, -5.0, 1e-12) << "the other plane stays";

  // The floor cut is seen face on: dragging up lifts it.
  view->ChooseSection(0);
  view->OnLeftDown(100, 50);
  view->OnMouseMove(100, 40);
  view->OnLeftUp(100, 40);
  EXPECT_LT(view->Sections()[0].d, -5.1);
  EXPECT_NEAR(view->Sections()[1].d, south, 1e-12);

  // The check item switches the cut off and on; the planes stay.
  EXPECT_TRUE(view->GetCommandState(korvex::cmd::kShowSections).checked);
  view->OnCommand(korvex::cmd::kShowSections);
  EXPECT_FALSE(view->GetCommandState(korvex::cmd::kShowSections).checked);
  EXPECT_TRUE(view->Engine()->SectionPlanes().empty());
  view->OnCommand(korvex::cmd::kShowSections);
  EXPECT_EQ(view->Engine()->SectionPlanes().size(), 2u);

  // Without planes the mouse has nothing to move and selects again.
  view->RemoveSection(1);
  view->RemoveSection(0);
  EXPECT_EQ(State().mouseMode, korvex::MouseMode::Select);
}

TEST(SectionText, TypedPlanesReadBackAsTheyWereWritten) {
  const GMPlane planes[] = {{0, 0, 1, -5}, {1, 0, 0, 2.5}, {0, 1, 0, 0}, {1, 2, 3, 4}, {0.1, -0.7, 0, 1e-9}};
  for (const GMPlane& p : planes) {
    const std::string text = korvex::SectionText(p);
    GMPlane back;
    ASSERT_EQ(korvex::ParseSectionText(text, back), std::nullopt) << text;
    EXPECT_EQ(back, p) << text;
  }
  EXPECT_EQ(korvex::SectionText({0, 0, 1, -5}), "z=5");
  EXPECT_EQ(korvex::SectionText({1, 0, 0, 2.5}), "x=-2.5");
  GMPlane plane;
  for (const char* bad : {"", "z=", "z=1e400", "z=5 ", "q=1", "1,2,3", "1,2,3,4,", "a,b,c,d", "0,0,0,7"}) {
    SCOPED_TRACE(bad);
    EXPECT_NE(korvex::ParseSectionText(bad, plane), std::nullopt);
  }
}

TEST(SectionClip, CastersAreCutToWhatTheSectionKeeps) {
  GMPolygon wall;
  wall.points = {{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 0, 10}};
  const GMPlane planes[2] = {{0, 0, 1, -4}, {1, 0, 0, -6}};  // below 4, west of 6
  korvex::ClipToSections(wall, planes);
  ASSERT_EQ(wall.Count(), 4);
  GMBox box{wall.points[0].x, wall.points[0].y, wall.points[0].z, wall.points[0].x, wall.points[0].y, wall.points[0].z};
  for (const GMVector& p : wall.points) box.Extend(p);
  EXPECT_DOUBLE_EQ(box.maxX, 6.0);
  EXPECT_DOUBLE_EQ(box.maxZ, 4.0);
  EXPECT_DOUBLE_EQ(box.minX, 0.0);
  // A ring wholly removed is left empty, not as a sliver.
  const GMPlane below[1] = {{0, 0, 1, 1}};
  korvex::ClipToSections(wall, below);
  EXPECT_EQ(wall.Count(), 0);
}

}  // namespace
}  // namespace view_test
