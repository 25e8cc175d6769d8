// Shared helpers of the rendering tests: headless engines, a window made of a
// headless context and a framebuffer, scene elements and pixel checks.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "render/GLContext.h"
#include "render/Stereon.h"
#include "render/gl_api.h"
#include "tests/support/gl_pixels.h"
#include "tests/support/headless_window.h"
#include "tests/support/needs.h"

namespace render_test {

// A "window" for the on-screen engine, read back like the screen.
using TestWindow = korvex_test::HeadlessWindow;

struct Rgb {
  int r, g, b;
};

// Pixel at column x, row y counted from the bottom (GL order).
inline Rgb PixelAt(const StereonImage& image, int x, int y) {
  const size_t at = (static_cast<size_t>(y) * image.width + x) * 4;
  return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2]};
}

inline uint32_t Color(int r, int g, int b, int a = 255) {
  return static_cast<uint32_t>(r) | (static_cast<uint32_t>(g) << 8) | (static_cast<uint32_t>(b) << 16) |
         (static_cast<uint32_t>(a) << 24);
}

// A folder under /tmp for the pictures of failing cases: made at the first
// failure and kept after the program ends, unlike the scratch folders, and
// never the working folder, which may be the source tree. Empty when none
// can be made.
inline const std::filesystem::path& FailedPictureFolder() {
  static const std::filesystem::path folder = [] {
    char name[] = "/tmp/kx-failed-XXXXXX";
    return ::mkdtemp(name) != nullptr ? std::filesystem::path(name) : std::filesystem::path();
  }();
  return folder;
}

// Writes the picture of a failing case as a PPM file into the folder kept
// for failures, and says where.
inline void SavePicture(const StereonImage& image, const std::string& name) {
  const std::filesystem::path& folder = FailedPictureFolder();
  if (folder.empty()) return;
  const std::string path = (folder / (name + ".ppm")).string();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return;
  std::fprintf(file, "P6\n%d %d\n255\n", image.width, image.height);
  for (int y = image.height - 1; y >= 0; --y)
    for (int x = 0; x < image.width; ++x) {
      const size_t at = (static_cast<size_t>(y) * image.width + x) * 4;
      std::fwrite(&image.pixels[at], 1, 3, file);
    }
  std::fclose(file);
  std::printf("picture written to %s\n", path.c_str());
}

inline std::string CurrentTestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  return name;
}

// Colour of a pixel within `tol` of the expected bytes; the picture is saved
// when it is not.
inline ::testing::AssertionResult PixelNear(const StereonImage& image, int x, int y, Rgb expected, int tol = 3) {
  const Rgb got = PixelAt(image, x, y);
  if (std::abs(got.r - expected.r) <= tol && std::abs(got.g - expected.g) <= tol && std::abs(got.b - expected.b) <= tol)
    return ::testing::AssertionSuccess();
  SavePicture(image, CurrentTestName());
  return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << got.r << ", " << got.g << ", "
                                       << got.b << "), expected (" << expected.r << ", " << expected.g << ", "
                                       << expected.b << ") within " << tol;
}

// An axis-aligned square in the plane z = height, counter-clockwise seen
// from above.
inline GMPolygon Square(double cx, double cy, double half, double height = 0.0) {
  GMPolygon p;
  p.points = {{cx - half, cy - half, height}, {cx + half, cy - half, height}, {cx + half, cy + half, height},
              {cx - half, cy + half, height}};
  return p;
}

// A bitmap engine of the given size looking down the z axis at the origin
// from a distance, with the daylight preset. A test fails when no headless
// context can be had, unless KORVEX_ALLOW_NO_GL=1 lets it skip.
class RenderTest : public ::testing::Test {
 protected:
  std::unique_ptr<CStereon> MakeEngine(int width = 64, int height = 64) {
    auto engine = std::make_unique<CStereon>();
    if (!engine->CreateBitmapContext(width, height, 32, 24, width, height)) return nullptr;
    engine->SetCamera({0.0, 0.0, 100.0}, {0.0, 0.0, 0.0}, {0.0, 1.0, 0.0});
    engine->SetLightAmbient(0xFF808080u);
    engine->SetLightDiffuse(0xFFFFFFFFu);
    engine->SetLightSpecular(0xFFFFFFFFu);
    engine->SetLightDirection(0.0, 0.0, 1.0);
    return engine;
  }

  void SetUp() override {
    std::string why;
    KORVEX_NEED(korvex::CreateHeadlessContext(nullptr, &why), "KORVEX_ALLOW_NO_GL", "no headless OpenGL context: " << why);
  }


 public:
  // Adds one node built from the element to the engine's tree.
  static COGLDispTree* AddNode(CStereon& engine, const OGLDispElement& element, int option = 0) {
    engine.MakeCurrent();
    auto node = std::make_unique<COGLDispTree>();
    node->SetElementWith(&element, option);
    COGLDispTree* raw = node.get();
    engine.GetDispTree()->AddChild(std::move(node));
    return raw;
  }

  static StereonImage Draw(CStereon& engine, int flags = frame::kViewDefault) {
    StereonImage image;
    engine.Render(flags, &image);
    return image;
  }
};

}  // namespace render_test
