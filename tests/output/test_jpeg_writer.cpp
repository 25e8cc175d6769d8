// JPEG files written from the image's own pixel forms decode to the same
// picture, the right way up.
#include <turbojpeg.h>

#include <cstdlib>

#include "image/DibImage.h"
#include "output/JpegWriter.h"
#include "output_fixture.h"

namespace output_test {
namespace {

using JpegTest = ScratchTest;

struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // top row first
};

Decoded Decode(const std::vector<uint8_t>& jpeg) {
  Decoded d;
  tjhandle h = tjInitDecompress();
  int subsampling = 0, colourspace = 0;
  if (tjDecompressHeader3(h, jpeg.data(), jpeg.size(), &d.width, &d.height, &subsampling, &colourspace) == 0) {
    d.rgb.resize(static_cast<std::size_t>(d.width) * d.height * 3);
    if (tjDecompress2(h, jpeg.data(), jpeg.size(), d.rgb.data(), d.width, 0, d.height, TJPF_RGB, 0) != 0) {
      d.rgb.clear();
    }
  }
  tjDestroy(h);
  return d;
}

// A picture of four flat quarters, chosen so that top and bottom, left and
// right, red and blue are all told apart.
struct Rgb {
  uint8_t r, g, b;
};
Rgb Quarter(int x, int y, int width, int height) {  // y from the bottom
  const bool right = x >= width / 2, top = y >= height / 2;
  if (top) return right ? Rgb{250, 10, 10} : Rgb{10, 250, 10};
  return right ? Rgb{10, 10, 250} : Rgb{240, 240, 20};
}

void ExpectQuarters(const Decoded& d, int width, int height) {
  ASSERT_EQ(d.width, width);
  ASSERT_EQ(d.height, height);
  ASSERT_FALSE(d.rgb.empty());
  for (const auto& [fx, fy] : {std::pair{0.25, 0.25}, {0.75, 0.25}, {0.25, 0.75}, {0.75, 0.75}}) {
    const int x = static_cast<int>(fx * width), yBottom = static_cast<int>(fy * height);
    const Rgb want = Quarter(x, yBottom, width, height);
    const uint8_t* got = &d.rgb[((height - 1 - yBottom) * width + x) * 3];
    SCOPED_TRACE(testing::Message() << x << "," << yBottom);
    EXPECT_NEAR(got[0], want.r, 12);
    EXPECT_NEAR(got[1], want.g, 12);
    EXPECT_NEAR(got[2], want.b, 12);
  }
}

TEST_F(JpegTest, BgrAndRgbaRowsBottomUpDecodeToTheSamePicture) {
  const int width = 37, height = 29;
  std::vector<uint8_t> bgr, rgba;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = Quarter(x, y, width, height);
      bgr.insert(bgr.end(), {c.b, c.g, c.r});
      rgba.insert(rgba.end(), {c.r, c.g, c.b, 0});
    }
  }
  CDibImage image;
  image.Create(bgr.data(), width, height);
  std::string error;
  ASSERT_TRUE(korvex::WriteJpegFile(Path("a.jpg"), image, korvex::kJpegQuality, &error)) << error;
  ExpectQuarters(Decode(ReadBytes(Path("a.jpg"))), width, height);

  ASSERT_TRUE(korvex::WriteJpegFile(Path("b.jpg"), rgba.data(), width, height, korvex::JpegPixels::RgbaBottomUp));
  ExpectQuarters(Decode(ReadBytes(Path("b.jpg"))), width, height);
}

TEST_F(JpegTest, FailureLeavesThePreviousFile) {
  const std::vector<uint8_t> previous = {'o', 'l', 'd'};
  WriteBytes(Path("a.jpg"), previous);
  const std::vector<uint8_t> pixels(3 * 4 * 4, 128);
  std::string error;
  EXPECT_FALSE(korvex::WriteJpegFile(Path("a.jpg"), pixels.data(), 0, 4, korvex::JpegPixels::BgrBottomUp,
                                     korvex::kJpegQuality, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(korvex::WriteJpegFile(Path("a.jpg"), CDibImage()));
  EXPECT_FALSE(korvex::WriteJpegFile(Path("none/a.jpg"), pixels.data(), 4, 4));
  EXPECT_EQ(ReadBytes(Path("a.jpg")), previous);
  EXPECT_EQ(Entries().size(), 1u);
}

}  // namespace
}  // namespace output_test
