// Site shadows: the merged, tight volumes the view builds, checked pixel by
// pixel against one volume per caster on scenes of touching boxes, a
// courtyard building, a pipe, an open roof and a billboard; dark faces drawn
// evenly; the background never darkened.
#include <algorithm>
#include <map>

#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_vector.h"
#include "render_fixture.h"

namespace render_test {
namespace {

using Faces = std::vector<GMPolygon>;

GMPolygon Ring(std::initializer_list<GMVector> points) { return GMPolygon{std::vector<GMVector>(points)}; }

// A closed box, its faces turned outwards.
Faces Box(double x0, double y0, double z0, double x1, double y1, double z1) {
  return {Ring({{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}}),   // floor
          Ring({{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}),   // roof
          Ring({{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}}),   // south
          Ring({{x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}}),   // east
          Ring({{x1, y1, z0}, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}}),   // north
          Ring({{x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}})};  // west
}

// A closed building round a square courtyard: outer walls, courtyard walls,
// roof and floor, each a ring of four quads.
Faces Courtyard(double x, double y, double outer, double inner, double height) {
  const double a = (outer - inner) / 2.0;
  const GMVector o[4] = {{x, y, 0}, {x + outer, y, 0}, {x + outer, y + outer, 0}, {x, y + outer, 0}};
  const GMVector i[4] = {
      {x + a, y + a, 0}, {x + a + inner, y + a, 0}, {x + a + inner, y + a + inner, 0}, {x + a, y + a + inner, 0}};
  const auto up = [height](GMVector p) { return GMVector{p.x, p.y, height}; };
  Faces faces;
  for (int k = 0; k < 4; ++k) {
    const int n = (k + 1) % 4;
    faces.push_back(Ring({o[k], o[n], up(o[n]), up(o[k])}));          // outer wall
    faces.push_back(Ring({i[n], i[k], up(i[k]), up(i[n])}));          // courtyard wall
    faces.push_back(Ring({up(o[k]), up(o[n]), up(i[n]), up(i[k])}));  // roof
    faces.push_back(Ring({i[k], i[n], o[n], o[k]}));                  // floor
  }
  return faces;
}

// An open pipe along x, its wall of twelve quads turned outwards.
Faces Pipe(double x0, double x1, double y, double z, double radius) {
  Faces faces;
  for (int k = 0; k < 12; ++k) {
    const double a = k * M_PI / 6.0, b = (k + 1) * M_PI / 6.0;
    const GMVector p{0, y + radius * std::cos(a), z + radius * std::sin(a)};
    const GMVector q{0, y + radius * std::cos(b), z + radius * std::sin(b)};
    faces.push_back(Ring({{x0, p.y, p.z}, {x0, q.y, q.z}, {x1, q.y, q.z}, {x1, p.y, p.z}}));
  }
  return faces;
}

// An open gable roof on no walls: two slopes meeting at the ridge.
Faces Canopy(double x0, double x1, double y0, double y1, double eaves, double ridge) {
  const double ym = (y0 + y1) / 2.0;
  return {Ring({{x0, y0, eaves}, {x1, y0, eaves}, {x1, ym, ridge}, {x0, ym, ridge}}),
          Ring({{x0, ym, ridge}, {x1, ym, ridge}, {x1, y1, eaves}, {x0, y1, eaves}})};
}

// The faces of a closed body that cast: those turned away from the sun, as
// the view chooses them.
Faces AwayFromSun(const Faces& faces, const GMVector& d) {
  Faces away;
  for (const GMPolygon& f : faces)
    if (GMDot(GMNormalize(GMPolygonNormal(f, 1e-7), 1e-7), d) > 0.1) away.push_back(f);
  return away;
}

struct Body {
  Faces faces;
  bool closed = true;  // closed bodies cast from their faces away from the sun
  bool drawn = true;   // a billboard's outline is not drawn before the shadows
  uint32_t colour = Color(200, 200, 200);
};

class SiteShadowTest : public RenderTest {
 protected:
  static constexpr int kSize = 160;

  std::unique_ptr<CStereon> Engine(const std::vector<Body>& bodies, const GMVector& eye, const GMVector& target) {
    auto engine = MakeEngine(kSize, kSize);
    if (!engine) return nullptr;
    engine->SetBackColor(Color(0, 0, 255));
    engine->SetCamera(eye, target, {0.0, 0.0, 1.0});
    int name = 1;
    for (const Body& body : bodies) {
      if (!body.drawn) continue;
      OGLDispElement element;
      element.name = name++;
      element.color = body.colour;
      element.polygons = body.faces;
      AddNode(*engine, element);
    }
    return engine;
  }

  // The casters of the scene under the sun travelling along d, with whether
  // each is drawn.
  static void Casters(const std::vector<Body>& bodies, const GMVector& d, Faces& casters, std::vector<uint8_t>& drawn) {
    for (const Body& body : bodies)
      for (const GMPolygon& f : body.closed ? AwayFromSun(body.faces, d) : body.faces) {
        casters.push_back(f);
        drawn.push_back(body.drawn ? 1 : 0);
      }
  }

  static GMBox BoxOf(const std::vector<Body>& bodies) {
    GMBox box{DBL_MAX, DBL_MAX, DBL_MAX, -DBL_MAX, -DBL_MAX, -DBL_MAX};
    for (const Body& body : bodies)
      for (const GMPolygon& f : body.faces)
        for (const GMVector& p : f.points) box.Extend(p);
    return box;
  }

  static StereonImage Shadowed(CStereon& engine) { return Draw(engine, frame::kViewDefault | frame::kShadows); }
};

int Brightness(const StereonImage& image, int x, int y) {
  const Rgb c = PixelAt(image, x, y);
  return c.r + c.g + c.b;
}

bool SameColour(const StereonImage& image, int x, int y, int u, int v) {
  const Rgb a = PixelAt(image, x, y), b = PixelAt(image, u, v);
  return a.r == b.r && a.g == b.g && a.b == b.b;
}

// A pixel inside one flat face of the unshadowed picture: its eight
// neighbours have its colour.
bool Inside(const StereonImage& plain, int x, int y) {
  if (x < 1 || y < 1 || x >= plain.width - 1 || y >= plain.height - 1) return false;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (!SameColour(plain, x, y, x + dx, y + dy)) return false;
  return true;
}

// The scenes, each under a morning, a noon and a low evening sun.
struct Scene {
  const char* name;
  std::vector<Body> bodies;
  GMVector eye, target;
};

std::vector<Scene> Scenes() {
  const Body ground{{Ring({{-60, -60, 0}, {60, -60, 0}, {60, 60, 0}, {-60, 60, 0}})}, false};
  std::vector<Scene> scenes;
  {
    Faces a = Box(-20, -10, 0, 0, 10, 12);
    Faces b = Box(0, -10, 0, 15, 5, 20);  // touching a along x = 0
    Faces c = Box(15, -10, 0, 25, 5, 8);  // touching b
    scenes.push_back({"touching boxes", {ground, {a}, {b}, {c}}, {70, -90, 80}, {0, 0, 5}});
  }
  scenes.push_back({"courtyard", {ground, {Courtyard(-20, -20, 40, 16, 15)}}, {60, -70, 90}, {0, 0, 5}});
  scenes.push_back({"pipe", {ground, {Pipe(-30, 30, 0, 10, 4), false}}, {50, -80, 60}, {0, 0, 5}});
  scenes.push_back({"open roof", {ground, {Canopy(-20, 20, -12, 12, 10, 18), false}}, {60, -80, 70}, {0, 0, 5}});
  {
    Body billboard{{Ring({{-5, 0, 0}, {5, 0, 0}, {5, 0, 15}, {-5, 0, 15}})}, false, false};
    scenes.push_back({"billboard and box", {ground, billboard, {Box(10, 10, 0, 20, 20, 10)}}, {40, -90, 80}, {0, 0, 5}});
  }
  return scenes;
}

// No box face stands within a tenth of edge-on to any of them: such a face
// casts nothing of its own (it would only fight with its own volume), so it
// shows dark by its light alone.
const GMVector kSuns[] = {{0.6, 0.5, -0.62}, {0.25, 0.5, -0.83}, {-0.8, 0.3, -0.3}};

// Every pixel of a face the sun lights comes out the same with the merged
// volumes as with one volume per caster, in both storage forms.
TEST_F(SiteShadowTest, MergedVolumesShadeLitFacesAsOneVolumePerCaster) {
  for (const Scene& scene : Scenes()) {
    for (const GMVector& sun : kSuns) {
      const GMVector d = GMNormalize(sun, 1e-7);
      SCOPED_TRACE(testing::Message() << scene.name << ", sun " << d.x << " " << d.y << " " << d.z);
      auto engine = Engine(scene.bodies, scene.eye, scene.target);
      ASSERT_TRUE(engine);
      engine->SetLightDirection(-d.x, -d.y, -d.z);
      const StereonImage plain = Draw(*engine);
      Faces casters;
      std::vector<uint8_t> drawn;
      Casters(scene.bodies, d, casters, drawn);
      engine->MakeCurrent();
      engine->BuildShadowVolumes(casters, d.x, d.y, d.z, 0.01, 400.0, 0x80000000u, 0);
      const StereonImage perCaster = Shadowed(*engine);
      const GMBox reach = BoxOf(scene.bodies);
      for (int useArrays = 0; useArrays < 2; ++useArrays) {
        engine->MakeCurrent();
        engine->BuildSiteShadowVolumes(casters, drawn, &reach, d.x, d.y, d.z, 0.01, 400.0, 0x80000000u, useArrays);
        const StereonImage merged = Shadowed(*engine);
        // The darkest a face turned away from the sun is lit.
        int lit = 0, shadowed = 0, differing = 0;
        for (int y = 0; y < kSize; ++y)
          for (int x = 0; x < kSize; ++x) {
            if (!Inside(plain, x, y)) continue;
            const Rgb c = PixelAt(plain, x, y);
            if (c.b > c.r + 40) continue;  // the background
            if (Brightness(plain, x, y) <= 3 * 120) continue;  // turned away from the sun
            ++lit;
            if (Brightness(perCaster, x, y) < Brightness(plain, x, y) - 30) ++shadowed;
            differing += !SameColour(perCaster, x, y, x, y) || Brightness(perCaster, x, y) != Brightness(merged, x, y);
          }
        EXPECT_GT(lit, 500);
        EXPECT_GT(shadowed, 20) << "the scene should cast onto its lit faces";
        // A pixel may fall the other way where a ridge's two sides cancel.
        EXPECT_LE(differing, 2) << (useArrays ? "arrays" : "list");
        if (differing != 0) {
          SavePicture(perCaster, CurrentTestName() + "_per_caster");
          SavePicture(merged, CurrentTestName() + "_merged");
        }
      }
    }
  }
}

// A box seen from a corner under several suns: every face it shows is one
// even colour, and the faces turned away from the sun are darkened like the
// ground in its shadow.
TEST_F(SiteShadowTest, FacesTurnedAwayFromTheSunAreEvenlyDark) {
  const Body ground{{Ring({{-80, -80, 0}, {80, -80, 0}, {80, 80, 0}, {-80, 80, 0}})}, false};
  const Body box{Box(-10, -10, 0, 10, 10, 20), true, true, Color(200, 60, 60)};
  const std::vector<Body> bodies{ground, box};
  const GMBox reach = BoxOf(bodies);
  for (const GMVector& eye : {GMVector{60, -70, 50}, GMVector{-70, 60, 40}, GMVector{-65, -65, 30}}) {
    for (const GMVector& sun : kSuns) {
      const GMVector d = GMNormalize(sun, 1e-7);
      SCOPED_TRACE(testing::Message() << "eye " << eye.x << " " << eye.y << ", sun " << d.x << " " << d.y);
      auto engine = Engine(bodies, eye, {0, 0, 8});
      ASSERT_TRUE(engine);
      engine->SetLightDirection(-d.x, -d.y, -d.z);
      const StereonImage plain = Draw(*engine);
      Faces casters;
      std::vector<uint8_t> drawn;
      Casters(bodies, d, casters, drawn);
      engine->MakeCurrent();
      // With the billboards' cap offset, as the example site has it.
      engine->BuildSiteShadowVolumes(casters, drawn, &reach, d.x, d.y, d.z, 0.01, 3000.0, 0x80000000u, 1);
      const StereonImage shadowed = Shadowed(*engine);
      // Face by face (its plain colour): the lightest and darkest pixel.
      std::map<int, std::pair<int, int>> faces;
      for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
          const Rgb c = PixelAt(plain, x, y);
          if (c.r < c.g + 40 || !Inside(plain, x, y)) continue;  // not the red box
          const int key = c.r * 65536 + c.g * 256 + c.b;
          const int r = PixelAt(shadowed, x, y).r;
          auto [it, added] = faces.try_emplace(key, r, r);
          it->second.first = std::min(it->second.first, r);
          it->second.second = std::max(it->second.second, r);
        }
      ASSERT_GE(faces.size(), 2u);
      for (const auto& [key, range] : faces) {
        EXPECT_LE(range.second - range.first, 2) << "face of plain red " << (key >> 16);
        // A face the sun does not reach is darkened as the shadow darkens.
        if ((key >> 16) < 120) {
          EXPECT_LT(range.second, (key >> 16) * 3 / 4);
        }
      }
    }
  }
}

// Volumes far longer than the far plane, over the empty background beside
// the ground: the sky keeps its colour, the ground its shadow.
TEST_F(SiteShadowTest, TheBackgroundIsNeverDarkened) {
  auto engine = MakeEngine(kSize, kSize);
  ASSERT_TRUE(engine);
  engine->SetBackColor(Color(0, 0, 255));
  engine->SetCamera({0, -120, 60}, {0, 0, 0}, {0, 0, 1});
  engine->SetPlanes(1.0, 200.0, 0.0);
  const GMPolygon ground = Square(0, 0, 30, 0);
  OGLDispElement element;
  element.name = 1;
  element.color = Color(200, 200, 200);
  element.polygons = {&ground, 1};
  AddNode(*engine, element);
  const StereonImage plain = Draw(*engine);
  // A roof whose shadow runs off the ground's edge towards the horizon.
  const GMPolygon roof = Square(0, 0, 8, 10);
  for (int useArrays = 0; useArrays < 2; ++useArrays) {
    SCOPED_TRACE(useArrays ? "arrays" : "list");
    engine->MakeCurrent();
    engine->BuildShadowVolumes({&roof, 1}, 0, 1, -0.4, 0.01, 3000.0, 0x80000000u, useArrays);
    const StereonImage image = Shadowed(*engine);
    int sky = 0, darkenedSky = 0, shadowed = 0;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        const Rgb c = PixelAt(plain, x, y);
        if (c.r == 0 && c.g == 0 && c.b == 255) {
          ++sky;
          const Rgb s = PixelAt(image, x, y);
          darkenedSky += s.r != 0 || s.g != 0 || s.b != 255;
        } else if (Brightness(image, x, y) < Brightness(plain, x, y) - 30) {
          ++shadowed;
        }
      }
    EXPECT_GT(sky, 1000);
    EXPECT_EQ(darkenedSky, 0);
    EXPECT_GT(shadowed, 20);
  }
}

// A site far from the world's origin, as survey coordinates place it, and
// volumes given a length far short of the ground: the shadows fall as they
// do for the same site at the origin.
TEST_F(SiteShadowTest, FarFromTheOriginAndBeyondTheLengthShadowsFallAlike) {
  const GMVector d = GMNormalize({0.3, 0.8, -0.5}, 1e-7);
  // Which pixels the shadows darken.
  auto shadowOf = [&](const GMVector& at, double length) {
    const auto shift = [&](Faces faces) {
      for (GMPolygon& f : faces)
        for (GMVector& p : f.points) p = {p.x + at.x, p.y + at.y, p.z + at.z};
      return faces;
    };
    const std::vector<Body> bodies{
        {shift({Ring({{-60, -60, 0}, {60, -60, 0}, {60, 60, 0}, {-60, 60, 0}})}), false},
        {shift(Box(-10, -20, 0, 10, -5, 25))}};
    std::vector<bool> dark;
    auto engine = Engine(bodies, {at.x + 50, at.y - 90, at.z + 90}, {at.x, at.y, at.z});
    if (!engine) return dark;
    engine->SetLightDirection(-d.x, -d.y, -d.z);
    const StereonImage plain = Draw(*engine);
    Faces casters;
    std::vector<uint8_t> drawn;
    Casters(bodies, d, casters, drawn);
    const GMBox reach = BoxOf(bodies);
    engine->MakeCurrent();
    engine->BuildSiteShadowVolumes(casters, drawn, &reach, d.x, d.y, d.z, 0.0, length, 0x80000000u, 0);
    const StereonImage image = Shadowed(*engine);
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) dark.push_back(Brightness(image, x, y) < Brightness(plain, x, y) - 30);
    return dark;
  };
  const std::vector<bool> home = shadowOf({0, 0, 0}, 3000.0);
  ASSERT_FALSE(home.empty());
  ASSERT_GT(std::count(home.begin(), home.end(), true), 500);
  for (const GMVector& at : {GMVector{0, 0, 0}, GMVector{-32000.0, 45000.0, 12.0}}) {
    SCOPED_TRACE(testing::Message() << "at " << at.x << " " << at.y << ", length 5");
    const std::vector<bool> away = shadowOf(at, 5.0);
    int differing = 0;
    for (size_t i = 0; i < home.size(); ++i) differing += home[i] != away[i];
    EXPECT_LE(differing, 16);  // a pixel's rounding along the edges, far out
  }
}

}  // namespace
}  // namespace render_test
