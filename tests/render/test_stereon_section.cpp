// Sections: the model cut open by planes, the cuts of closed solids filled
// in the solid's lit colour. Each cut picture is compared with the picture
// of what the cut should leave, built whole.
#include <algorithm>

#include "render_fixture.h"

namespace render_test {
namespace {

// The six faces of an axis-aligned box, counter-clockwise seen from
// outside; `withTop` false leaves the box open at the top.
std::vector<GMPolygon> Box(GMVector lo, GMVector hi, bool withTop = true) {
  auto quad = [](GMVector a, GMVector b, GMVector c, GMVector d) {
    GMPolygon p;
    p.points = {a, b, c, d};
    return p;
  };
  const double x0 = lo.x, y0 = lo.y, z0 = lo.z, x1 = hi.x, y1 = hi.y, z1 = hi.z;
  std::vector<GMPolygon> faces = {
      quad({x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}),  // bottom
      quad({x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}),  // south
      quad({x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}),  // east
      quad({x1, y1, z0}, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}),  // north
      quad({x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}),  // west
  };
  if (withTop) faces.push_back(quad({x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}));
  return faces;
}

// A square building round a square courtyard, closed: outer half-size
// `outer`, courtyard half-size `inner`, from z0 to z1. The flat top and
// bottom are rings, each given as four trapezoids.
std::vector<GMPolygon> Courtyard(double outer, double inner, double z0, double z1) {
  std::vector<GMPolygon> faces;
  const double o = outer, i = inner;
  const GMVector outerRing[4] = {{-o, -o, 0}, {o, -o, 0}, {o, o, 0}, {-o, o, 0}};
  const GMVector innerRing[4] = {{-i, -i, 0}, {i, -i, 0}, {i, i, 0}, {-i, i, 0}};
  auto at = [](GMVector p, double z) { return GMVector{p.x, p.y, z}; };
  for (int k = 0; k < 4; ++k) {
    const int n = (k + 1) % 4;
    GMPolygon top, bottom, outside, inside;
    top.points = {at(outerRing[k], z1), at(outerRing[n], z1), at(innerRing[n], z1), at(innerRing[k], z1)};
    bottom.points = {at(outerRing[k], z0), at(innerRing[k], z0), at(innerRing[n], z0), at(outerRing[n], z0)};
    outside.points = {at(outerRing[k], z0), at(outerRing[n], z0), at(outerRing[n], z1), at(outerRing[k], z1)};
    inside.points = {at(innerRing[n], z0), at(innerRing[k], z0), at(innerRing[k], z1), at(innerRing[n], z1)};
    for (GMPolygon* p : {&top, &bottom, &outside, &inside}) faces.push_back(*p);
  }
  return faces;
}

const uint32_t kRed = Color(200, 40, 40);
const uint32_t kBlueRoof = Color(30, 30, 220);
const uint32_t kGreen = Color(40, 180, 40);

class SectionTest : public RenderTest {
 protected:
  static constexpr int kSize = 96;

  std::unique_ptr<CStereon> Engine(GMVector eye, GMVector target) {
    auto engine = MakeEngine(kSize, kSize);
    if (!engine) return nullptr;
    engine->SetBackColor(Color(255, 255, 255));
    engine->SetCamera(eye, target, {0.0, 0.0, 1.0});
    engine->SetLightDirection(0.3, -0.5, 1.0);
    return engine;
  }

  // A red solid cut by the plane, and beside it the uncut red faces the cut
  // must look like, both drawn from the same camera, within the depth range
  // [nearPlane, farPlane] when one is given.
  struct CutAndReference {
    StereonImage cut, want;
  };
  CutAndReference DrawCut(GMVector eye, GMVector target, const std::vector<GMPolygon>& solid, const GMPlane& plane,
                          const std::vector<GMPolygon>& expected, int flags = frame::kViewDefault,
                          double nearPlane = 0.0, double farPlane = 0.0) {
    auto draw = [&](const std::vector<GMPolygon>& faces, const GMPlane* section) {
      auto engine = Engine(eye, target);
      if (!engine) {
        ADD_FAILURE() << "no engine";
        return StereonImage{};
      }
      if (farPlane > 0.0) engine->SetPlanes(nearPlane, farPlane, 0.0);
      Add(*engine, faces, kRed, 1);
      if (section) {
        EXPECT_TRUE(engine->SetSectionPlanes({section, 1}));
      }
      return Draw(*engine, flags);
    };
    return {draw(solid, &plane), draw(expected, nullptr)};
  }

  // Adds the faces as one node; the faces are kept alive by the test.
  void Add(CStereon& engine, const std::vector<GMPolygon>& faces, uint32_t color, int name,
           GMVector shift = {}) {
    OGLDispElement element;
    element.name = name;
    element.color = color;
    element.shift = shift;
    element.polygons = faces;
    AddNode(engine, element);
  }

  // The share of pixels that differ from the reference by more than `tol`
  // in some channel; the pictures are saved when it is above `most`.
  static double Differing(const StereonImage& got, const StereonImage& want, double most, int tol = 6) {
    int differing = 0;
    for (int y = 0; y < got.height; ++y)
      for (int x = 0; x < got.width; ++x) {
        const Rgb a = PixelAt(got, x, y);
        const Rgb b = PixelAt(want, x, y);
        if (std::abs(a.r - b.r) > tol || std::abs(a.g - b.g) > tol || std::abs(a.b - b.b) > tol) ++differing;
      }
    const double share = static_cast<double>(differing) / (got.width * got.height);
    if (share > most) {
      SavePicture(got, CurrentTestName() + "_cut");
      SavePicture(want, CurrentTestName() + "_expected");
    }
    return share;
  }

  static int CountBluish(const StereonImage& image) {
    int count = 0;
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) {
        const Rgb p = PixelAt(image, x, y);
        if (p.b > p.r + 40 && p.b > p.g + 40) ++count;
      }
    return count;
  }
};

// Edge pixels of a face cut by a plane and of a face built there may round
// differently; anything more is a fault.
constexpr double kEdgeShare = 0.02;

TEST_F(SectionTest, BoxCutHorizontallyShowsItsCutInItsLitColourAndLosesTheRoof) {
  const GMVector eye{0, -30, 60}, target{0, 0, 20};
  const auto tall = Box({-10, -10, 0}, {10, 10, 40});
  const auto roof = Box({-10, -10, 40}, {10, 10, 42});
  const auto cutHeight = Box({-10, -10, 0}, {10, 10, 30});
  const GMPlane at30{0, 0, 1, -30};

  auto engine = Engine(eye, target);
  ASSERT_TRUE(engine);
  Add(*engine, tall, kRed, 1);
  Add(*engine, roof, kBlueRoof, 2);
  ASSERT_GT(CountBluish(Draw(*engine)), 50) << "the roof shows before the cut";
  ASSERT_TRUE(engine->SetSectionPlanes({&at30, 1}));
  const StereonImage cut = Draw(*engine);
  EXPECT_EQ(CountBluish(cut), 0);

  auto reference = Engine(eye, target);
  ASSERT_TRUE(reference);
  Add(*reference, cutHeight, kRed, 1);
  const StereonImage want = Draw(*reference);
  EXPECT_LT(Differing(cut, want, kEdgeShare), kEdgeShare);
  // The middle of the picture looks at the cut itself, not at a wall.
  EXPECT_TRUE(PixelNear(cut, kSize / 2, kSize / 2, PixelAt(want, kSize / 2, kSize / 2)));

  // Without the planes the whole building is back.
  ASSERT_TRUE(engine->SetSectionPlanes({}));
  EXPECT_GT(CountBluish(Draw(*engine)), 50);
}

TEST_F(SectionTest, OpenMeshIsCutWithoutAFill) {
  const GMPlane at30{0, 0, 1, -30};
  const auto [cut, filled] = DrawCut({0, -30, 60}, {0, 0, 20}, Box({-10, -10, 0}, {10, 10, 40}, false), at30,
                                     Box({-10, -10, 0}, {10, 10, 30}));
  ASSERT_EQ(cut.width, kSize);
  // What is left is the open box 30 high, walls and all.
  const auto [lowOpen, unused] = DrawCut({0, -30, 60}, {0, 0, 20}, Box({-10, -10, 0}, {10, 10, 30}, false), at30, {});
  EXPECT_LT(Differing(cut, lowOpen, kEdgeShare), kEdgeShare);
  // Through the opening one sees the inside of the far wall, which faces
  // away from the light: darker than a fill would be.
  const Rgb middle = PixelAt(cut, kSize / 2, kSize / 2);
  const Rgb fill = PixelAt(filled, kSize / 2, kSize / 2);
  EXPECT_LT(middle.r + 20, fill.r);
  EXPECT_GT(middle.r, middle.g + 20) << "the inside of the wall is still the wall's colour";
}


TEST_F(SectionTest, CourtyardBuildingIsFilledRoundTheCourtyardOnly) {
  const GMVector eye{-25, -45, 70}, target{0, 0, 5};
  const auto building = Courtyard(20, 8, 0, 20);
  const auto roof = Courtyard(20, 8, 20, 22);
  const auto low = Courtyard(20, 8, 0, 10);
  std::vector<GMPolygon> ground = {Square(0, 0, 40, -0.01)};
  // An open wall panel standing beside the building is cut as well.
  auto panelAt = [](double height) {
    GMPolygon p;
    p.points = {{24, -10, 0}, {24, 10, 0}, {24, 10, height}, {24, -10, height}};
    return std::vector<GMPolygon>{p};
  };
  const auto panel = panelAt(30);
  const auto lowPanel = panelAt(10);
  const GMPlane at10{0, 0, 1, -10};

  auto engine = Engine(eye, target);
  ASSERT_TRUE(engine);
  Add(*engine, ground, kGreen, 1);
  Add(*engine, building, kRed, 2);
  Add(*engine, roof, kBlueRoof, 3);
  Add(*engine, panel, Color(220, 220, 60), 4);
  ASSERT_TRUE(engine->SetSectionPlanes({&at10, 1}));
  const StereonImage cut = Draw(*engine);
  EXPECT_EQ(CountBluish(cut), 0);

  auto reference = Engine(eye, target);
  ASSERT_TRUE(reference);
  Add(*reference, ground, kGreen, 1);
  Add(*reference, low, kRed, 2);
  Add(*reference, lowPanel, Color(220, 220, 60), 4);
  EXPECT_LT(Differing(cut, Draw(*reference), kEdgeShare), kEdgeShare);
}

TEST_F(SectionTest, ThreePlanesCutACornerOutAndKeepTheirPlaceFarFromTheOrigin) {
  // Keeping x <= 5, y >= -5 and z <= 15 of the box leaves a smaller box;
  // the three fills face the viewer as its faces would.
  const GMVector eye{40, -40, 50}, target{0, 0, 5};
  const GMPlane planes[3] = {{1, 0, 0, -5}, {0, -2, 0, -10}, {0, 0, 0.5, -7.5}};
  for (const GMVector origin : {GMVector{}, GMVector{-40000.0, 25000.0, 120.0}}) {
    SCOPED_TRACE(origin.x);
    auto moved = [&](GMVector p) { return GMVector{p.x + origin.x, p.y + origin.y, p.z + origin.z}; };
    auto movedPlane = [&](GMPlane p) {
      return GMPlane{p.nx, p.ny, p.nz, p.d - (p.nx * origin.x + p.ny * origin.y + p.nz * origin.z)};
    };
    const auto whole = Box(moved({-10, -10, 0}), moved({10, 10, 20}));
    const auto kept = Box(moved({-10, -5, 0}), moved({5, 10, 15}));
    const GMPlane cut[3] = {movedPlane(planes[0]), movedPlane(planes[1]), movedPlane(planes[2])};

    auto engine = Engine(moved(eye), moved(target));
    ASSERT_TRUE(engine);
    engine->SetLocalOrigin(origin);
    Add(*engine, whole, kRed, 1, origin);
    ASSERT_TRUE(engine->SetSectionPlanes(cut));
    const StereonImage got = Draw(*engine);

    auto reference = Engine(moved(eye), moved(target));
    ASSERT_TRUE(reference);
    reference->SetLocalOrigin(origin);
    Add(*reference, kept, kRed, 1, origin);
    EXPECT_LT(Differing(got, Draw(*reference), kEdgeShare), kEdgeShare);
  }
}

TEST_F(SectionTest, BuildingsInTheirParentsSharedListsAreFilledToo) {
  const GMVector eye{0, -30, 60}, target{0, 0, 20};
  const auto tall = Box({-10, -10, 0}, {10, 10, 40});
  const auto cutHeight = Box({-10, -10, 0}, {10, 10, 30});
  const GMPlane at30{0, 0, 1, -30};
  auto engine = Engine(eye, target);
  ASSERT_TRUE(engine);
  engine->MakeCurrent();
  // A district: the parent compiles its small children into shared lists.
  auto parent = std::make_unique<COGLDispTree>();
  parent->SetElement(nullptr);
  parent->SetShareChildLists(true);
  COGLDispTree* district = parent.get();
  engine->GetDispTree()->AddChild(std::move(parent));
  auto child = std::make_unique<COGLDispTree>();
  COGLDispTree* building = child.get();
  district->AddChild(std::move(child));
  OGLDispElement element;
  element.name = 1;
  element.color = kRed;
  element.polygons = tall;
  building->SetElement(&element);
  ASSERT_TRUE(building->InSharedLists());
  ASSERT_TRUE(engine->SetSectionPlanes({&at30, 1}));
  const StereonImage cut = Draw(*engine);

  auto reference = Engine(eye, target);
  ASSERT_TRUE(reference);
  Add(*reference, cutHeight, kRed, 1);
  EXPECT_LT(Differing(cut, Draw(*reference), kEdgeShare), kEdgeShare);
}

TEST_F(SectionTest, ViewerInsideTheCutSolidSeesTheCutOverheadFilled) {
  // Standing inside a building, the front clipping plane passes through it;
  // the cut overhead is filled all the same, in either projection. It faces
  // down, towards the viewer, as a ceiling there would.
  const GMPlane at30{0, 0, 1, -30};
  GMPolygon ceiling = Square(0, 0, 10, 30);
  std::reverse(ceiling.points.begin(), ceiling.points.end());
  for (const int flags : {frame::kViewDefault, frame::kViewDefault | frame::kParallel}) {
    SCOPED_TRACE(flags);
    const auto [cut, want] = DrawCut({0, -6, 10}, {0, 0, 30}, Box({-10, -10, 0}, {10, 10, 40}), at30, {ceiling}, flags);
    ASSERT_EQ(want.width, kSize);
    ASSERT_GT(PixelAt(want, kSize / 2, kSize / 2).r, PixelAt(want, kSize / 2, kSize / 2).g + 20);
    EXPECT_TRUE(PixelNear(cut, kSize / 2, kSize / 2, PixelAt(want, kSize / 2, kSize / 2)));
    // The whole view: the walls up to the cut and the fill as that ceiling.
    std::vector<GMPolygon> room = Box({-10, -10, 0}, {10, 10, 30}, false);
    room.push_back(ceiling);
    const auto [again, inRoom] = DrawCut({0, -6, 10}, {0, 0, 30}, Box({-10, -10, 0}, {10, 10, 40}), at30, room, flags);
    EXPECT_LT(Differing(again, inRoom, kEdgeShare), kEdgeShare);
  }
}


TEST_F(SectionTest, SolidReachingBeyondTheBackPlaneIsFilledWhereTheCutShows) {
  // The back plane cuts the lower part of the building away; the cut at
  // the top, well within reach, is filled as without it.
  const GMPlane at30{0, 0, 1, -30};
  const auto [cut, want] = DrawCut({0, -30, 60}, {0, 0, 20}, Box({-10, -10, 0}, {10, 10, 40}), at30,
                                   Box({-10, -10, 0}, {10, 10, 30}), frame::kViewDefault, 1.0, 55.0);
  ASSERT_EQ(want.width, kSize);
  EXPECT_TRUE(PixelNear(cut, kSize / 2, kSize / 2, PixelAt(want, kSize / 2, kSize / 2)));
  EXPECT_LT(Differing(cut, want, kEdgeShare), kEdgeShare);
}


TEST_F(SectionTest, SolidCutByTheFrontAndTheBackPlaneAtOnceIsFilled) {
  // A long block seen from outside: the front plane cuts off its near end,
  // the back plane its far end and the floor under the middle of the
  // picture; the cut through the middle is filled all the same.
  const GMPlane at5{0, 0, 1, -5};
  const auto [cut, want] = DrawCut({0, -60, 40}, {0, 0, 5}, Box({-5, -50, 0}, {5, 50, 10}), at5,
                                   Box({-5, -50, 0}, {5, 50, 5}), frame::kViewDefault, 30.0, 75.0);
  ASSERT_EQ(want.width, kSize);
  ASSERT_GT(PixelAt(want, kSize / 2, kSize / 2).r, PixelAt(want, kSize / 2, kSize / 2).g + 20);
  EXPECT_TRUE(PixelNear(cut, kSize / 2, kSize / 2, PixelAt(want, kSize / 2, kSize / 2)));
  EXPECT_LT(Differing(cut, want, kEdgeShare), kEdgeShare);
}


TEST_F(SectionTest, ViewerInsideASolidReachingBeyondTheBackPlaneSeesTheCutFilled) {
  // Inside the building the front plane cuts it; the back plane cuts off
  // its roof, which is what the count of the faces above the cut needs.
  const GMPlane at30{0, 0, 1, -30};
  GMPolygon ceiling = Square(0, 0, 10, 30);
  std::reverse(ceiling.points.begin(), ceiling.points.end());
  for (const int flags : {frame::kViewDefault, frame::kViewDefault | frame::kParallel}) {
    SCOPED_TRACE(flags);
    const auto [cut, want] =
        DrawCut({0, -6, 10}, {0, 0, 30}, Box({-10, -10, 0}, {10, 10, 40}), at30, {ceiling}, flags, 1.0, 25.0);
    ASSERT_EQ(want.width, kSize);
    for (const int dx : {-12, 0, 12}) {
      const Rgb expected = PixelAt(want, kSize / 2 + dx, kSize / 2);
      ASSERT_GT(expected.r, expected.g + 20) << dx;
      EXPECT_TRUE(PixelNear(cut, kSize / 2 + dx, kSize / 2, expected)) << dx;
    }
  }
}


TEST_F(SectionTest, PlanesAreRefusedWithoutANormalOrBeyondThree) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  const GMPlane good[1] = {{0, 0, 2, -10}};
  ASSERT_TRUE(engine->SetSectionPlanes(good));
  ASSERT_EQ(engine->SectionPlanes().size(), 1u);
  EXPECT_DOUBLE_EQ(engine->SectionPlanes()[0].nz, 1.0);
  EXPECT_DOUBLE_EQ(engine->SectionPlanes()[0].d, -5.0);
  const GMPlane flat[1] = {{0, 0, 0, 1}};
  const GMPlane four[4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1, 1, 0, 0}};
  const GMPlane nan[1] = {{std::nan(""), 0, 1, 0}};
  EXPECT_FALSE(engine->SetSectionPlanes(flat));
  EXPECT_FALSE(engine->SetSectionPlanes(four));
  EXPECT_FALSE(engine->SetSectionPlanes(nan));
  EXPECT_EQ(engine->SectionPlanes().size(), 1u) << "a refused set leaves the planes as they were";
}

TEST_F(SectionTest, PickingPassesThroughWhatTheSectionRemoved) {
  const GMVector eye{0, 0, 100}, target{0, 0, 0};
  auto window = TestWindow::Create(64, 64, nullptr);
  ASSERT_TRUE(window);
  CStereon engine;
  ASSERT_TRUE(engine.CreateOnWindow(window.get()));
  engine.SetCamera(eye, target, {0.0, 1.0, 0.0});
  const auto low = Box({-10, -10, 0}, {10, 10, 10});
  const auto high = Box({-10, -10, 20}, {10, 10, 30});
  Add(engine, low, kRed, 7);
  Add(engine, high, kBlueRoof, 8);
  EXPECT_EQ(engine.Pick(frame::kViewDefault, 32, 32, 3), 8);
  const GMPlane at15{0, 0, 1, -15};
  ASSERT_TRUE(engine.SetSectionPlanes({&at15, 1}));
  EXPECT_EQ(engine.Pick(frame::kViewDefault, 32, 32, 3), 7);
}

}  // namespace
}  // namespace render_test
