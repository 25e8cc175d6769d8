// korvex-cli render: the view core drawing headless into a file, checked on
// the pixels of a small scene exchange file.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "view_fixture.h"

namespace view_test {
namespace {

// A 10 × 10 × 10 box coloured (0.8, 0.2, 0.2).
constexpr const char* kBoxK3d =
    "HEADER\n0,0\nSOLIDV,Z0,0,G,0.8,0.2,0.2,0,4,1,Box\n0,0,0\n10,0,0\n10,10,0\n0,10,0\n0,0,10\n";

int RunCli(const std::string& arguments) {
  const std::string command = std::string(KORVEX_CLI_PATH) + " render " + arguments + " 2>cli-error.txt";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Bmp {
  int width = 0, height = 0;
  std::vector<uint8_t> bytes;
  uint32_t offset = 0;
  // Window point (x, y), y down.
  Rgb At(int x, int y) const {
    const size_t row = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    const size_t at = offset + static_cast<size_t>(height - 1 - y) * row + static_cast<size_t>(x) * 3;
    return {bytes[at + 2], bytes[at + 1], bytes[at]};
  }
};

Bmp ReadBmp(const std::string& path) {
  Bmp bmp;
  std::ifstream file(path, std::ios::binary);
  bmp.bytes.assign(std::istreambuf_iterator<char>(file), {});
  if (bmp.bytes.size() < 54) return bmp;
  auto word = [&](size_t at) {
    return static_cast<uint32_t>(bmp.bytes[at] | bmp.bytes[at + 1] << 8 | bmp.bytes[at + 2] << 16 |
                                 bmp.bytes[at + 3] << 24);
  };
  bmp.offset = word(10);
  bmp.width = static_cast<int>(word(18));
  bmp.height = static_cast<int>(word(22));
  return bmp;
}

::testing::AssertionResult Near(Rgb got, Rgb expected, int tolerance = 6) {
  if (std::abs(got.r - expected.r) <= tolerance && std::abs(got.g - expected.g) <= tolerance &&
      std::abs(got.b - expected.b) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << got.r << ", " << got.g << ", " << got.b << ") instead of ("
                                       << expected.r << ", " << expected.g << ", " << expected.b << ")";
}

// Daylight on a face of colour c: the scene ambient 0x4C and the light's
// ambient 128 on half the colour, plus the white light along the normal.
int Lit(int c, double facing) {
  const double k = c / 255.0;
  return std::min(255, static_cast<int>(std::lround(255.0 * (0.298 * k * 0.5 + 128.0 / 255.0 * k * 0.5 + facing * k))));
}

class RenderCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KORVEX_NEED(HaveHeadlessGl(), "KORVEX_ALLOW_NO_GL", "no headless OpenGL context");
    scratch = std::make_unique<ScratchFolder>();
    model = scratch->Write("box.k3d", kBoxK3d);
  }
  std::unique_ptr<ScratchFolder> scratch;
  std::string model;
};

TEST_F(RenderCliTest, PlanShowsTheLitTopAndElevationTheUnlitFront) {
  ASSERT_EQ(RunCli(model + " -o plan.bmp --size 64x48 --view plan"), 0);
  const Bmp plan = ReadBmp("plan.bmp");
  ASSERT_EQ(plan.width, 64);
  ASSERT_EQ(plan.height, 48);
  // The top face, lit straight from above, fills the middle; the corners
  // show the white background beside the square.
  EXPECT_TRUE(Near(plan.At(32, 24), {Lit(204, 1.0), Lit(51, 1.0), Lit(51, 1.0)}));
  EXPECT_TRUE(Near(plan.At(2, 24), {255, 255, 255}));
  EXPECT_TRUE(Near(plan.At(32, 2), {200, 60, 60}, 200));  // the square spans the height
  EXPECT_FALSE(IsWhite(plan.At(32, 2)));

  ASSERT_EQ(RunCli(model + " -o front.bmp --size 64x48 --view elevation"), 0);
  const Bmp front = ReadBmp("front.bmp");
  // The front face turns its normal across the light: ambient only.
  EXPECT_TRUE(Near(front.At(32, 24), {Lit(204, 0.0), Lit(51, 0.0), Lit(51, 0.0)}));
  EXPECT_TRUE(Near(front.At(2, 24), {255, 255, 255}));
}

TEST_F(RenderCliTest, WritesJpegAndRefusesBadCommandLines) {
  ASSERT_EQ(RunCli(model + " -o picture.jpg --size 32x32 --iso 2 --perspective"), 0);
  std::ifstream jpeg("picture.jpg", std::ios::binary);
  char magic[2] = {};
  jpeg.read(magic, 2);
  EXPECT_EQ(static_cast<unsigned char>(magic[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(magic[1]), 0xD8);

  EXPECT_EQ(RunCli(model + " -o picture.png"), 2);
  EXPECT_EQ(RunCli(model + " -o x.bmp --size 0x10"), 2);
  EXPECT_EQ(RunCli(model + " -o x.bmp --iso 4"), 2);
  EXPECT_EQ(RunCli(model + " -o x.bmp --view top"), 2);
  EXPECT_EQ(RunCli(model), 2);
  EXPECT_EQ(RunCli("missing.k3d -o x.bmp"), 1);
  EXPECT_FALSE(std::filesystem::exists("x.bmp"));
  // --flags: without faces and lines nothing but the background is drawn.
  ASSERT_EQ(RunCli(model + " -o empty.bmp --size 16x16 --view plan --flags 0x10"), 0);
  EXPECT_TRUE(Near(ReadBmp("empty.bmp").At(8, 8), {255, 255, 255}));
}

std::string ErrorText() {
  std::ifstream file("cli-error.txt");
  return {std::istreambuf_iterator<char>(file), {}};
}

TEST_F(RenderCliTest, SectionsCutThePlanInEachForm) {
  const Rgb top{Lit(204, 1.0), Lit(51, 1.0), Lit(51, 1.0)};
  // Cut halfway up, the plan shows the fill, lit as the top was.
  ASSERT_EQ(RunCli(model + " -o z.bmp --size 64x48 --view plan --section z=5"), 0);
  EXPECT_TRUE(Near(ReadBmp("z.bmp").At(32, 24), top));
  ASSERT_EQ(RunCli(model + " -o below.bmp --size 64x48 --view plan --section z=-1"), 0);
  EXPECT_TRUE(Near(ReadBmp("below.bmp").At(32, 24), {255, 255, 255}));
  // The square spans x = 0 to 10 across the middle 48 pixels: x = 5 halves it.
  ASSERT_EQ(RunCli(model + " -o west.bmp --size 64x48 --view plan --section x=5"), 0);
  const Bmp west = ReadBmp("west.bmp");
  EXPECT_TRUE(Near(west.At(20, 24), top));
  EXPECT_TRUE(Near(west.At(44, 24), {255, 255, 255}));
  // The same plane the other way round keeps the east half; two planes cut
  // together.
  ASSERT_EQ(RunCli(model + " -o east.bmp --size 64x48 --view plan --section -2,0,0,10 --section y=100"), 0);
  const Bmp east = ReadBmp("east.bmp");
  EXPECT_TRUE(Near(east.At(20, 24), {255, 255, 255}));
  EXPECT_TRUE(Near(east.At(44, 24), top));
}

TEST_F(RenderCliTest, BadSectionsAreRefusedWithTheReason) {
  const struct {
    const char* arguments;
    const char* reason;
  } cases[] = {
      {"--section z=abc", "is not z=H, x=V, y=V or a,b,c,d"},
      {"--section 1,2,3", "is not z=H, x=V, y=V or a,b,c,d"},
      {"--section 1,2,3,4,5", "is not z=H, x=V, y=V or a,b,c,d"},
      {"--section w=3", "is not z=H, x=V, y=V or a,b,c,d"},
      {"--section z=nan", "is not z=H, x=V, y=V or a,b,c,d"},
      {"--section 0,0,0,1", "has no normal"},
      {"--section z=1 --section z=2 --section z=3 --section z=4", "at most three"},
      {"--section", "--section needs"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    EXPECT_EQ(RunCli(model + " -o cut.bmp " + c.arguments), 2);
    EXPECT_NE(ErrorText().find(c.reason), std::string::npos) << ErrorText();
  }
  EXPECT_FALSE(std::filesystem::exists("cut.bmp"));
}

}  // namespace
}  // namespace view_test
