// Sun shadows: volumes built from casters and counted in the stencil buffer,
// seen as darkened pixels of a lit ground plate.
#include "render_fixture.h"

namespace render_test {
namespace {

class ShadowTest : public RenderTest {
 protected:
  // A lit grey ground plate of half-size `half` at z = 0, seen from above.
  std::unique_ptr<CStereon> MakeScene(double half = 30) {
    auto engine = MakeEngine();
    if (!engine) return nullptr;
    engine->SetBackColor(Color(0, 0, 255));
    ground_ = Square(0, 0, half, 0);
    OGLDispElement element;
    element.name = 1;
    element.color = Color(200, 200, 200);
    element.polygons = {&ground_, 1};
    AddNode(*engine, element);
    return engine;
  }

  static StereonImage DrawShadows(CStereon& engine) { return Draw(engine, frame::kViewDefault | frame::kShadows); }

  GMPolygon ground_;
};

// Pixel centre (32, 32) is the origin; one pixel is about 1.29 units.
constexpr int kCentre = 32;

Rgb Half(Rgb lit) { return {lit.r * 127 / 255, lit.g * 127 / 255, lit.b * 127 / 255}; }

TEST_F(ShadowTest, SquareAboveThePlateHalvesTheGroundBelowItOnly) {
  auto engine = MakeScene();
  ASSERT_TRUE(engine);
  const Rgb lit = PixelAt(Draw(*engine), kCentre, kCentre);
  ASSERT_GT(lit.r, 100);
  const GMPolygon caster = Square(0, 0, 5, 5);
  for (int useArrays = 0; useArrays < 2; ++useArrays) {
    SCOPED_TRACE(useArrays ? "arrays" : "list");
    engine->MakeCurrent();
    engine->BuildShadowVolumes({&caster, 1}, 0, 0, -1, 0.01, 100, 0x80000000u, useArrays);
    EXPECT_EQ(static_cast<bool>(engine->shadowList), useArrays == 0);
    EXPECT_EQ(engine->shadowArrays.size(), useArrays ? 1u : 0u);
    const StereonImage image = DrawShadows(*engine);
    EXPECT_TRUE(PixelNear(image, kCentre, kCentre, Half(lit)));
    EXPECT_TRUE(PixelNear(image, kCentre + 2, kCentre - 2, Half(lit)));
    EXPECT_TRUE(PixelNear(image, kCentre + 10, kCentre, lit));       // beside the square
    EXPECT_TRUE(PixelNear(image, 1, 1, {0, 0, 255}, 1));             // background untouched
    // Without the shadow flag the volumes are not drawn.
    EXPECT_TRUE(PixelNear(Draw(*engine), kCentre, kCentre, lit));
  }
}

TEST_F(ShadowTest, SlantedSunShiftsTheShadowAndBothOrientationsCastAlike) {
  auto engine = MakeScene();
  ASSERT_TRUE(engine);
  const Rgb lit = PixelAt(Draw(*engine), kCentre, kCentre);
  // Sunlight travelling north and down: the shadow of the square at height 5
  // covers y from 0 to 10 on the ground.
  GMPolygon caster = Square(0, 0, 5, 5);
  for (int flip = 0; flip < 2; ++flip) {
    for (int useArrays = 0; useArrays < 2; ++useArrays) {
      SCOPED_TRACE(testing::Message() << "reversed " << flip << " arrays " << useArrays);
      engine->MakeCurrent();
      // Without a near cap the volume's sides do the counting.
      engine->BuildShadowVolumes({&caster, 1}, 0, 1, -1, 0.0, 100, 0x80000000u, useArrays);
      const StereonImage image = DrawShadows(*engine);
      EXPECT_TRUE(PixelNear(image, kCentre, kCentre + 4, Half(lit)));
      EXPECT_TRUE(PixelNear(image, kCentre, kCentre - 6, lit));
      EXPECT_TRUE(PixelNear(image, kCentre, kCentre + 10, lit));
    }
    std::reverse(caster.points.begin(), caster.points.end());
  }
}

TEST_F(ShadowTest, ScreenQuadFollowsThePanShift) {
  auto engine = MakeScene(60);
  ASSERT_TRUE(engine);
  // Pixel 56 of the unshifted picture comes to the centre: the view moves 24
  // pixels right, beyond where an unshifted quad would reach.
  engine->panEnabled = 1;
  engine->panX = 56;
  engine->panY = 32;
  const Rgb lit = PixelAt(Draw(*engine), 47, kCentre);
  const GMPolygon caster = Square(50, 0, 5, 5);  // unshifted at pixel 71, shifted at 47
  engine->MakeCurrent();
  engine->BuildShadowVolumes({&caster, 1}, 0, 0, -1, 0.01, 100, 0x80000000u, 0);
  const StereonImage image = DrawShadows(*engine);
  EXPECT_TRUE(PixelNear(image, 47, kCentre, Half(lit)));
  EXPECT_TRUE(PixelNear(image, 47, kCentre + 12, lit));
}

TEST_F(ShadowTest, EmptySetAndDeleteLeaveNoVolumes) {
  auto engine = MakeScene();
  ASSERT_TRUE(engine);
  const Rgb lit = PixelAt(Draw(*engine), kCentre, kCentre);
  const GMPolygon caster = Square(0, 0, 5, 5);
  engine->MakeCurrent();
  engine->BuildShadowVolumes({&caster, 1}, 0, 0, -1, 0.01, 100, 0x80000000u, 0);
  ASSERT_TRUE(engine->shadowList);
  // Rebuilding with no casters drops the old volumes.
  engine->BuildShadowVolumes({}, 0, 0, -1, 0.01, 100, 0x80000000u, 0);
  EXPECT_FALSE(engine->shadowList);
  EXPECT_TRUE(engine->shadowArrays.empty());
  EXPECT_TRUE(PixelNear(DrawShadows(*engine), kCentre, kCentre, lit));

  engine->MakeCurrent();
  engine->BuildShadowVolumes({&caster, 1}, 0, 0, -1, 0.01, 100, 0x80000000u, 1);
  ASSERT_EQ(engine->shadowArrays.size(), 1u);
  // Near and far caps of two triangles each, four sides of two.
  EXPECT_EQ(engine->shadowArrays[0].TriangleCount(), 12u);
  engine->DeleteShadowVolumes();
  EXPECT_TRUE(engine->shadowArrays.empty());
  EXPECT_TRUE(PixelNear(DrawShadows(*engine), kCentre, kCentre, lit));
}

}  // namespace
}  // namespace render_test

namespace render_test {
namespace {

// The accumulation pass draws the volumes' faces into the colour buffer:
// front faces in the shadow colour's complement, back faces in black over a
// cleared picture. Contexts here have no accumulation buffer, so only the
// colour side can be seen.
TEST_F(ShadowTest, AccumulationPassDrawsTheVolumeFacesInTheComplementColour) {
  auto engine = MakeScene();
  ASSERT_TRUE(engine);
  Draw(*engine);
  const GMPolygon caster = Square(0, 0, 5, 5);
  engine->MakeCurrent();
  engine->BuildShadowVolumes({&caster, 1}, 0, 0, -1, 0.01, 100, Color(0, 64, 255, 128), 0);
  // The camera of the last frame is still on the model-view matrix.
  engine->DrawAccumShadow();
  while (glGetError() != GL_NO_ERROR) {
  }
  StereonImage image;
  image.width = image.height = 64;
  image.pixels.resize(64 * 64 * 4);
  glReadPixels(0, 0, 64, 64, GL_RGBA, GL_UNSIGNED_BYTE, image.pixels.data());
  EXPECT_TRUE(PixelNear(image, kCentre, kCentre, {255, 191, 0}, 2));  // near cap, front face
  EXPECT_TRUE(PixelNear(image, kCentre + 10, kCentre, {0, 0, 0}, 1));  // cleared
  GLboolean depthWrites = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  EXPECT_TRUE(depthWrites);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
}

TEST_F(ShadowTest, OffsetOutlineMovesConvexAndReflexCornersOutwards) {
  CStereon engine;
  // An L: corner 4 at (1, 1) is reflex.
  GMPolygon outline;
  outline.points = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
  engine.OffsetOutline(outline, {0, 0, 1});
  const double s = 0.1 / std::sqrt(2.0);
  const GMVector expected[] = {{-s, -s, 0}, {2 + s, -s, 0}, {2 + s, 1 + s, 0},
                               {1 + s, 1 + s, 0}, {1 + s, 2 + s, 0}, {-s, 2 + s, 0}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_NEAR(outline[i].x, expected[i].x, 1e-9) << i;
    EXPECT_NEAR(outline[i].y, expected[i].y, 1e-9) << i;
    EXPECT_NEAR(outline[i].z, 0.0, 1e-9) << i;
  }
  // A vertex where the ring runs straight on moves out of its edge.
  GMPolygon straight;
  straight.points = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
  engine.OffsetOutline(straight, {0, 0, 1});
  EXPECT_NEAR(straight[1].x, 1.0, 1e-9);
  EXPECT_NEAR(straight[1].y, -0.1, 1e-9);
}

}  // namespace
}  // namespace render_test
