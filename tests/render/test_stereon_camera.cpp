// Camera, projection extents, pan shift, pixel rays and the line pull.
#include <deque>

#include "render_fixture.h"

namespace render_test {
namespace {

constexpr double kTanHalf45 = 0.41421356237309503;  // tan(22.5°)

TEST(StereonCamera, PlanesOfZeroKeepTheirValue) {
  CStereon engine;
  engine.SetPlanes(0.0, 0.0, 60.0);
  EXPECT_EQ(engine.GetFrontPlane(), 1.0);
  EXPECT_EQ(engine.GetBackPlane(), 3000.0);
  EXPECT_EQ(engine.GetViewAngle(), 60.0);
  engine.SetPlanes(2.0, 500.0, 0.0);
  EXPECT_EQ(engine.GetFrontPlane(), 2.0);
  EXPECT_EQ(engine.GetBackPlane(), 500.0);
  EXPECT_EQ(engine.GetViewAngle(), 60.0);
}

TEST(StereonCamera, FrustumExtents) {
  CStereon engine;
  engine.SetCamera({0, 0, 100}, {0, 0, 0}, {0, 1, 0});
  engine.SetPlanes(2.0, 800.0, 45.0);
  engine.SetZoom(1.5);
  double l, r, b, t, n, f;
  engine.GetPerspectiveFrustum(2.0, l, r, b, t, n, f);
  EXPECT_NEAR(t, kTanHalf45 * 2.0 * 1.5, 1e-12);
  EXPECT_NEAR(b, -t, 1e-12);
  EXPECT_NEAR(r, 2.0 * t, 1e-12);
  EXPECT_NEAR(l, -r, 1e-12);
  EXPECT_EQ(n, 2.0);
  EXPECT_EQ(f, 800.0);
  // Parallel: what perspective shows at the target's distance.
  engine.GetParallelFrustum(2.0, l, r, b, t, n, f);
  EXPECT_NEAR(t, kTanHalf45 * 100.0 * 1.5, 1e-9);
  EXPECT_NEAR(r, 2.0 * t, 1e-9);
  EXPECT_EQ(n, 2.0);
  // With the eye on the target the parallel box has no extent.
  engine.SetEyeTarget({5, 5, 5}, {5, 5, 5});
  engine.GetParallelFrustum(2.0, l, r, b, t, n, f);
  EXPECT_EQ(t, 0.0);
  EXPECT_EQ(r, 0.0);
  EXPECT_EQ(engine.up.y, 1.0);  // SetEyeTarget keeps the up vector
}

TEST(StereonCamera, RayThroughPixels) {
  CStereon engine;
  engine.SetCamera({0, 0, 100}, {0, 0, 0}, {0, 1, 0});
  // The centre pixel looks straight at the target, ending on the front plane.
  GMSegment ray = engine.ScreenToRay(0, 32, 32, 64, 64);
  EXPECT_NEAR(ray.start.z, 100.0, 1e-12);
  EXPECT_NEAR(ray.end.x, 0.0, 1e-12);
  EXPECT_NEAR(ray.end.y, 0.0, 1e-12);
  EXPECT_NEAR(ray.end.z, 99.0, 1e-12);
  // The top right corner (y down) lies at the frustum's corner on the front
  // plane.
  ray = engine.ScreenToRay(0, 64, 0, 64, 64);
  EXPECT_NEAR(ray.end.x, kTanHalf45, 1e-9);
  EXPECT_NEAR(ray.end.y, kTanHalf45, 1e-9);
  EXPECT_NEAR(ray.end.z, 99.0, 1e-12);
  // Parallel: the ray runs along the view direction, shifted sideways.
  ray = engine.ScreenToRay(frame::kParallel, 0, 64, 64, 64);
  EXPECT_NEAR(ray.start.x, -kTanHalf45 * 100.0, 1e-9);
  EXPECT_NEAR(ray.start.y, -kTanHalf45 * 100.0, 1e-9);
  EXPECT_NEAR(ray.start.z, 100.0, 1e-9);
  EXPECT_NEAR(ray.end.x, ray.start.x, 1e-9);
  EXPECT_NEAR(ray.end.z, 0.0, 1e-9);
}

class CameraRenderTest : public RenderTest {
 protected:
  // Inside-out check of a centred square on screen: filled at `inside`
  // pixels from the centre, background at `outside`.
  void ExpectSquareSpan(const StereonImage& image, int inside, int outside) {
    const Rgb face{140, 0, 0};
    const Rgb back{255, 255, 255};
    for (int sign : {-1, 1}) {
      EXPECT_TRUE(PixelNear(image, 32 + sign * inside, 32, face)) << "inside at " << sign * inside;
      EXPECT_TRUE(PixelNear(image, 32, 32 + sign * inside, face)) << "inside at " << sign * inside;
      EXPECT_TRUE(PixelNear(image, 32 + sign * outside, 32, back, 1)) << "outside at " << sign * outside;
      EXPECT_TRUE(PixelNear(image, 32, 32 + sign * outside, back, 1)) << "outside at " << sign * outside;
    }
  }

  void AddSquare(CStereon& engine, double half, double z) {
    squares_.push_back(Square(0, 0, half, z));
    OGLDispElement element;
    element.name = static_cast<int32_t>(squares_.size());
    element.color = Color(100, 0, 0);
    element.polygons = {&squares_.back(), 1};
    AddNode(engine, element);
  }

  std::deque<GMPolygon> squares_;
};

TEST_F(CameraRenderTest, SquareAtTheTargetFillsItsShareInBothProjections) {
  // Half the visible height at the target: the square covers the middle
  // half of the picture, 16 pixels each way from the centre.
  const double half = kTanHalf45 * 100.0 / 2.0;
  for (int flags : {frame::kViewDefault, frame::kViewDefault | frame::kParallel}) {
    SCOPED_TRACE(flags);
    auto engine = MakeEngine();
    ASSERT_TRUE(engine);
    AddSquare(*engine, half, 0.0);
    ExpectSquareSpan(Draw(*engine, flags), 14, 18);
  }
}

TEST_F(CameraRenderTest, DepthShrinksOnlyInPerspective) {
  // At twice the distance the same square is half as large in perspective;
  // in parallel projection its size does not change.
  const double half = kTanHalf45 * 100.0 / 2.0;
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  AddSquare(*engine, half, -100.0);
  ExpectSquareSpan(Draw(*engine), 6, 10);
  ExpectSquareSpan(Draw(*engine, frame::kViewDefault | frame::kParallel), 14, 18);
}

TEST_F(CameraRenderTest, ZoomWidensTheView) {
  const double half = kTanHalf45 * 100.0 / 2.0;
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  AddSquare(*engine, half, 0.0);
  engine->SetZoom(2.0);
  ExpectSquareSpan(Draw(*engine), 6, 10);
  ExpectSquareSpan(Draw(*engine, frame::kViewDefault | frame::kParallel), 6, 10);
}

TEST_F(CameraRenderTest, PanBringsTheChosenPixelToTheCentre) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  AddSquare(*engine, 2.0, 0.0);  // about 3 pixels across each way
  const Rgb face{140, 0, 0};
  const Rgb back{255, 255, 255};

  engine->panEnabled = 1;
  engine->panX = 32;
  engine->panY = 32;
  StereonImage image = Draw(*engine);
  EXPECT_TRUE(PixelNear(image, 32, 32, face));

  // Pixel (42, 32) of the unshifted picture comes to the centre: the square
  // moves 10 pixels left.
  engine->panX = 42;
  image = Draw(*engine);
  EXPECT_TRUE(PixelNear(image, 22, 32, face));
  EXPECT_TRUE(PixelNear(image, 32, 32, back, 1));

  // And pixel row 42 (counted upwards) to the centre: the square moves down.
  engine->panX = 32;
  engine->panY = 42;
  image = Draw(*engine);
  EXPECT_TRUE(PixelNear(image, 32, 22, face));
  EXPECT_TRUE(PixelNear(image, 32, 32, back, 1));

  // Parallel projection ignores the pan.
  image = Draw(*engine, frame::kViewDefault | frame::kParallel);
  EXPECT_TRUE(PixelNear(image, 32, 32, face));
  // So does a disabled one.
  engine->panEnabled = 0;
  EXPECT_TRUE(PixelNear(Draw(*engine), 32, 32, face));
}

TEST_F(CameraRenderTest, LinesWinOverCoplanarFaces) {
  // A face and a line lying on it, a hair (0.02) behind it as rounding in a
  // model would leave it: the pull must bring it out in front.
  const GMPolygon face = Square(0, 0, 30);
  const GMSegment onFace{{-30, 0, -0.02}, {30, 0, -0.02}};
  // Somewhere in rows 29..34 of each sampled column the line shows in its own
  // colour, unlit; the face above and below it is lit.
  auto lineShows = [](const StereonImage& image, int x) {
    for (int y = 29; y <= 34; ++y) {
      const Rgb p = PixelAt(image, x, y);
      if (p.r == 0 && p.g == 255 && p.b == 0) return true;
    }
    return false;
  };
  for (int flags : {frame::kViewDefault, frame::kViewDefault | frame::kParallel}) {
    SCOPED_TRACE(flags);
    auto engine = MakeEngine();
    ASSERT_TRUE(engine);
    engine->SetLineWidth(3.0);
    OGLDispElement faceElement;
    faceElement.name = 1;
    faceElement.color = Color(100, 0, 0);
    faceElement.polygons = {&face, 1};
    AddNode(*engine, faceElement);
    OGLDispElement lineElement;
    lineElement.name = 2;
    lineElement.color = Color(0, 255, 0);
    lineElement.lines = {&onFace, 1};
    AddNode(*engine, lineElement);
    StereonImage image = Draw(*engine, flags);
    for (int x : {12, 24, 32, 40, 52}) {
      EXPECT_TRUE(lineShows(image, x)) << "column " << x;
      EXPECT_TRUE(PixelNear(image, x, 24, {140, 0, 0})) << "column " << x;
    }
    if (::testing::Test::HasFailure()) SavePicture(image, CurrentTestName());
    // Without the pull the face hides the line.
    engine->SetLinePullScale(1.0);
    engine->SetLinePullDistance(0.0);
    image = Draw(*engine, flags);
    for (int x : {12, 32, 52}) EXPECT_FALSE(lineShows(image, x)) << "column " << x;
  }
}

}  // namespace
}  // namespace render_test
