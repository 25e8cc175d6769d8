// Sun shadows: volumes built from casters and counted in the stencil buffer,
// seen as darkened pixels of a lit ground plate.
#include "render_fixture.h"

namespace render_test {
namespace {

class ShadowTest : public RenderTest {
 protected:
  // A lit grey ground plate of half-size 30 at z = 0, seen from above.
  std::unique_ptr<CStereon> MakeScene() {
    auto engine = MakeEngine();
    if (!engine) return nullptr;
    engine->SetBackColor(Color(0, 0, 255));
    ground_ = Square(0, 0, 30, 0);
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
  EXPECT_EQ(engine->shadowArrays[0].triangles.size(), 12u);
  EXPECT_EQ(engine->shadowArrays[0].normals.size(), 12u);
  engine->DeleteShadowVolumes();
  EXPECT_TRUE(engine->shadowArrays.empty());
  EXPECT_TRUE(PixelNear(DrawShadows(*engine), kCentre, kCentre, lit));
}

}  // namespace
}  // namespace render_test
